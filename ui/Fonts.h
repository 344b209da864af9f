// Font faces named by the program ("宋体", "MS Sans Serif", "Courier New")
// mapped onto fonts a Debian desktop has, so Chinese text never shows as
// boxes on screen or paper.
#pragma once

// Registers the substitutes with Qt. Call once after the application object
// exists and before the first window or page is drawn.
void InstallFontSubstitutes();
