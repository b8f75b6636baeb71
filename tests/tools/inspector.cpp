// inspector.exe: reads other processes' windows, processes and exe resources for the Wine
// end-to-end tests, and writes the answer as UTF-8 JSON to a file (Wine's stdout through a
// pipe can hang, so nothing useful goes to stdout).
//
//   inspector.exe --out FILE COMMAND [ARGS]
//
//   list [--pid PID] [--title TEXT] [--class NAME]
//                          top-level windows in Z order (exact matches): hwnd, pid, tid,
//                          class, title, visible, rect, xwindow (Wine's X window id)
//   dump HWND              one window with its child windows (recursive, Z order); list-view,
//                          combo box and list box children carry their rows
//   foreground [HWND]      GetForegroundWindow, and GetGUIThreadInfo of HWND's thread
//                          (or of the foreground window's thread)
//   post HWND MSG WPARAM LPARAM [--count N] [--interval-ms MS]
//                          PostMessageW, N times (default 1), MS apart (default 0)
//   postfile HWND FILE [--interval-ms MS]
//                          PostMessageW for each line "MSG WPARAM LPARAM" of FILE
//   settext HWND TEXT      WM_SETTEXT, marshalled by the system
//   settext HWND --bytes HEX
//                          WM_SETTEXT of raw bytes through SendMessageA, which reads them in
//                          the sender's ANSI code page
//   send HWND MSG WPARAM LPARAM [--timeout MS]
//                          SendMessageTimeoutW (SMTO_ABORTIFHUNG, default 2000 ms)
//   proc PID [--wait MS]   GUI resources, handle count, working set, CPU time, exit code;
//                          --wait first waits up to MS for the process to end (full exit code)
//   procs [--env NAME]     all processes (Toolhelp) with their command line, and the value of
//                          environment variable NAME read from each process's memory
//   system                 code pages, user locale and screen size the inspector runs with
//   cursor                 GetCursorPos
//   pixel X Y              GetPixel on the screen DC
//   version EXE            the version record, string tables in stored order
//   icons EXE [NAME]       icon groups (all, or the one named NAME; "#5" or "5" is an id)
//
// Numbers are decimal, or hexadecimal with 0x; a leading '-' is allowed. HWNDs are written
// as decimal numbers, colours as COLORREF numbers (0x00BBGGRR).
// Exit code 0: the answer is in FILE; 1: FILE holds {"error": ...}; 2: bad command line.

#include <windows.h>
#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <cwchar>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "toolkit/win32/Unique.h"

namespace {

using quorvel::Unique;

using UniqueHandle = Unique<HANDLE, CloseHandle>;
using UniqueModule = Unique<HMODULE, FreeLibrary>;

// CreateFileW and CreateToolhelp32Snapshot fail with INVALID_HANDLE_VALUE, the rest with null.
HANDLE nullIfInvalid(HANDLE h)
{
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

struct Failure : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct UsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string toUtf8(std::wstring_view text)
{
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

[[noreturn]] void fail(const std::string& what)
{
    throw Failure(what + " (error " + std::to_string(GetLastError()) + ")");
}

// Streams JSON; commas and nesting are tracked so callers only name keys and values.
class JsonWriter {
public:
    JsonWriter& beginObject() { return open('{'); }
    JsonWriter& endObject() { return close('}'); }
    JsonWriter& beginArray() { return open('['); }
    JsonWriter& endArray() { return close(']'); }

    JsonWriter& key(std::string_view name)
    {
        separate();
        appendString(name);
        out_ += ':';
        afterKey_ = true;
        return *this;
    }

    JsonWriter& value(std::wstring_view text) { return value(std::string_view(toUtf8(text))); }
    JsonWriter& value(std::string_view text)
    {
        separate();
        appendString(text);
        return *this;
    }
    JsonWriter& value(const char* text) { return value(std::string_view(text)); }
    JsonWriter& value(bool b) { return raw(b ? "true" : "false"); }
    JsonWriter& value(long long n) { return raw(std::to_string(n)); }
    JsonWriter& value(unsigned long long n) { return raw(std::to_string(n)); }
    JsonWriter& value(int n) { return value(static_cast<long long>(n)); }
    JsonWriter& value(long n) { return value(static_cast<long long>(n)); }
    JsonWriter& value(unsigned n) { return value(static_cast<unsigned long long>(n)); }
    JsonWriter& value(unsigned long n) { return value(static_cast<unsigned long long>(n)); }
    JsonWriter& value(double d) { return raw(std::to_string(d)); }
    JsonWriter& value(HWND hwnd) { return value(static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(hwnd))); }
    JsonWriter& value(std::nullptr_t) { return raw("null"); }
    JsonWriter& null() { return raw("null"); }

    template <typename T>
    JsonWriter& field(std::string_view name, const T& v)
    {
        key(name);
        return value(v);
    }

    JsonWriter& rect(std::string_view name, const RECT& r)
    {
        return key(name).beginObject().field("left", r.left).field("top", r.top)
            .field("right", r.right).field("bottom", r.bottom).endObject();
    }

    const std::string& str() const { return out_; }

private:
    JsonWriter& open(char c)
    {
        separate();
        out_ += c;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& close(char c)
    {
        out_ += c;
        first_.pop_back();
        return *this;
    }
    JsonWriter& raw(std::string_view text)
    {
        separate();
        out_ += text;
        return *this;
    }
    void separate()
    {
        if (afterKey_) {
            afterKey_ = false;
            return;
        }
        if (!first_.empty()) {
            if (!first_.back()) {
                out_ += ',';
            }
            first_.back() = false;
        }
    }
    void appendString(std::string_view text)
    {
        out_ += '"';
        for (const char c : text) {
            switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    wsprintfA(buf, "\\u%04x", c);
                    out_ += buf;
                } else {
                    out_ += c;
                }
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool afterKey_ = false;
};

long long parseNumber(const std::wstring& text)
{
    std::wstring_view digits = text;
    const bool negative = !digits.empty() && digits.front() == L'-';
    if (negative) {
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == L'0' && (digits[1] == L'x' || digits[1] == L'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty()) {
        throw UsageError("not a number: " + toUtf8(text));
    }
    unsigned long long n = 0;
    for (const wchar_t c : digits) {
        int d;
        if (c >= L'0' && c <= L'9') {
            d = c - L'0';
        } else if (base == 16 && c >= L'a' && c <= L'f') {
            d = c - L'a' + 10;
        } else if (base == 16 && c >= L'A' && c <= L'F') {
            d = c - L'A' + 10;
        } else {
            throw UsageError("not a number: " + toUtf8(text));
        }
        n = n * base + d;
    }
    return negative ? -static_cast<long long>(n) : static_cast<long long>(n);
}

HWND parseHwnd(const std::wstring& text)
{
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(parseNumber(text)));
}

// Positional arguments plus "--name value" options of one command.
class Args {
public:
    Args(std::vector<std::wstring> words, const std::vector<std::wstring_view>& options)
    {
        for (size_t i = 0; i < words.size(); ++i) {
            bool isOption = false;
            for (const auto option : options) {
                if (words[i] == option) {
                    if (i + 1 >= words.size()) {
                        throw UsageError("missing value after " + toUtf8(words[i]));
                    }
                    options_.emplace_back(words[i], words[i + 1]);
                    ++i;
                    isOption = true;
                    break;
                }
            }
            if (!isOption) {
                positional_.push_back(words[i]);
            }
        }
    }

    const std::wstring& at(size_t i) const
    {
        if (i >= positional_.size()) {
            throw UsageError("missing argument");
        }
        return positional_[i];
    }
    size_t count() const { return positional_.size(); }
    void expectAtMost(size_t n) const
    {
        if (positional_.size() > n) {
            throw UsageError("too many arguments");
        }
    }
    std::optional<std::wstring> option(std::wstring_view name) const
    {
        for (const auto& [key, value] : options_) {
            if (key == name) {
                return value;
            }
        }
        return std::nullopt;
    }

private:
    std::vector<std::wstring> positional_;
    std::vector<std::pair<std::wstring, std::wstring>> options_;
};

std::wstring className(HWND hwnd)
{
    wchar_t buf[256];
    const int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? n : 0);
}

// GetWindowTextW reads the caption the window manager keeps; it never waits on the target.
std::wstring caption(HWND hwnd)
{
    const int length = GetWindowTextLengthW(hwnd);
    std::wstring text(length + 1, L'\0');
    text.resize(GetWindowTextW(hwnd, text.data(), length + 1));
    return text;
}

// WM_GETTEXT is marshalled across processes and returns a control's own text (an edit's
// contents), which the kept caption does not.
std::optional<std::wstring> controlText(HWND hwnd)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
        return std::nullopt;
    }
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied)) {
        return std::nullopt;
    }
    text.resize(copied);
    return text;
}

