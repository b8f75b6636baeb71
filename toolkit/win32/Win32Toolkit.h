#pragma once

#include <windows.h>

#include <initializer_list>
#include <memory>
#include <vector>

#include "toolkit/Form.h"
#include "toolkit/Toolkit.h"
#include "toolkit/win32/FormWindow.h"
#include "toolkit/win32/Win32Handles.h"

namespace quorvel {

// The toolkit over native Win32 windows and controls, on the thread that creates it.
class Win32Toolkit final : public Toolkit {
public:
    Win32Toolkit(HINSTANCE instance, std::initializer_list<const FormSpec*> forms);
    ~Win32Toolkit() override;
    Win32Toolkit(const Win32Toolkit&) = delete;
    Win32Toolkit& operator=(const Win32Toolkit&) = delete;

    void setDisabled(Role control, bool disabled) override;
    void setMousePointer(Role control, MousePointer pointer) override;
    std::string readText(Role edit) override;
    void setTimerPeriod(Role timer, std::int32_t periodMs) override;
    int showMessageBox(std::string_view text, std::uint32_t flags, std::string_view title) override;
    bool loadWindow(FormId form, bool modal) override;
    NativeWindow getWindowHandle(FormId form) override;
    void clickAt(std::int32_t x, std::int32_t y, ClickKind kind) override;
    bool readCursorPosition(PointRecord& position) override;
    std::int32_t insertRow(Role list, std::int32_t position, std::int32_t itemValue) override;
    void setCellText(Role list, std::int32_t row, std::int32_t column, std::string_view text) override;
    std::string getCellText(Role list, std::int32_t row, std::int32_t column) override;
    std::int32_t getRowValue(Role list, std::int32_t row) override;
    std::int32_t getRowCount(Role list) override;
    void setEventSink(EventSink* sink) override;
    int runMessageLoop() override;

    // For the form windows.
    HINSTANCE instance() const { return instance_; }
    HICON bigIcon() const { return bigIcon_.get(); }
    HICON smallIcon() const { return smallIcon_.get(); }
    HCURSOR cursorFor(MousePointer pointer) const;
    HWND modalWindow() const;
    void raise(Event event);
    void formDestroyed(FormWindow& form);

    // The native window of a control, for tests of the toolkit itself.
    HWND controlWindow(Role role);

private:
    const FormSpec* formSpec(FormId form) const;
    FormWindow* loaded(FormId form);
    Control* control(Role role);
    HWND listWindow(Role list);
    bool isLoaded(const FormWindow* form) const;
    // Tab moves the focus in the form's order and Esc closes the form, before the controls see them.
    bool handleDialogKeys(const MSG& message);
    void dispatch(MSG& message);

    HINSTANCE instance_;
    std::vector<const FormSpec*> forms_;
    std::vector<WindowClass> classes_;
    UniqueIcon bigIcon_;
    UniqueIcon smallIcon_;
    HCURSOR handCursor_ = nullptr;
    bool comInitialised_ = false;
    EventSink* sink_ = nullptr;
    bool loopStarted_ = false;
    std::vector<std::unique_ptr<FormWindow>> loaded_;
    // Destroyed forms wait here until no handler of theirs can still be on the stack.
    std::vector<std::unique_ptr<FormWindow>> retired_;
    std::vector<FormWindow*> modalStack_;
};

}  // namespace quorvel
