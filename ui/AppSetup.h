// What the window program sets up once for the whole run, before its first
// window: the application title, the desktop entry it belongs to, the
// window icon and the font substitutes.
#pragma once

// The application title as the desktop shows the program's name.
inline constexpr const char* ApplicationTitleText = "Tavik Vadi Ver 1.0.0";

// Sets the title (QApplication::applicationDisplayName, which Qt also adds
// to window captions), the desktop entry name "tavik-vadi", the icon of
// every window, then installs the font substitutes. Call once, right after
// the application object is made.
void SetUpApplication();
