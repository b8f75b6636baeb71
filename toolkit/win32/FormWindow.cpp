#include "toolkit/win32/FormWindow.h"

#include <commctrl.h>

#include <algorithm>

#include "ui/win32/HyperLinkControl.h"
#include "toolkit/win32/Label.h"
#include "toolkit/win32/WideText.h"
#include "toolkit/win32/Win32Toolkit.h"

namespace quorvel {
namespace {

constexpr wchar_t kFormClassName[] = L"QuorvelForm";
constexpr wchar_t kTimerClassName[] = L"QuorvelTimer";

constexpr DWORD kFormStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
constexpr int kFirstControlId = 100;  // away from IDOK and IDCANCEL
constexpr UINT_PTR kTimerId = 1000;

constexpr DWORD kListViewStyle =
    WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | LVS_REPORT | LVS_NOSORTHEADER | LVS_SINGLESEL;
constexpr DWORD kListViewExtendedStyle =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;

int columnFormat(ColumnAlign align) {
    switch (align) {
    case ColumnAlign::center: return LVCFMT_CENTER;
    case ColumnAlign::right: return LVCFMT_RIGHT;
    case ColumnAlign::left: break;
    }
    return LVCFMT_LEFT;
}

void setUpListView(HWND list, const ControlSpec& spec) {
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, kListViewExtendedStyle);
    SendMessageW(list, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
    SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(list, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
    int index = 0;
    for (const ListColumn& column : spec.columns) {
        std::wstring heading = widen(column.heading);
        LVCOLUMNW description{};
        description.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        description.fmt = columnFormat(column.align);
        description.cx = column.width;
        description.pszText = heading.data();
        description.iSubItem = index;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&description));
        ++index;
    }
}

LOGFONTW logFontOf(const FontSpec& font) {
    LOGFONTW description{};
    description.lfHeight = font.height;
    description.lfWeight = font.weight;
    description.lfCharSet = font.charSet;
    description.lfOutPrecision = font.outPrecision;
    description.lfClipPrecision = font.clipPrecision;
    description.lfQuality = font.quality;
    description.lfPitchAndFamily = font.pitchAndFamily;
    const std::wstring face = widen(font.faceName);
    face.copy(description.lfFaceName, LF_FACESIZE - 1);
    return description;
}

bool isFocusable(HWND window) { return IsWindowVisible(window) && IsWindowEnabled(window); }

}  // namespace

void FormWindow::registerClasses(HINSTANCE instance, std::vector<WindowClass>& classes) {
    WNDCLASSEXW form{};
    form.cbSize = sizeof form;
    form.lpfnWndProc = windowProc;
    form.hInstance = instance;
    form.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    form.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    form.lpszClassName = kFormClassName;
    classes.emplace_back(form);

    WNDCLASSEXW timer{};
    timer.cbSize = sizeof timer;
    timer.lpfnWndProc = timerProc;
    timer.hInstance = instance;
    timer.lpszClassName = kTimerClassName;
    classes.emplace_back(timer);
}

FormWindow::FormWindow(Win32Toolkit& toolkit, const FormSpec& form) : toolkit_(toolkit), form_(form) {}

