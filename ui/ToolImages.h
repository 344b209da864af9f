// The seven 16 × 16 pictures of the main window's tool bar, drawn by code:
// 0 New, 1 Open, 2 Save, 3 Print, 4 Compute, 5 Clear results, 6 Optimise.
#pragma once

#include <QIcon>
#include <QList>

QList<QIcon> MakeToolImages();
