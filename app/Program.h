#pragma once

#include "click/PointRecorder.h"
#include "hotkeys/HotkeyTable.h"
#include "toolkit/Toolkit.h"

namespace quorvel {

// From the main window's load to the end of the message loop. The point records, created
// before, are released on the way out whatever happened. Returns the process's exit code:
// 0 after the main window has closed, -1 when it could not be created.
int runProgram(Toolkit& toolkit, HotkeyService& hotkeys, PointRecords& records);

}  // namespace quorvel
