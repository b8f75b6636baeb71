// stand_in_browser.exe: a web browser for the Wine end-to-end tests to register in a prefix,
// so they can see how the clicker started it.
//
//   stand_in_browser.exe LOG [ANYTHING...]
//
// Appends the command line it was given, exactly as GetCommandLineW returns it, to LOG
// (UTF-8, one line, written through at once) and exits with 0. The log is the first word of
// the command line after the program, so a registered command such as
//   "Z:\...\stand_in_browser.exe" Z:\...\browser.log "%1"
// names its own log. A GUI program, as a browser is: a console program started from a window
// gets a console of its own, whose window takes the focus.

#include <windows.h>
#include <shellapi.h>

#include <string>

#include "toolkit/win32/Unique.h"

namespace {

using UniqueHandle = quorvel::Unique<HANDLE, CloseHandle>;
using UniqueArguments = quorvel::Unique<wchar_t**, LocalFree>;

std::string toUtf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
    return out;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, wchar_t*, int) {
    const wchar_t* commandLine = GetCommandLineW();
    int argc = 0;
    const UniqueArguments argv(CommandLineToArgvW(commandLine, &argc));
    if (!argv || argc < 2) return 2;
    // Appends from several runs land whole, one after another.
    const HANDLE opened = CreateFileW(argv.get()[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return 1;
    const UniqueHandle log(opened);
    const std::string line = toUtf8(commandLine) + "\n";
    DWORD written = 0;
    const BOOL ok = WriteFile(log.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    return ok && written == line.size() ? 0 : 1;
}
