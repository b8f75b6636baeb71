// sample_window.exe: a fixture for the harness's own tests. A normal, activatable window with
// the kinds of controls the inspector reads (edit, buttons, combo box, list box, report
// list view with long and Chinese texts), a version record and icons (sample_window.rc).
//
//   sample_window.exe [--title TEXT]
//
// The static control kKeyCounterId shows "down D repeat R up U": the keyboard messages the
// thread received (repeat: WM_KEYDOWN with the previous-state bit), counted before dispatch
// so any child with the focus counts. Pressing the button kOkId shows "clicked N" in the
// static control kStatusId. Like a dialog, it gives the focus back to the control that had it
// when it is activated again. WM_CLOSE ends it with 0.

#include <windows.h>
#include <commctrl.h>

#include <string>

namespace {

constexpr int kEditId = 101;
constexpr int kOkId = 102;
constexpr int kCheckId = 103;
constexpr int kComboId = 104;
constexpr int kListViewId = 105;
constexpr int kStatusId = 106;
constexpr int kListBoxId = 107;
constexpr int kKeyCounterId = 108;

constexpr wchar_t kClassName[] = L"QuorvelSampleWindow";

struct ControlEntry {
    const wchar_t* cls;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int id;
    RECT rect;
};

const ControlEntry kControls[] = {
    {L"EDIT", L"你好，世界", WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, kEditId, {10, 10, 210, 34}},
    {L"BUTTON", L"确定", WS_TABSTOP | BS_PUSHBUTTON, 0, kOkId, {220, 10, 300, 34}},
    {L"BUTTON", L"Disabled check", WS_TABSTOP | BS_AUTOCHECKBOX | WS_DISABLED, 0, kCheckId, {310, 10, 450, 34}},
    {WC_COMBOBOXW, L"", WS_TABSTOP | CBS_DROPDOWNLIST | WS_VSCROLL, 0, kComboId, {10, 44, 160, 200}},
    {WC_LISTBOXW, L"", WS_TABSTOP | LBS_NOTIFY | WS_BORDER, 0, kListBoxId, {170, 44, 300, 100}},
    {WC_STATICW, L"ready", SS_LEFT, 0, kStatusId, {310, 44, 450, 64}},
    {WC_STATICW, L"down 0 repeat 0 up 0", SS_LEFT, 0, kKeyCounterId, {310, 70, 450, 90}},
    {WC_LISTVIEWW, L"", WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | WS_BORDER, 0, kListViewId, {10, 110, 450, 290}},
};

struct ColumnEntry {
    const wchar_t* heading;
    int width;
    int fmt;
};

const ColumnEntry kColumns[] = {
    {L"序号", 50, LVCFMT_LEFT},
    {L"X", 70, LVCFMT_RIGHT},
    {L"Y", 80, LVCFMT_CENTER},
};

struct RowEntry {
    const wchar_t* texts[3];
    LPARAM lParam;
};

const std::wstring kLongText = std::wstring(600, L'长') + L"|end";

const RowEntry kRows[] = {
    {{L"1", L"100", L"200"}, 7},
    {{L"2", kLongText.c_str(), L"左键"}, -5},
    {{L"3", L"", L"0"}, 0x7fffffff},
};

const wchar_t* const kComboItems[] = {L"左键", L"Right", L"Middle"};
const wchar_t* const kListBoxItems[] = {L"一", L"two"};

constexpr DWORD kListViewExStyle = LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES;
constexpr COLORREF kTextColor = RGB(1, 2, 3);
constexpr COLORREF kTextBkColor = RGB(250, 251, 252);
constexpr COLORREF kBkColor = RGB(240, 241, 242);

class SampleWindow {
public:
    static LRESULT CALLBACK windowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        if (msg == WM_NCCREATE) {
            auto* self = static_cast<SampleWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
            self->hwnd_ = hwnd;
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        }
        auto* self = reinterpret_cast<SampleWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        if (msg == WM_NCDESTROY) {
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        }
        return self ? self->handle(msg, wParam, lParam) : DefWindowProcW(hwnd, msg, wParam, lParam);
    }