FormWindow::~FormWindow() {
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

std::unique_ptr<FormWindow> FormWindow::create(Win32Toolkit& toolkit, const FormSpec& form, HWND owner) {
    std::unique_ptr<FormWindow> self(new FormWindow(toolkit, form));
    const int left = (GetSystemMetrics(SM_CXSCREEN) - form.outerWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - form.outerHeight) / 2;
    CreateWindowExW(0, kFormClassName, widen(form.title).c_str(), kFormStyle, left, top, form.outerWidth,
                    form.outerHeight, owner, nullptr, toolkit.instance(), self.get());
    if (!self->window_) return nullptr;

    RECT outer;
    GetWindowRect(self->window_, &outer);
    if (outer.right - outer.left != form.outerWidth || outer.bottom - outer.top != form.outerHeight) {
        SetWindowPos(self->window_, nullptr, left, top, form.outerWidth, form.outerHeight,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageW(self->window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(toolkit.bigIcon()));
    SendMessageW(self->window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(toolkit.smallIcon()));
    self->createControls();
    return self;
}

void FormWindow::createControls() {
    controls_.reserve(form_.controls.size());
    int id = kFirstControlId;
    HWND above = HWND_TOP;
    for (const ControlSpec& spec : form_.controls) {
        Control control;
        control.spec = &spec;
        control.window = createControl(spec, id++);
        control.cursor = toolkit_.cursorFor(spec.pointer);
        if (control.window) {
            // The form's order is the stacking order, the first control on top.
            SetWindowPos(control.window, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
            above = control.window;
        }
        controls_.push_back(control);
        if (spec.kind == ControlKind::timer) setTimerPeriod(controls_.back(), spec.timerPeriodMs);
    }
}

HWND FormWindow::createControl(const ControlSpec& spec, int id) {
    const std::wstring text = widen(spec.text);
    const Bounds& b = spec.bounds;
    const auto menu = reinterpret_cast<HMENU>(static_cast<INT_PTR>(id));
    HINSTANCE instance = toolkit_.instance();
    const DWORD tabStop = spec.takesFocus ? WS_TABSTOP : 0;
    const auto create = [&](DWORD exStyle, const wchar_t* className, DWORD style, void* parameter = nullptr) {
        return CreateWindowExW(exStyle, className, text.c_str(), style | tabStop, b.left, b.top, b.width, b.height,
                               window_, menu, instance, parameter);
    };

    HWND control = nullptr;
    switch (spec.kind) {
    case ControlKind::label: {
        const auto flags = static_cast<UINT_PTR>(labelDrawFlags(spec.layout));
        control = create(0, kLabelClassName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, reinterpret_cast<void*>(flags));
        break;
    }
    case ControlKind::editBox:
        control = create(WS_EX_CLIENTEDGE, L"EDIT", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | ES_LEFT | ES_AUTOHSCROLL);
        SendMessageW(control, EM_SETLIMITTEXT, 0, 0);
        SendMessageW(control, EM_SETSEL, 0, 0);
        break;
    case ControlKind::button:
        control = create(0, L"BUTTON",
                         WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | BS_PUSHBUTTON | BS_CENTER | BS_VCENTER | BS_MULTILINE);
        break;
    case ControlKind::timer:
        control = CreateWindowExW(0, kTimerClassName, L"", WS_CHILD, 0, 0, 0, 0, window_, menu, instance, nullptr);
        return control;
    case ControlKind::listView:
        control = create(WS_EX_CLIENTEDGE, WC_LISTVIEWW, kListViewStyle);
        setUpListView(control, spec);
        break;
    case ControlKind::hyperLinker:
        control = create(0, kHyperLinkClassName, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS,
                         const_cast<LinkSpec*>(spec.link));
        break;
    }

    HFONT font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    if (spec.font) {
        const LOGFONTW description = logFontOf(*spec.font);
        fonts_.emplace_back(CreateFontIndirectW(&description));
        if (fonts_.back()) font = fonts_.back().get();
    }
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

Control* FormWindow::find(Role role) {
    const auto it = std::find_if(controls_.begin(), controls_.end(), [&](const Control& c) { return c.spec->role == role; });
    return it == controls_.end() ? nullptr : &*it;
}

Control* FormWindow::find(HWND window) {
    if (!window) return nullptr;
    const auto it = std::find_if(controls_.begin(), controls_.end(), [&](const Control& c) { return c.window == window; });
    return it == controls_.end() ? nullptr : &*it;
}

std::vector<Control*> FormWindow::tabOrder() {
    std::vector<Control*> order;
    for (auto it = controls_.rbegin(); it != controls_.rend(); ++it) {
        if (it->spec->takesFocus && it->window) order.push_back(&*it);
    }
    return order;
}

void FormWindow::moveFocus(bool backwards) {
    std::vector<Control*> order = tabOrder();
    if (backwards) std::reverse(order.begin(), order.end());
    const HWND focus = GetFocus();
    const auto current = std::find_if(order.begin(), order.end(), [&](const Control* c) {
        return c->window == focus || IsChild(c->window, focus);
    });
    // Start after the control holding the focus, or at the beginning, and wrap around.
    const std::size_t start = current == order.end() ? 0 : static_cast<std::size_t>(current - order.begin()) + 1;
    for (std::size_t i = 0; i < order.size(); ++i) {
        HWND candidate = order[(start + i) % order.size()]->window;
        if (isFocusable(candidate)) {
            SetFocus(candidate);
            return;
        }
    }
}

HWND FormWindow::focusTarget() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(window_, lastFocus_) && isFocusable(lastFocus_)) return lastFocus_;
    for (Control* control : tabOrder()) {
        if (isFocusable(control->window)) return control->window;
    }
    return nullptr;
}

void FormWindow::setTimerPeriod(Control& timer, std::int32_t periodMs) {
    const TimerState::Change change = timer.timer.setPeriod(periodMs);
    if (change.kill) KillTimer(timer.window, kTimerId);
    if (change.start) SetTimer(timer.window, kTimerId, static_cast<UINT>(timer.timer.period()), nullptr);
}

void FormWindow::onTimer(HWND timerWindow) {
    Control* timer = find(timerWindow);
    // A tick that was already queued when the period became 0 raises nothing.
    if (timer && timer->timer.acceptsTick()) toolkit_.raise(timer->spec->event);
}

void FormWindow::onCommand(HWND control, UINT notification) {
    const Control* source = find(control);
    if (source && source->spec->kind == ControlKind::button && notification == BN_CLICKED) {
        toolkit_.raise(source->spec->event);
    }
}

bool FormWindow::onSetCursor(HWND under) {
    const Control* control = find(under);
    if (!control || !control->cursor) return false;
    SetCursor(control->cursor);
    return true;
}

void FormWindow::onActivate(bool active) {
    if (!active) {
        const HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) lastFocus_ = focus;
        return;
    }
    // A window disabled by an open modal form hands the activation on to it.
    if (!IsWindowEnabled(window_)) {
        if (HWND modal = toolkit_.modalWindow(); modal && modal != window_) SetActiveWindow(modal);
    }
}

void FormWindow::restoreDisabledWindows() {
    for (const auto& [window, wasEnabled] : disabledByModal_) {
        if (IsWindow(window)) EnableWindow(window, wasEnabled);
    }
    disabledByModal_.clear();
}

LRESULT CALLBACK FormWindow::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<FormWindow*>(reinterpret_cast<const CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        self->window_ = nullptr;
        self->fonts_.clear();  // the controls that used them are gone already
        self->toolkit_.formDestroyed(*self);
        return DefWindowProcW(window, message, wParam, lParam);
    }
    return self->handle(message, wParam, lParam);
}

LRESULT FormWindow::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        if (lParam) onCommand(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        return 0;
    case WM_SETCURSOR:
        if (onSetCursor(reinterpret_cast<HWND>(wParam))) return TRUE;
        break;
    case WM_CTLCOLOREDIT: {
        const auto dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkColor(dc, RGB(255, 255, 255));
        return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
    }
    case WM_ACTIVATE:
        onActivate(LOWORD(wParam) != WA_INACTIVE);
        break;  // the default sets the focus to the window, which passes it on below
    case WM_SETFOCUS:
        if (HWND target = focusTarget()) SetFocus(target);
        return 0;
    case WM_CLOSE:
        // The disabled windows come back before this one goes, so one of them is activated.
        restoreDisabledWindows();
        DestroyWindow(window_);
        return 0;
    case WM_DESTROY:
        restoreDisabledWindows();
        if (form_.destroying != Event::none) toolkit_.raise(form_.destroying);
        return 0;
    }
    return DefWindowProcW(window_, message, wParam, lParam);
}

LRESULT CALLBACK FormWindow::timerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_TIMER) {
        if (auto* form = reinterpret_cast<FormWindow*>(GetWindowLongPtrW(GetParent(window), GWLP_USERDATA))) {
            form->onTimer(window);
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace quorvel
