// The calculation and the task file: the standard library only.
#pragma once

#include "Driver.h"
#include "Geometry.h"
#include "Guillotine.h"
#include "LayoutCheck.h"
#include "PlanError.h"
#include "PlanRecord.h"
#include "ProgressLink.h"
#include "Search.h"
#include "SearchTeam.h"
#include "TaskFile.h"