RECT clientRectOnScreen(HWND hwnd)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Wine keeps the X window of a top-level window in this property; 0 elsewhere.
unsigned long long xWindow(HWND hwnd)
{
    return reinterpret_cast<UINT_PTR>(GetPropW(hwnd, L"__wine_x11_whole_window"));
}

void windowSummary(JsonWriter& json, HWND hwnd)
{
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    RECT r{};
    GetWindowRect(hwnd, &r);
    json.beginObject()
        .field("hwnd", hwnd)
        .field("pid", pid)
        .field("tid", tid)
        .field("class", className(hwnd))
        .field("title", caption(hwnd))
        .field("visible", IsWindowVisible(hwnd) != FALSE)
        .rect("rect", r)
        .field("xwindow", xWindow(hwnd))
        .endObject();
}

void optionalWindow(JsonWriter& json, std::string_view name, HWND hwnd)
{
    json.key(name);
    if (hwnd) {
        windowSummary(json, hwnd);
    } else {
        json.null();
    }
}

// Memory in the target process: list-view messages carry pointers that Wine does not marshal,
// so the structures and text buffers must live where the list view can write them.
class RemoteBuffer {
public:
    RemoteBuffer(HANDLE process, size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE))
    {
        if (!address_) {
            fail("VirtualAllocEx");
        }
    }
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer() { VirtualFreeEx(process_, address_, 0, MEM_RELEASE); }

    char* address() const { return static_cast<char*>(address_); }

    void write(size_t offset, const void* data, size_t size) const
    {
        if (!WriteProcessMemory(process_, address() + offset, data, size, nullptr)) {
            fail("WriteProcessMemory");
        }
    }
    void read(size_t offset, void* data, size_t size) const
    {
        if (!ReadProcessMemory(process_, address() + offset, data, size, nullptr)) {
            fail("ReadProcessMemory");
        }
    }

private:
    HANDLE process_;
    void* address_;
};

UniqueHandle openWindowProcess(HWND hwnd)
{
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    UniqueHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid));
    if (!process) {
        fail("OpenProcess " + std::to_string(pid));
    }
    return process;
}

LRESULT send(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(hwnd, msg, wParam, lParam, SMTO_ABORTIFHUNG, 5000, &result)) {
        fail("SendMessageTimeoutW " + std::to_string(msg));
    }
    return static_cast<LRESULT>(result);
}

constexpr size_t kFirstTextChars = 256;
constexpr size_t kMaxTextChars = 1 << 20;

// A structure and the text buffer it points to, both in the target process. The buffer grows
// while a text fills it, so texts of any length come back whole; it is reused between reads
// because each allocation is a round trip to the target.
class RemoteTextBuffer {
public:
    RemoteTextBuffer(HANDLE process, size_t headerSize) : process_(process), headerSize_(headerSize) { grow(); }

    const RemoteBuffer& buffer() const { return *buffer_; }

