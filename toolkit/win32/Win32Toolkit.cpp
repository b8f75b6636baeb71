#include "toolkit/win32/Win32Toolkit.h"

#include <commctrl.h>
#include <objbase.h>

#include <algorithm>

#include "app/resources/resource_ids.h"
#include "toolkit/win32/DrawnText.h"
#include "toolkit/win32/Label.h"
#include "toolkit/win32/WideText.h"
#include "ui/win32/HyperLinkControl.h"

namespace quorvel {
namespace {

HICON loadApplicationIcon(HINSTANCE instance, int widthMetric, int heightMetric) {
    return static_cast<HICON>(LoadImageW(instance, L"DEFAULT_ICON", IMAGE_ICON, GetSystemMetrics(widthMetric),
                                         GetSystemMetrics(heightMetric), LR_DEFAULTCOLOR));
}

const wchar_t* systemCursorId(MousePointer pointer) {
    switch (pointer) {
    case MousePointer::arrow: return IDC_ARROW;
    case MousePointer::cross: return IDC_CROSS;
    case MousePointer::ibeam: return IDC_IBEAM;
    case MousePointer::wait: return IDC_WAIT;
    case MousePointer::help: return IDC_HELP;
    case MousePointer::appStarting: return IDC_APPSTARTING;
    case MousePointer::no: return IDC_NO;
    case MousePointer::sizeAll: return IDC_SIZEALL;
    case MousePointer::sizeNesw: return IDC_SIZENESW;
    case MousePointer::sizeNs: return IDC_SIZENS;
    case MousePointer::sizeNwse: return IDC_SIZENWSE;
    case MousePointer::sizeWe: return IDC_SIZEWE;
    case MousePointer::upArrow: return IDC_UPARROW;
    case MousePointer::none:
    case MousePointer::hand: break;
    }
    return nullptr;
}

bool keyIsDown(int virtualKey) { return GetKeyState(virtualKey) < 0; }

std::int32_t rowCountOf(HWND list) { return static_cast<std::int32_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); }

std::int32_t columnCountOf(HWND list) {
    const auto header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    return header ? static_cast<std::int32_t>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) : 0;
}

}  // namespace

Win32Toolkit::Win32Toolkit(HINSTANCE instance, std::initializer_list<const FormSpec*> forms)
    : instance_(instance), forms_(forms) {
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // The shell may open a link through COM objects.
    comInitialised_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));

    FormWindow::registerClasses(instance_, classes_);
    classes_.push_back(registerLabelClass(instance_));
    classes_.push_back(registerHyperLinkClass(instance_));

    bigIcon_.reset(loadApplicationIcon(instance_, SM_CXICON, SM_CYICON));
    smallIcon_.reset(loadApplicationIcon(instance_, SM_CXSMICON, SM_CYSMICON));
    // Cursors from LoadCursor are shared and owned by the system: nothing to release.
    handCursor_ = LoadCursorW(instance_, MAKEINTRESOURCEW(QUORVEL_HAND_CURSOR_ID));
}

Win32Toolkit::~Win32Toolkit() {
    loaded_.clear();
    retired_.clear();
    if (comInitialised_) CoUninitialize();
}

HCURSOR Win32Toolkit::cursorFor(MousePointer pointer) const {
    if (pointer == MousePointer::hand) return handCursor_;
    const wchar_t* id = systemCursorId(pointer);
    return id ? LoadCursorW(nullptr, id) : nullptr;
}

void Win32Toolkit::setDisabled(Role role, bool disabled) {
    Control* c = control(role);
    if (!c) return;
    if (c->window) EnableWindow(c->window, !disabled);
}

void Win32Toolkit::setMousePointer(Role role, MousePointer pointer) {
    Control* c = control(role);
    if (!c) return;
    c->cursor = cursorFor(pointer);
    if (c->window) {
        // Setting the position where it already is makes Windows ask for the cursor again.
        POINT position;
        if (GetCursorPos(&position)) SetCursorPos(position.x, position.y);
    }
}

std::string Win32Toolkit::readText(Role edit) {
    Control* c = control(edit);
    return c && c->window ? toCodePage936(windowText(c->window)) : std::string();
}

void Win32Toolkit::setTimerPeriod(Role timer, std::int32_t periodMs) {
    if (Control* c = control(timer); c && c->spec->kind == ControlKind::timer) FormWindow::setTimerPeriod(*c, periodMs);
}

