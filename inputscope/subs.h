// What the window shows of the selected board: its identity panel, the numbering of the input
// page and the live state of the page's indicators with the encoder counter.
#pragma once

#include <cstdint>

class frmMain;

// Makes Devices[index] the selected board, writes its identity into TextBox1 and StatusBar1
// and turns all 64 indicators dark. An index outside Devices changes nothing.
void ShowDeviceInfo(frmMain &form, int16_t &index);

// Numbers the 64 indicators from `firstInput`, marks them all off, refills the encoder lists
// with the page's input numbers (none chosen) and sets the counter to "0".
void DrawInputPage(frmMain &form, int16_t &firstInput);

// Colours the indicators of the current page from InputData and counts the encoder's rising
// edges on the inputs chosen in CWlist (+1) and CCWlist (-1). Only for the selected board.
void UpdateIndicators(frmMain &form, int16_t &index);