    // fill(remoteText, capacity) writes the structure at offset 0 and sends the message.
    template <typename Fill>
    std::wstring read(Fill fill)
    {
        for (;;) {
            const wchar_t nul = 0;
            buffer_->write(headerSize_, &nul, sizeof nul);
            fill(reinterpret_cast<wchar_t*>(buffer_->address() + headerSize_), static_cast<int>(capacity_));
            std::wstring text(capacity_, L'\0');
            buffer_->read(headerSize_, text.data(), capacity_ * sizeof(wchar_t));
            text.resize(wcsnlen(text.c_str(), capacity_));
            if (text.size() + 1 < capacity_ || capacity_ >= kMaxTextChars) {
                return text;
            }
            capacity_ *= 2;
            grow();
        }
    }

private:
    void grow()
    {
        buffer_.reset();
        buffer_.emplace(process_, headerSize_ + capacity_ * sizeof(wchar_t));
    }

    HANDLE process_;
    size_t headerSize_;
    size_t capacity_ = kFirstTextChars;
    std::optional<RemoteBuffer> buffer_;
};

void listViewColumns(JsonWriter& json, HWND listView, HANDLE process, int columnCount)
{
    RemoteTextBuffer remote(process, sizeof(LVCOLUMNW));
    json.key("columns").beginArray();
    for (int column = 0; column < columnCount; ++column) {
        LVCOLUMNW lvc{};
        const std::wstring heading = remote.read([&](wchar_t* remoteText, int capacity) {
            lvc = {};
            lvc.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
            lvc.pszText = remoteText;
            lvc.cchTextMax = capacity;
            remote.buffer().write(0, &lvc, sizeof lvc);
            if (!send(listView, LVM_GETCOLUMNW, column, reinterpret_cast<LPARAM>(remote.buffer().address()))) {
                fail("LVM_GETCOLUMNW " + std::to_string(column));
            }
            remote.buffer().read(0, &lvc, sizeof lvc);
        });
        json.beginObject()
            .field("text", heading)
            .field("width", lvc.cx)
            .field("fmt", lvc.fmt)
            .endObject();
    }
    json.endArray();
}

void listViewRows(JsonWriter& json, HWND listView, HANDLE process, int columnCount)
{
    RemoteTextBuffer remote(process, sizeof(LVITEMW));
    const int itemCount = static_cast<int>(send(listView, LVM_GETITEMCOUNT, 0, 0));
    json.key("rows").beginArray();
    for (int item = 0; item < itemCount; ++item) {
        json.beginObject().key("texts").beginArray();
        for (int subItem = 0; subItem < columnCount; ++subItem) {
            json.value(remote.read([&](wchar_t* remoteText, int capacity) {
                LVITEMW lvi{};
                lvi.iSubItem = subItem;
                lvi.pszText = remoteText;
                lvi.cchTextMax = capacity;
                remote.buffer().write(0, &lvi, sizeof lvi);
                send(listView, LVM_GETITEMTEXTW, item, reinterpret_cast<LPARAM>(remote.buffer().address()));
            }));
        }
        json.endArray();

        LVITEMW lvi{};
        lvi.mask = LVIF_PARAM;
        lvi.iItem = item;
        remote.buffer().write(0, &lvi, sizeof lvi);
        if (!send(listView, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(remote.buffer().address()))) {
            fail("LVM_GETITEMW " + std::to_string(item));
        }
        remote.buffer().read(0, &lvi, sizeof lvi);
        const auto state = send(listView, LVM_GETITEMSTATE, item, LVIS_SELECTED | LVIS_FOCUSED | LVIS_STATEIMAGEMASK);
        json.field("lParam", static_cast<long long>(lvi.lParam))
            .field("state", static_cast<unsigned long long>(state))
            .endObject();
    }
    json.endArray();
}

void listViewDetails(JsonWriter& json, HWND listView)
{
    UniqueHandle process = openWindowProcess(listView);
    const HWND header = reinterpret_cast<HWND>(send(listView, LVM_GETHEADER, 0, 0));
    const int headerColumns = header ? static_cast<int>(send(header, HDM_GETITEMCOUNT, 0, 0)) : 0;

    json.key("listView").beginObject()
        .field("extendedStyle", static_cast<unsigned long long>(send(listView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0)))
        .field("textColor", static_cast<unsigned long long>(send(listView, LVM_GETTEXTCOLOR, 0, 0)))
        .field("textBkColor", static_cast<unsigned long long>(send(listView, LVM_GETTEXTBKCOLOR, 0, 0)))
        .field("bkColor", static_cast<unsigned long long>(send(listView, LVM_GETBKCOLOR, 0, 0)))
        .field("topIndex", static_cast<long long>(send(listView, LVM_GETTOPINDEX, 0, 0)))
        .field("countPerPage", static_cast<long long>(send(listView, LVM_GETCOUNTPERPAGE, 0, 0)));
    listViewColumns(json, listView, process.get(), headerColumns);
    // Without columns (icon or list view) an item still has its own text.
    listViewRows(json, listView, process.get(), headerColumns > 0 ? headerColumns : 1);
    json.endObject();
}

struct ListMessages {
    UINT count, textLength, text, currentSelection;
};

// Combo box and list box texts are marshalled across processes by Windows and by Wine.
void stringListDetails(JsonWriter& json, HWND hwnd, std::string_view name, const ListMessages& m)
{
    const auto count = static_cast<int>(send(hwnd, m.count, 0, 0));
    json.key(name).beginObject()
        .field("currentSelection", static_cast<long long>(send(hwnd, m.currentSelection, 0, 0)))
        .key("items").beginArray();
    for (int i = 0; i < count; ++i) {
        const auto length = send(hwnd, m.textLength, i, 0);
        std::wstring text(length > 0 ? length + 1 : 1, L'\0');
        const auto copied = send(hwnd, m.text, i, reinterpret_cast<LPARAM>(text.data()));
        text.resize(copied > 0 ? copied : 0);
        json.value(text);
    }
    json.endArray().endObject();
}