int Win32Toolkit::showMessageBox(std::string_view text, std::uint32_t flags, std::string_view title) {
    const UINT modality = (flags & MB_SYSTEMMODAL) ? 0 : MB_TASKMODAL;
    const int pressed = MessageBoxW(nullptr, widen(text).c_str(), widen(title).c_str(), flags | modality);
    return pressed >= IDOK && pressed <= IDNO ? pressed - IDOK : -1;
}

bool Win32Toolkit::loadWindow(FormId form, bool modal) {
    const FormSpec* spec = formSpec(form);
    if (!spec) return false;
    if (FormWindow* open = loaded(form)) {
        // One window per form: a second load shows the one that is open.
        SetActiveWindow(open->window());
        return false;
    }
    // A modal window is owned by the window it was opened from, so it stays above it.
    const HWND owner = modal && !loaded_.empty() ? loaded_.back()->window() : nullptr;
    std::unique_ptr<FormWindow> created = FormWindow::create(*this, *spec, owner);
    if (!created) return false;
    FormWindow* window = created.get();
    loaded_.push_back(std::move(created));

    raise(spec->created);
    if (!isLoaded(window)) return false;
    ShowWindow(window->window(), SW_SHOW);
    UpdateWindow(window->window());
    if (!modal) return true;

    std::vector<std::pair<HWND, bool>> disabled;
    for (const auto& other : loaded_) {
        if (other.get() == window) continue;
        disabled.emplace_back(other->window(), IsWindowEnabled(other->window()) != FALSE);
        EnableWindow(other->window(), FALSE);
    }
    window->rememberDisabled(std::move(disabled));
    modalStack_.push_back(window);

    // Every message of the thread goes on being dispatched, so hotkeys and timers still act.
    while (isLoaded(window)) {
        MSG message;
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) {
            PostQuitMessage(static_cast<int>(message.wParam));  // for the outer loop to see
            break;
        }
        if (result < 0) break;
        dispatch(message);
    }
    return true;
}

NativeWindow Win32Toolkit::getWindowHandle(FormId form) {
    FormWindow* window = loaded(form);
    return window ? window->window() : nullptr;
}

