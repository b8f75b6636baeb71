#include <windows.h>

#include "app/Program.h"
#include "hotkeys/win32/Win32Hotkeys.h"
#include "toolkit/win32/Win32Toolkit.h"
#include "ui/Forms.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    // Members go in reverse: the point records' exit routine has run inside runProgram,
    // the toolkit's own resources go last.
    quorvel::Win32Toolkit toolkit(instance, {&quorvel::mainWindowForm(), &quorvel::helpWindowForm()});
    quorvel::PointRecords records;
    quorvel::Win32Hotkeys hotkeys;
    return quorvel::runProgram(toolkit, hotkeys, records);
}