void childDetails(JsonWriter& json, HWND child, const std::wstring& cls)
{
    if (_wcsicmp(cls.c_str(), WC_LISTVIEWW) == 0) {
        listViewDetails(json, child);
    } else if (_wcsicmp(cls.c_str(), WC_COMBOBOXW) == 0) {
        stringListDetails(json, child, "comboBox", {CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT, CB_GETCURSEL});
    } else if (_wcsicmp(cls.c_str(), WC_LISTBOXW) == 0) {
        stringListDetails(json, child, "listBox", {LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT, LB_GETCURSEL});
    }
}

void optionalText(JsonWriter& json, HWND hwnd)
{
    json.key("text");
    if (auto text = controlText(hwnd)) {
        json.value(*text);
    } else {
        json.null();
    }
}

void children(JsonWriter& json, HWND parent, int depth)
{
    json.key("children").beginArray();
    if (depth < 16) {
        for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(child, &r);
            MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
            const std::wstring cls = className(child);
            json.beginObject()
                .field("hwnd", child)
                .field("id", static_cast<long long>(GetWindowLongPtrW(child, GWLP_ID)))
                .field("class", cls)
                .field("style", static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_STYLE)))
                .field("exStyle", static_cast<unsigned long>(GetWindowLongPtrW(child, GWL_EXSTYLE)))
                .rect("rect", r);
            optionalText(json, child);
            json.field("enabled", IsWindowEnabled(child) != FALSE)
                .field("visible", IsWindowVisible(child) != FALSE);
            childDetails(json, child, cls);
            children(json, child, depth + 1);
            json.endObject();
        }
    }
    json.endArray();
}

void dump(JsonWriter& json, const Args& args)
{
    args.expectAtMost(1);
    const HWND hwnd = parseHwnd(args.at(0));
    if (!IsWindow(hwnd)) {
        throw Failure("no window " + toUtf8(args.at(0)));
    }
    DWORD pid = 0;
    const DWORD tid = GetWindowThreadProcessId(hwnd, &pid);
    RECT outer{};
    GetWindowRect(hwnd, &outer);
    json.beginObject()
        .field("hwnd", hwnd)
        .field("pid", pid)
        .field("tid", tid)
        .field("class", className(hwnd))
        .field("title", caption(hwnd))
        .field("style", static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_STYLE)))
        .field("exStyle", static_cast<unsigned long>(GetWindowLongPtrW(hwnd, GWL_EXSTYLE)))
        .rect("rect", outer)
        .rect("client", clientRectOnScreen(hwnd));
    optionalText(json, hwnd);
    json.field("enabled", IsWindowEnabled(hwnd) != FALSE)
        .field("visible", IsWindowVisible(hwnd) != FALSE)
        .field("iconic", IsIconic(hwnd) != FALSE)
        .field("zoomed", IsZoomed(hwnd) != FALSE)
        .field("owner", GetWindow(hwnd, GW_OWNER))
        .field("parent", GetAncestor(hwnd, GA_PARENT))
        .field("xwindow", xWindow(hwnd));
    children(json, hwnd, 0);
    json.endObject();
}

struct ListFilter {
    std::optional<DWORD> pid;
    std::optional<std::wstring> title;
    std::optional<std::wstring> cls;
    std::vector<HWND> found;
};

BOOL CALLBACK collectWindow(HWND hwnd, LPARAM lParam)
{
    auto& filter = *reinterpret_cast<ListFilter*>(lParam);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if ((!filter.pid || *filter.pid == pid) && (!filter.title || *filter.title == caption(hwnd))
        && (!filter.cls || *filter.cls == className(hwnd))) {
        filter.found.push_back(hwnd);
    }
    return TRUE;
}

void list(JsonWriter& json, const Args& args)
{
    args.expectAtMost(0);
    ListFilter filter;
    if (auto pid = args.option(L"--pid")) {
        filter.pid = static_cast<DWORD>(parseNumber(*pid));
    }
    filter.title = args.option(L"--title");
    filter.cls = args.option(L"--class");
    EnumWindows(collectWindow, reinterpret_cast<LPARAM>(&filter));
    json.beginArray();
    for (const HWND hwnd : filter.found) {
        windowSummary(json, hwnd);
    }
    json.endArray();
}

void foreground(JsonWriter& json, const Args& args)
{
    args.expectAtMost(1);
    const HWND fg = GetForegroundWindow();
    const HWND of = args.count() > 0 ? parseHwnd(args.at(0)) : fg;
    json.beginObject();
    optionalWindow(json, "foreground", fg);
    json.key("thread");
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    const DWORD tid = of ? GetWindowThreadProcessId(of, nullptr) : 0;
    if (tid && GetGUIThreadInfo(tid, &info)) {
        json.beginObject()
            .field("tid", tid)
            .field("flags", info.flags)
            .field("active", info.hwndActive)
            .field("focus", info.hwndFocus)
            .field("capture", info.hwndCapture)
            .field("caret", info.hwndCaret);
        optionalWindow(json, "focusWindow", info.hwndFocus);
        json.endObject();
    } else {
        json.null();
    }
    json.endObject();
}

