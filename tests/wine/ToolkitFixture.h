#pragma once

// The real toolkit with the program's forms loaded, driven from inside the test process.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <vector>

#include "toolkit/win32/Win32Toolkit.h"
#include "ui/Forms.h"

namespace quorvel::testing {

using Clock = std::chrono::steady_clock;

// Counts the events the forms raise, with their times.
class RecordingSink final : public EventSink {
public:
    std::vector<Event> events;
    std::vector<Clock::time_point> tickTimes;
    std::function<void(Event)> onEventHook;

    void onEvent(Event event) override {
        events.push_back(event);
        if (event == Event::clickTimerTick) tickTimes.push_back(Clock::now());
        if (onEventHook) onEventHook(event);
    }
};

class ToolkitFixture : public ::testing::Test {
protected:
    Win32Toolkit toolkit{GetModuleHandleW(nullptr), {&mainWindowForm(), &helpWindowForm()}};
    RecordingSink sink;

    void SetUp() override {
        toolkit.setEventSink(&sink);
        ASSERT_TRUE(toolkit.loadWindow(FormId::mainWindow, false));
    }

    HWND mainWindow() { return toolkit.getWindowHandle(FormId::mainWindow); }
    HWND control(Role role) { return toolkit.controlWindow(role); }

    // Dispatches the thread's messages for a while, as the program's loop would.
    static void pumpFor(std::chrono::milliseconds duration) {
        const auto end = Clock::now() + duration;
        for (auto now = Clock::now(); now < end; now = Clock::now()) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now).count();
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left), QS_ALLINPUT);
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
        }
    }

    // Dispatches until the condition holds or the time is up; returns the condition.
    static bool pumpUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
        const auto end = Clock::now() + limit;
        while (!condition() && Clock::now() < end) pumpFor(std::chrono::milliseconds(10));
        return condition();
    }

    std::size_t ticks() const { return sink.tickTimes.size(); }
};

}  // namespace quorvel::testing
