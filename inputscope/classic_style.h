// The look the window was designed for: 3D frames and buttons.
#pragma once

// Makes the application use the classic style. Call once after the application object exists
// and before any window is built.
void useClassicStyle();