struct MessageArgs {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

MessageArgs messageArgs(const Args& args)
{
    args.expectAtMost(4);
    return {parseHwnd(args.at(0)), static_cast<UINT>(parseNumber(args.at(1))),
            static_cast<WPARAM>(parseNumber(args.at(2))), static_cast<LPARAM>(parseNumber(args.at(3)))};
}

void postTimes(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam, long long count, DWORD intervalMs)
{
    for (long long i = 0; i < count; ++i) {
        // A full queue refuses posts; wait for the target to catch up rather than drop one.
        for (int attempt = 0; !PostMessageW(hwnd, msg, wParam, lParam); ++attempt) {
            if (attempt == 1000) {
                fail("PostMessageW");
            }
            Sleep(5);
        }
        if (intervalMs) {
            Sleep(intervalMs);
        }
    }
}

DWORD intervalOption(const Args& args)
{
    const auto interval = args.option(L"--interval-ms");
    return interval ? static_cast<DWORD>(parseNumber(*interval)) : 0;
}

void post(JsonWriter& json, const Args& args)
{
    const MessageArgs m = messageArgs(args);
    const auto count = args.option(L"--count");
    const long long times = count ? parseNumber(*count) : 1;
    postTimes(m.hwnd, m.msg, m.wParam, m.lParam, times, intervalOption(args));
    json.beginObject().field("posted", times).endObject();
}

void postFile(JsonWriter& json, const Args& args)
{
    args.expectAtMost(2);
    const HWND hwnd = parseHwnd(args.at(0));
    UniqueHandle file(nullIfInvalid(CreateFileW(args.at(1).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                OPEN_EXISTING, 0, nullptr)));
    if (!file) {
        fail("CreateFileW " + toUtf8(args.at(1)));
    }
    std::string text;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read) {
        text.append(buffer, read);
    }
    const DWORD interval = intervalOption(args);
    long long posted = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            end = text.size();
        }
        const std::wstring line(text.begin() + static_cast<std::ptrdiff_t>(start),
                                text.begin() + static_cast<std::ptrdiff_t>(end));
        start = end + 1;
        std::vector<std::wstring> fields;
        for (std::size_t at = 0; at < line.size();) {
            const std::size_t next = line.find_first_of(L" \t\r", at);
            if (next != at) {
                fields.push_back(line.substr(at, next == std::wstring::npos ? std::wstring::npos : next - at));
            }
            at = next == std::wstring::npos ? line.size() : next + 1;
        }
        if (fields.empty()) {
            continue;
        }
        if (fields.size() != 3) {
            throw UsageError("postfile lines are MSG WPARAM LPARAM");
        }
        postTimes(hwnd, static_cast<UINT>(parseNumber(fields[0])), static_cast<WPARAM>(parseNumber(fields[1])),
                  static_cast<LPARAM>(parseNumber(fields[2])), 1, interval);
        ++posted;
    }
    json.beginObject().field("posted", posted).endObject();
}

void setText(JsonWriter& json, const Args& args)
{
    args.expectAtMost(2);
    const HWND hwnd = parseHwnd(args.at(0));
    DWORD_PTR result = 0;
    bool ok = false;
    if (const auto hexOption = args.option(L"--bytes")) {
        const std::wstring& hex = *hexOption;
        std::string bytes;
        for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
            bytes += static_cast<char>(std::stoi(std::wstring(hex.substr(i, 2)), nullptr, 16));
        }
        ok = SendMessageTimeoutA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bytes.c_str()), SMTO_ABORTIFHUNG, 5000,
                                 &result);
    } else {
        ok = SendMessageTimeoutW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args.at(1).c_str()), SMTO_ABORTIFHUNG,
                                 5000, &result);
    }
    json.beginObject().field("ok", ok).field("result", static_cast<long long>(static_cast<LRESULT>(result))).endObject();
}

void sendCommand(JsonWriter& json, const Args& args)
{
    const MessageArgs m = messageArgs(args);
    const auto timeout = args.option(L"--timeout");
    DWORD_PTR result = 0;
    SetLastError(0);
    const bool ok = SendMessageTimeoutW(m.hwnd, m.msg, m.wParam, m.lParam, SMTO_ABORTIFHUNG,
                                        timeout ? static_cast<UINT>(parseNumber(*timeout)) : 2000, &result);
    const DWORD error = GetLastError();
    json.beginObject()
        .field("ok", ok)
        .field("result", static_cast<long long>(static_cast<LRESULT>(result)))
        .field("error", error)
        .endObject();
}

double fileTimeMs(const FILETIME& ft)
{
    return (static_cast<unsigned long long>(ft.dwHighDateTime) << 32 | ft.dwLowDateTime) / 10000.0;
}

// A count of 0 with an error set means "unknown" (Wine does not count them), not "none".
void guiResources(JsonWriter& json, std::string_view name, HANDLE process, DWORD which)
{
    SetLastError(0);
    const DWORD count = GetGuiResources(process, which);
    json.key(name);
    if (count == 0 && GetLastError() != 0) {
        json.null();
    } else {
        json.value(count);
    }
}

void proc(JsonWriter& json, const Args& args)
{
    args.expectAtMost(1);
    const DWORD pid = static_cast<DWORD>(parseNumber(args.at(0)));
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE, pid));
    if (!process) {
        fail("OpenProcess " + std::to_string(pid));
    }
    if (const auto wait = args.option(L"--wait")) {
        WaitForSingleObject(process.get(), static_cast<DWORD>(parseNumber(*wait)));
    }
    json.beginObject().field("pid", pid);
    guiResources(json, "gdiObjects", process.get(), GR_GDIOBJECTS);
    guiResources(json, "userObjects", process.get(), GR_USEROBJECTS);

    json.key("handles");
    DWORD handles = 0;
    if (GetProcessHandleCount(process.get(), &handles)) {
        json.value(handles);
    } else {
        json.null();
    }

    PROCESS_MEMORY_COUNTERS_EX memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        json.field("workingSet", static_cast<unsigned long long>(memory.WorkingSetSize))
            .field("peakWorkingSet", static_cast<unsigned long long>(memory.PeakWorkingSetSize))
            .field("privateBytes", static_cast<unsigned long long>(memory.PrivateUsage));
    } else {
        json.field("workingSet", nullptr).field("peakWorkingSet", nullptr).field("privateBytes", nullptr);
    }

    FILETIME created{}, exited{}, kernel{}, user{};
    if (GetProcessTimes(process.get(), &created, &exited, &kernel, &user)) {
        json.field("userMs", fileTimeMs(user)).field("kernelMs", fileTimeMs(kernel));
    } else {
        json.field("userMs", nullptr).field("kernelMs", nullptr);
    }

    DWORD exitCode = 0;
    const bool known = GetExitCodeProcess(process.get(), &exitCode);
    json.field("running", known && exitCode == STILL_ACTIVE).key("exitCode");
    if (known && exitCode != STILL_ACTIVE) {
        json.value(exitCode);
    } else {
        json.null();
    }
    json.endObject();
}