void Win32Toolkit::clickAt(std::int32_t x, std::int32_t y, ClickKind kind) {
    SetCursorPos(x, y);
    DWORD down = MOUSEEVENTF_LEFTDOWN;
    DWORD up = MOUSEEVENTF_LEFTUP;
    int clicks = 1;
    switch (kind) {
    case ClickKind::rightDouble: clicks = 2; [[fallthrough]];
    case ClickKind::right:
        down = MOUSEEVENTF_RIGHTDOWN;
        up = MOUSEEVENTF_RIGHTUP;
        break;
    case ClickKind::leftDouble: clicks = 2; break;
    case ClickKind::left: break;
    }
    // No MOUSEEVENTF_MOVE or MOUSEEVENTF_ABSOLUTE: the buttons act where SetCursorPos put the pointer.
    for (int i = 0; i < clicks; ++i) {
        mouse_event(down, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
        mouse_event(up, static_cast<DWORD>(x), static_cast<DWORD>(y), 0, 0);
    }
}

bool Win32Toolkit::readCursorPosition(PointRecord& position) {
    POINT cursor;
    if (!GetCursorPos(&cursor)) return false;
    position = {cursor.x, cursor.y};
    return true;
}

std::int32_t Win32Toolkit::insertRow(Role list, std::int32_t position, std::int32_t itemValue) {
    const HWND window = listWindow(list);
    if (!window) return -1;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = position < 0 ? rowCountOf(window) : position;
    item.lParam = itemValue;
    return static_cast<std::int32_t>(SendMessageW(window, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void Win32Toolkit::setCellText(Role list, std::int32_t row, std::int32_t column, std::string_view text) {
    const HWND window = listWindow(list);
    if (!window || row < 0 || row >= rowCountOf(window) || column < 0 || column >= columnCountOf(window)) return;
    std::wstring wide = widen(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = wide.data();
    SendMessageW(window, LVM_SETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
}

std::string Win32Toolkit::getCellText(Role list, std::int32_t row, std::int32_t column) {
    const HWND window = listWindow(list);
    if (!window || row < 0 || row >= rowCountOf(window) || column < 0) return {};
    // The control copies at most the buffer's size less one: grow until the text fits with room.
    std::wstring buffer(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto copied = static_cast<std::size_t>(
            SendMessageW(window, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < buffer.size() || buffer.size() >= (1u << 28)) {
            buffer.resize(std::min(copied, buffer.size()));
            return narrow(buffer);
        }
        buffer.assign(buffer.size() * 2, L'\0');
    }
}

std::int32_t Win32Toolkit::getRowValue(Role list, std::int32_t row) {
    const HWND window = listWindow(list);
    if (!window || row < 0) return 0;
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    if (!SendMessageW(window, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item))) return 0;
    return static_cast<std::int32_t>(item.lParam);
}

std::int32_t Win32Toolkit::getRowCount(Role list) {
    const HWND window = listWindow(list);
    return window ? rowCountOf(window) : 0;
}

void Win32Toolkit::setEventSink(EventSink* sink) { sink_ = sink; }

int Win32Toolkit::runMessageLoop() {
    loopStarted_ = true;
    if (loaded_.empty()) return 0;
    MSG message{};
    for (;;) {
        // Idle work, once the queue is empty: out here no handler of a destroyed form can still
        // be running, so its remains can go. Peeking costs a trip to the server under Wine, so
        // only while there is something to release.
        if (!retired_.empty() && !PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) retired_.clear();
        const BOOL result = GetMessageW(&message, nullptr, 0, 0);
        if (result == 0) return static_cast<int>(message.wParam);
        if (result < 0) return -1;
        dispatch(message);
    }
}

HWND Win32Toolkit::modalWindow() const { return modalStack_.empty() ? nullptr : modalStack_.back()->window(); }

void Win32Toolkit::raise(Event event) {
    if (sink_ && event != Event::none) sink_->onEvent(event);
}

void Win32Toolkit::formDestroyed(FormWindow& form) {
    std::erase(modalStack_, &form);
    const auto it = std::find_if(loaded_.begin(), loaded_.end(), [&](const auto& w) { return w.get() == &form; });
    if (it != loaded_.end()) {
        retired_.push_back(std::move(*it));
        loaded_.erase(it);
    }
    if (loaded_.empty() && loopStarted_) PostQuitMessage(0);
}

HWND Win32Toolkit::controlWindow(Role role) {
    Control* c = control(role);
    return c ? c->window : nullptr;
}

const FormSpec* Win32Toolkit::formSpec(FormId form) const {
    const auto it = std::find_if(forms_.begin(), forms_.end(), [&](const FormSpec* f) { return f->id == form; });
    return it == forms_.end() ? nullptr : *it;
}

FormWindow* Win32Toolkit::loaded(FormId form) {
    const auto it = std::find_if(loaded_.begin(), loaded_.end(), [&](const auto& w) { return w->form().id == form; });
    return it == loaded_.end() ? nullptr : it->get();
}

Control* Win32Toolkit::control(Role role) {
    for (const auto& window : loaded_) {
        if (Control* c = window->find(role)) return c;
    }
    return nullptr;
}

HWND Win32Toolkit::listWindow(Role list) {
    Control* c = control(list);
    return c && c->spec->kind == ControlKind::listView ? c->window : nullptr;
}

bool Win32Toolkit::isLoaded(const FormWindow* form) const {
    return std::any_of(loaded_.begin(), loaded_.end(), [&](const auto& w) { return w.get() == form; });
}

bool Win32Toolkit::handleDialogKeys(const MSG& message) {
    // When the focused control has been disabled (Start, once clicked), no window has the focus
    // and keys come to the active window as system keys, Alt or not.
    const bool keyDown = message.message == WM_KEYDOWN || (message.message == WM_SYSKEYDOWN && !keyIsDown(VK_MENU));
    if (!keyDown || (message.wParam != VK_ESCAPE && message.wParam != VK_TAB)) return false;
    const auto form = std::find_if(loaded_.begin(), loaded_.end(), [&](const auto& w) {
        return w->window() == message.hwnd || IsChild(w->window(), message.hwnd);
    });
    if (form == loaded_.end()) return false;
    const bool control = keyIsDown(VK_CONTROL);
    const bool shift = keyIsDown(VK_SHIFT);
    const bool alt = keyIsDown(VK_MENU);
    if (message.wParam == VK_ESCAPE) {
        if (control || shift || alt) return false;
        SendMessageW((*form)->window(), WM_CLOSE, 0, 0);
        return true;
    }
    if (control || alt) return false;
    (*form)->moveFocus(shift);
    return true;
}

void Win32Toolkit::dispatch(MSG& message) {
    if (handleDialogKeys(message)) return;
    TranslateMessage(&message);
    DispatchMessageW(&message);
}

}  // namespace quorvel
