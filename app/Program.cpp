#include "app/Program.h"

#include "click/ClickRunner.h"
#include "ui/MainWindowHandlers.h"

namespace quorvel {
namespace {

constexpr std::string_view kStartupFailedText = "无法创建程序窗口，程序将退出。";
constexpr std::string_view kStartupFailedTitle = "Quorvel";
constexpr std::uint32_t kErrorBox = 0x10;  // MB_ICONERROR

// Runs once on every way out of runProgram, after the last window is gone.
class ExitRoutine {
public:
    explicit ExitRoutine(PointRecords& records) : records_(records) {}
    ~ExitRoutine() { records_.release(); }
    ExitRoutine(const ExitRoutine&) = delete;
    ExitRoutine& operator=(const ExitRoutine&) = delete;

private:
    PointRecords& records_;
};

// Events stop reaching the handlers before they go.
class EventSinkBinding {
public:
    EventSinkBinding(Toolkit& toolkit, EventSink& sink) : toolkit_(toolkit) { toolkit_.setEventSink(&sink); }
    ~EventSinkBinding() { toolkit_.setEventSink(nullptr); }
    EventSinkBinding(const EventSinkBinding&) = delete;
    EventSinkBinding& operator=(const EventSinkBinding&) = delete;

private:
    Toolkit& toolkit_;
};

}  // namespace

int runProgram(Toolkit& toolkit, HotkeyService& hotkeys, PointRecords& records) {
    ExitRoutine exitRoutine(records);

    PointRecorder recorder(toolkit, records);
    ClickRunner runner(toolkit);
    MainWindowHandlers handlers(toolkit, hotkeys, recorder, runner);
    EventSinkBinding binding(toolkit, handlers);

    if (!toolkit.loadWindow(FormId::mainWindow, false)) {
        toolkit.showMessageBox(kStartupFailedText, kErrorBox, kStartupFailedTitle);
        return -1;
    }
    return toolkit.runMessageLoop();
}

}  // namespace quorvel