// Reads a process's memory up to the end of a double-NUL-terminated block, page by page,
// so an environment that ends near unmapped memory is still read.
std::wstring readEnvironmentBlock(HANDLE process, const char* address)
{
    constexpr size_t kPage = 4096;
    std::wstring block;
    for (const char* at = address; block.size() < kMaxTextChars;) {
        const size_t chunk = kPage - reinterpret_cast<UINT_PTR>(at) % kPage;
        std::wstring piece(chunk / sizeof(wchar_t), L'\0');
        SIZE_T got = 0;
        if (!ReadProcessMemory(process, at, piece.data(), piece.size() * sizeof(wchar_t), &got) || got == 0) {
            break;
        }
        block.append(piece, 0, got / sizeof(wchar_t));
        if (block.find(std::wstring_view(L"\0\0", 2)) != std::wstring::npos) {
            break;
        }
        at += got;
    }
    return block;
}

struct ProcessStrings {
    std::optional<std::wstring> commandLine;
    std::optional<std::wstring> environment;
};

// The command line and environment live in the target's RTL_USER_PROCESS_PARAMETERS, reached
// through its PEB; the environment pointer follows the command line in that structure.
ProcessStrings processStrings(DWORD pid)
{
    ProcessStrings out;
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid));
    if (!process) {
        return out;
    }
    PROCESS_BASIC_INFORMATION basic{};
    if (NtQueryInformationProcess(process.get(), ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0
        || !basic.PebBaseAddress) {
        return out;
    }
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    void* environment = nullptr;
    if (!ReadProcessMemory(process.get(), basic.PebBaseAddress, &peb, sizeof peb, nullptr)
        || !ReadProcessMemory(process.get(), peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
        return out;
    }
    std::wstring commandLine(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (ReadProcessMemory(process.get(), parameters.CommandLine.Buffer, commandLine.data(),
                          parameters.CommandLine.Length, nullptr)) {
        out.commandLine = commandLine;
    }
    const char* remoteParameters = reinterpret_cast<const char*>(peb.ProcessParameters);
    constexpr size_t kEnvironmentOffset = offsetof(RTL_USER_PROCESS_PARAMETERS, CommandLine) + sizeof(UNICODE_STRING);
    if (ReadProcessMemory(process.get(), remoteParameters + kEnvironmentOffset,
                          &environment, sizeof environment, nullptr)
        && environment) {
        out.environment = readEnvironmentBlock(process.get(), static_cast<const char*>(environment));
    }
    return out;
}

std::optional<std::wstring> environmentValue(const std::wstring& block, const std::wstring& name)
{
    for (size_t at = 0; at < block.size();) {
        const size_t end = block.find(L'\0', at);
        const std::wstring_view entry(block.data() + at, (end == std::wstring::npos ? block.size() : end) - at);
        if (entry.empty()) {
            break;
        }
        if (entry.size() > name.size() && entry[name.size()] == L'='
            && CompareStringOrdinal(entry.data(), static_cast<int>(name.size()), name.c_str(),
                                    static_cast<int>(name.size()), TRUE) == CSTR_EQUAL) {
            return std::wstring(entry.substr(name.size() + 1));
        }
        if (end == std::wstring::npos) {
            break;
        }
        at = end + 1;
    }
    return std::nullopt;
}

void procs(JsonWriter& json, const Args& args)
{
    args.expectAtMost(0);
    const auto envName = args.option(L"--env");
    UniqueHandle snapshot(nullIfInvalid(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0)));
    if (!snapshot) {
        fail("CreateToolhelp32Snapshot");
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    json.beginArray();
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        const ProcessStrings strings = processStrings(entry.th32ProcessID);
        json.beginObject()
            .field("pid", entry.th32ProcessID)
            .field("parentPid", entry.th32ParentProcessID)
            .field("exe", std::wstring(entry.szExeFile))
            .field("threads", entry.cntThreads)
            .key("commandLine");
        if (strings.commandLine) {
            json.value(*strings.commandLine);
        } else {
            json.null();
        }
        if (envName) {
            const auto value = strings.environment ? environmentValue(*strings.environment, *envName) : std::nullopt;
            json.key("env");
            if (value) {
                json.value(*value);
            } else {
                json.null();
            }
        }
        json.endObject();
    }
    json.endArray();
}

void systemInfo(JsonWriter& json, const Args& args)
{
    args.expectAtMost(0);
    wchar_t locale[LOCALE_NAME_MAX_LENGTH] = L"";
    GetUserDefaultLocaleName(locale, LOCALE_NAME_MAX_LENGTH);
    json.beginObject()
        .field("acp", GetACP())
        .field("oemcp", GetOEMCP())
        .field("userLocale", std::wstring(locale))
        .field("screenWidth", GetSystemMetrics(SM_CXSCREEN))
        .field("screenHeight", GetSystemMetrics(SM_CYSCREEN))
        .endObject();
}

void cursor(JsonWriter& json, const Args& args)
{
    args.expectAtMost(0);
    POINT p{};
    if (!GetCursorPos(&p)) {
        fail("GetCursorPos");
    }
    json.beginObject().field("x", p.x).field("y", p.y).endObject();
}

void pixel(JsonWriter& json, const Args& args)
{
    args.expectAtMost(2);
    const int x = static_cast<int>(parseNumber(args.at(0)));
    const int y = static_cast<int>(parseNumber(args.at(1)));
    const HDC screen = GetDC(nullptr);
    if (!screen) {
        fail("GetDC");
    }
    const COLORREF colour = GetPixel(screen, x, y);
    ReleaseDC(nullptr, screen);
    if (colour == CLR_INVALID) {
        throw Failure("GetPixel gave CLR_INVALID at " + std::to_string(x) + "," + std::to_string(y));
    }
    json.beginObject()
        .field("x", x)
        .field("y", y)
        .field("r", GetRValue(colour))
        .field("g", GetGValue(colour))
        .field("b", GetBValue(colour))
        .endObject();
}

// One node of the raw VS_VERSIONINFO tree: WORD length, WORD valueLength, WORD type,
// NUL-terminated key, padding to 32 bits, value, padding, children.
struct VersionNode {
    std::wstring key;
    const BYTE* value;
    const BYTE* valueEnd;
    const BYTE* childrenBegin;
    const BYTE* end;
    WORD valueLength;
};

const BYTE* alignDword(const BYTE* p, const BYTE* base)
{
    return base + ((p - base + 3) & ~static_cast<ptrdiff_t>(3));
}

VersionNode readVersionNode(const BYTE* at, const BYTE* limit, const BYTE* base)
{
    if (limit - at < 6) {
        throw Failure("version record cut short");
    }
    WORD words[3];
    memcpy(words, at, sizeof words);
    const BYTE* end = at + words[0];
    if (words[0] < 6 || end > limit) {
        throw Failure("version node length out of range");
    }
    VersionNode node{};
    node.valueLength = words[1];
    const BYTE* keyAt = at + 6;
    while (keyAt + 1 < end) {
        wchar_t c;
        memcpy(&c, keyAt, sizeof c);
        keyAt += 2;
        if (c == 0) {
            break;
        }
        node.key += c;
    }
    node.value = std::min(alignDword(keyAt, base), end);
    // Text values count characters and binary ones bytes; the children start after either.
    const size_t valueBytes = words[2] == 1 ? words[1] * sizeof(wchar_t) : words[1];
    node.valueEnd = std::min(node.value + valueBytes, end);
    node.childrenBegin = std::min(alignDword(node.valueEnd, base), end);
    node.end = end;
    return node;
}

template <typename Visit>
void forEachChild(const VersionNode& parent, const BYTE* base, Visit visit)
{
    for (const BYTE* at = parent.childrenBegin; at + 6 <= parent.end;) {
        const VersionNode child = readVersionNode(at, parent.end, base);
        visit(child);
        at = alignDword(child.end, base);
    }
}

std::string versionText(DWORD ms, DWORD ls)
{
    return std::to_string(HIWORD(ms)) + "." + std::to_string(LOWORD(ms)) + "." + std::to_string(HIWORD(ls))
        + "." + std::to_string(LOWORD(ls));
}

void fixedFileInfo(JsonWriter& json, const VS_FIXEDFILEINFO& f)
{
    json.key("fixed").beginObject()
        .field("signature", f.dwSignature)
        .field("strucVersion", f.dwStrucVersion)
        .field("fileVersion", versionText(f.dwFileVersionMS, f.dwFileVersionLS))
        .field("fileVersionMS", f.dwFileVersionMS)
        .field("fileVersionLS", f.dwFileVersionLS)
        .field("productVersion", versionText(f.dwProductVersionMS, f.dwProductVersionLS))
        .field("productVersionMS", f.dwProductVersionMS)
        .field("productVersionLS", f.dwProductVersionLS)
        .field("fileFlagsMask", f.dwFileFlagsMask)
        .field("fileFlags", f.dwFileFlags)
        .field("fileOS", f.dwFileOS)
        .field("fileType", f.dwFileType)
        .field("fileSubtype", f.dwFileSubtype)
        .field("fileDateMS", f.dwFileDateMS)
        .field("fileDateLS", f.dwFileDateLS)
        .endObject();
}

void stringTables(JsonWriter& json, const VersionNode& stringFileInfo, const BYTE* base)
{
    forEachChild(stringFileInfo, base, [&](const VersionNode& table) {
        json.beginObject().field("key", table.key).key("strings").beginArray();
        forEachChild(table, base, [&](const VersionNode& entry) {
            std::wstring value(reinterpret_cast<const wchar_t*>(entry.value),
                               (entry.end - entry.value) / sizeof(wchar_t));
            value.resize(wcsnlen(value.c_str(), value.size()));
            json.beginArray().value(entry.key).value(value).endArray();
        });
        json.endArray().endObject();
    });
}

void version(JsonWriter& json, const Args& args)
{
    args.expectAtMost(1);
    const std::wstring& path = args.at(0);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
    if (size == 0) {
        fail("GetFileVersionInfoSizeW");
    }
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(path.c_str(), 0, size, data.data())) {
        fail("GetFileVersionInfoW");
    }
    json.beginObject();

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize)
        && fixedSize >= sizeof *fixed) {
        fixedFileInfo(json, *fixed);
    } else {
        json.field("fixed", nullptr);
    }

    json.key("translations").beginArray();
    WORD* pairs = nullptr;
    UINT pairsSize = 0;
    if (VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&pairs), &pairsSize)) {
        for (UINT i = 0; i + 1 < pairsSize / sizeof(WORD); i += 2) {
            json.beginObject().field("language", pairs[i]).field("codepage", pairs[i + 1]).endObject();
        }
    }
    json.endArray();

    // VerQueryValueW answers one name at a time; the stored order needs the raw tree.
    const BYTE* base = data.data();
    const VersionNode root = readVersionNode(base, base + size, base);
    json.field("rootKey", root.key).key("stringTables").beginArray();
    forEachChild(root, base, [&](const VersionNode& block) {
        if (block.key == L"StringFileInfo") {
            stringTables(json, block, base);
        }
    });
    json.endArray().endObject();
}