    // Called for every message of the thread before dispatch, whichever child has the focus.
    void countKey(const MSG& msg)
    {
        if (msg.message == WM_KEYDOWN) {
            ++(msg.lParam & (1 << 30) ? repeats_ : downs_);
        } else if (msg.message == WM_KEYUP) {
            ++ups_;
        } else {
            return;
        }
        const std::wstring text = L"down " + std::to_wstring(downs_) + L" repeat " + std::to_wstring(repeats_)
            + L" up " + std::to_wstring(ups_);
        SetDlgItemTextW(hwnd_, kKeyCounterId, text.c_str());
    }

private:
    LRESULT handle(UINT msg, WPARAM wParam, LPARAM lParam)
    {
        switch (msg) {
        case WM_CREATE:
            onCreate();
            return 0;
        case WM_ACTIVATE:
            onActivate(LOWORD(wParam));
            return 0;
        case WM_COMMAND:
            if (LOWORD(wParam) == kOkId && HIWORD(wParam) == BN_CLICKED) {
                onOkClicked();
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd_, msg, wParam, lParam);
        }
    }

    void onCreate()
    {
        const HINSTANCE instance = GetModuleHandleW(nullptr);
        for (const auto& c : kControls) {
            CreateWindowExW(c.exStyle, c.cls, c.text, WS_CHILD | WS_VISIBLE | c.style, c.rect.left, c.rect.top,
                            c.rect.right - c.rect.left, c.rect.bottom - c.rect.top, hwnd_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        }
        const HWND combo = GetDlgItem(hwnd_, kComboId);
        for (const auto* item : kComboItems) {
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        SendMessageW(combo, CB_SETCURSEL, 1, 0);
        const HWND listBox = GetDlgItem(hwnd_, kListBoxId);
        for (const auto* item : kListBoxItems) {
            SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
        }
        fillListView(GetDlgItem(hwnd_, kListViewId));
        lastFocus_ = GetDlgItem(hwnd_, kEditId);
    }

    static void fillListView(HWND listView)
    {
        SendMessageW(listView, LVM_SETEXTENDEDLISTVIEWSTYLE, kListViewExStyle, kListViewExStyle);
        SendMessageW(listView, LVM_SETTEXTCOLOR, 0, kTextColor);
        SendMessageW(listView, LVM_SETTEXTBKCOLOR, 0, kTextBkColor);
        SendMessageW(listView, LVM_SETBKCOLOR, 0, kBkColor);
        for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
            LVCOLUMNW column{};
            column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            column.pszText = const_cast<wchar_t*>(kColumns[i].heading);
            column.cx = kColumns[i].width;
            column.fmt = kColumns[i].fmt;
            SendMessageW(listView, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
        }
        for (int row = 0; row < static_cast<int>(std::size(kRows)); ++row) {
            LVITEMW item{};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = row;
            item.pszText = const_cast<wchar_t*>(kRows[row].texts[0]);
            item.lParam = kRows[row].lParam;
            SendMessageW(listView, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
            for (int sub = 1; sub < static_cast<int>(std::size(kColumns)); ++sub) {
                LVITEMW subItem{};
                subItem.iSubItem = sub;
                subItem.pszText = const_cast<wchar_t*>(kRows[row].texts[sub]);
                SendMessageW(listView, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&subItem));
            }
        }
        LVITEMW selected{};
        selected.stateMask = LVIS_SELECTED;
        selected.state = LVIS_SELECTED;
        SendMessageW(listView, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
    }

    void onActivate(WORD state)
    {
        if (state == WA_INACTIVE) {
            const HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) {
                lastFocus_ = focus;
            }
        } else {
            SetFocus(lastFocus_);
        }
    }

    void onOkClicked()
    {
        const std::wstring text = L"clicked " + std::to_wstring(++clicks_);
        SetDlgItemTextW(hwnd_, kStatusId, text.c_str());
    }

    HWND hwnd_ = nullptr;
    HWND lastFocus_ = nullptr;
    int clicks_ = 0;
    int downs_ = 0;
    int repeats_ = 0;
    int ups_ = 0;
};

} // namespace

int wmain(int argc, wchar_t** argv)
{
    const wchar_t* title = L"Quorvel 样例窗口";
    if (argc == 3 && std::wstring(argv[1]) == L"--title") {
        title = argv[2];
    } else if (argc != 1) {
        return 2;
    }
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = SampleWindow::windowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
    wc.lpszClassName = kClassName;
    if (!RegisterClassExW(&wc)) {
        return 4;
    }
    SampleWindow window;
    const HWND hwnd = CreateWindowExW(0, kClassName, title, WS_OVERLAPPEDWINDOW, 200, 150, 480, 340, nullptr,
                                      nullptr, instance, &window);
    if (!hwnd) {
        return 5;
    }
    ShowWindow(hwnd, SW_SHOW);
    UpdateWindow(hwnd);

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        window.countKey(msg);
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
