// The frame of the program's fixed-size windows: the splash window, the
// about box, the progress and print dialogs and the message boxes.
#pragma once

#include <Qt>

// A dialog frame with a title and a close button only: no minimise or
// maximise button, no window menu, and no sizing border on Windows. On X11
// this becomes the dialog window type and Motif hints without those
// decorations, which window managers such as KWin, Mutter and xfwm4 honour.
inline constexpr Qt::WindowFlags FixedDialogFlags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                    Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;