#pragma pack(push, 1)
struct GroupIconHeader {
    WORD reserved, type, count;
};
struct GroupIconEntry {
    BYTE width, height, colorCount, reserved;
    WORD planes, bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

std::wstring resourceName(LPCWSTR name)
{
    return IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<UINT_PTR>(name)) : std::wstring(name);
}

std::pair<const BYTE*, DWORD> resourceBytes(HMODULE module, LPCWSTR name, LPCWSTR type)
{
    const HRSRC found = FindResourceW(module, name, type);
    if (!found) {
        return {nullptr, 0};
    }
    const HGLOBAL loaded = LoadResource(module, found);
    return {static_cast<const BYTE*>(LockResource(loaded)), SizeofResource(module, found)};
}

DWORD bigEndian(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// What the RT_ICON image itself says, to compare with its group entry.
void iconImage(JsonWriter& json, HMODULE module, WORD id)
{
    const auto [bytes, size] = resourceBytes(module, MAKEINTRESOURCEW(id), RT_ICON);
    json.key("image");
    if (!bytes) {
        json.null();
        return;
    }
    static constexpr BYTE kPng[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    json.beginObject().field("bytes", size);
    if (size >= 24 && memcmp(bytes, kPng, sizeof kPng) == 0) {
        json.field("format", "png").field("width", bigEndian(bytes + 16)).field("height", bigEndian(bytes + 20));
    } else if (size >= sizeof(BITMAPINFOHEADER)) {
        BITMAPINFOHEADER info;
        memcpy(&info, bytes, sizeof info);
        // The height covers the colour image and the AND mask stacked.
        json.field("format", "bmp").field("width", info.biWidth).field("height", info.biHeight / 2)
            .field("bitCount", info.biBitCount);
    }
    json.endObject();
}

void iconGroup(JsonWriter& json, HMODULE module, LPCWSTR name)
{
    const auto [bytes, size] = resourceBytes(module, name, RT_GROUP_ICON);
    if (!bytes || size < sizeof(GroupIconHeader)) {
        throw Failure("no icon group " + toUtf8(resourceName(name)));
    }
    GroupIconHeader header;
    memcpy(&header, bytes, sizeof header);
    json.beginObject().field("name", resourceName(name)).key("entries").beginArray();
    for (WORD i = 0; i < header.count && sizeof header + (i + 1) * sizeof(GroupIconEntry) <= size; ++i) {
        GroupIconEntry entry;
        memcpy(&entry, bytes + sizeof header + i * sizeof entry, sizeof entry);
        json.beginObject()
            .field("width", entry.width)
            .field("height", entry.height)
            .field("colorCount", entry.colorCount)
            .field("planes", entry.planes)
            .field("bitCount", entry.bitCount)
            .field("bytes", entry.bytesInRes)
            .field("id", entry.id);
        iconImage(json, module, entry.id);
        json.endObject();
    }
    json.endArray().endObject();
}

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR lParam)
{
    reinterpret_cast<std::vector<std::wstring>*>(lParam)->push_back(resourceName(name));
    return TRUE;
}

LPCWSTR asResourceName(const std::wstring& name)
{
    std::wstring_view digits = name;
    if (!digits.empty() && digits.front() == L'#') {
        digits.remove_prefix(1);
    }
    if (!digits.empty() && digits.find_first_not_of(L"0123456789") == std::wstring_view::npos) {
        return MAKEINTRESOURCEW(static_cast<WORD>(parseNumber(std::wstring(digits))));
    }
    return name.c_str();
}

void icons(JsonWriter& json, const Args& args)
{
    args.expectAtMost(2);
    const std::wstring& path = args.at(0);
    UniqueModule module(
        LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module) {
        fail("LoadLibraryExW " + toUtf8(path));
    }
    std::vector<std::wstring> names;
    if (args.count() > 1) {
        names.push_back(args.at(1));
    } else {
        EnumResourceNamesW(module.get(), RT_GROUP_ICON, collectName, reinterpret_cast<LONG_PTR>(&names));
    }
    json.beginArray();
    for (const auto& name : names) {
        iconGroup(json, module.get(), asResourceName(name));
    }
    json.endArray();
}

struct Command {
    std::wstring_view name;
    void (*run)(JsonWriter&, const Args&);
    std::vector<std::wstring_view> options;
};

const Command kCommands[] = {
    {L"list", list, {L"--pid", L"--title", L"--class"}},
    {L"dump", dump, {}},
    {L"foreground", foreground, {}},
    {L"post", post, {L"--count", L"--interval-ms"}},
    {L"postfile", postFile, {L"--interval-ms"}},
    {L"settext", setText, {L"--bytes"}},
    {L"send", sendCommand, {L"--timeout"}},
    {L"proc", proc, {L"--wait"}},
    {L"procs", procs, {L"--env"}},
    {L"system", systemInfo, {}},
    {L"cursor", cursor, {}},
    {L"pixel", pixel, {}},
    {L"version", version, {}},
    {L"icons", icons, {}},
};

bool writeFile(const std::wstring& path, const std::string& text)
{
    UniqueHandle file(nullIfInvalid(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                                FILE_ATTRIBUTE_NORMAL, nullptr)));
    if (!file) {
        return false;
    }
    DWORD written = 0;
    return WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr)
        && written == text.size();
}

} // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> words(argv + 1, argv + argc);
    if (words.size() < 3 || words[0] != L"--out") {
        return 2;
    }
    const std::wstring out = words[1];
    const std::wstring name = words[2];
    words.erase(words.begin(), words.begin() + 3);

    JsonWriter json;
    int code = 0;
    try {
        const Command* command = nullptr;
        for (const auto& c : kCommands) {
            if (c.name == name) {
                command = &c;
            }
        }
        if (!command) {
            throw UsageError("unknown command " + toUtf8(name));
        }
        command->run(json, Args(std::move(words), command->options));
    } catch (const UsageError& e) {
        json = JsonWriter();
        json.beginObject().field("error", e.what()).field("usage", true).endObject();
        code = 2;
    } catch (const std::exception& e) {
        json = JsonWriter();
        json.beginObject().field("error", e.what()).endObject();
        code = 1;
    }
    return writeFile(out, json.str() + "\n") ? code : 1;
}
