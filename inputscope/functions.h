// Device detection for the window.
#pragma once

class frmMain;

// Detects the boards with the standard product list into Devices, lists one entry per board in
// Combo1 and shows each board's identity in turn (the last one stays shown). True when at least
// one board was found; Combo1 is left unchanged otherwise.
bool ScanDevices(frmMain &form);
