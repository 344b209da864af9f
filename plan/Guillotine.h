// Whether a layout can be cut apart by through cuts (rigid material).
#pragma once

#include "PlanRecord.h"

// True when the placed pieces of Layout can be separated by recursive
// through cuts; groups of 3 pieces or fewer are accepted as they are. The
// knife's path of width KnifeWidth lies on the low side of each cut.
bool IsGuillotine(const TPlan& Task, const TJob& Layout);

// Looks for one through cut: first across X at the pieces' X values in list
// order, then across Y at their Y values. On success High and Low hold the
// placed pieces (whole entries, list order kept) on either side and the
// result is true; only their RectCount and Rects are written.
bool FindGuillotineCut(const TPlan& Task, const TJob& Layout, TJob& High, TJob& Low);
