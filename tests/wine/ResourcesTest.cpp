// The resources as Windows hands them to the running exe: this test links the same resource
// object as quorvel.exe and reads it back through the loader, user32, gdi32 and version.dll.
#ifndef UNICODE
#define UNICODE  // RT_ICON and friends as wide names
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "resource_ids.h"

// The program and outside tools name the hand cursor by this number.
static_assert(QUORVEL_HAND_CURSOR_ID == 1032);

namespace {

template <typename Handle, auto Close>
class Unique {
public:
    explicit Unique(Handle handle = nullptr) : handle_(handle) {}
    ~Unique() {
        if (handle_) Close(handle_);
    }
    Unique(const Unique&) = delete;
    Unique& operator=(const Unique&) = delete;
    Handle get() const { return handle_; }
    Handle* put() { return &handle_; }

private:
    Handle handle_;
};

using UniqueIcon = Unique<HICON, DestroyIcon>;
using UniqueBitmap = Unique<HBITMAP, DeleteObject>;
using UniqueDc = Unique<HDC, DeleteDC>;
using UniqueActCtx = Unique<HANDLE, ReleaseActCtx>;

// GetIconInfo hands out two bitmaps that the caller must delete.
struct IconBitmaps {
    explicit IconBitmaps(HICON icon) {
        ICONINFO info{};
        ok = GetIconInfo(icon, &info);
        isIcon = info.fIcon;
        hotSpot = {static_cast<LONG>(info.xHotspot), static_cast<LONG>(info.yHotspot)};
        *mask.put() = info.hbmMask;
        *colour.put() = info.hbmColor;
    }
    BOOL ok = FALSE;
    BOOL isIcon = FALSE;
    POINT hotSpot{};
    UniqueBitmap mask;
    UniqueBitmap colour;
};

SIZE bitmapSize(HBITMAP bitmap) {
    BITMAP info{};
    GetObjectW(bitmap, sizeof info, &info);
    return {info.bmWidth, info.bmHeight};
}

std::wstring modulePath() {
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return path;
}

std::vector<BYTE> resourceBytes(LPCWSTR name, LPCWSTR type) {
    HRSRC found = FindResourceW(nullptr, name, type);
    if (!found) return {};
    auto* data = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    return {data, data + SizeofResource(nullptr, found)};
}

BOOL CALLBACK collectLanguage(HMODULE, LPCWSTR, LPCWSTR, WORD language, LONG_PTR found) {
    reinterpret_cast<std::vector<WORD>*>(found)->push_back(language);
    return TRUE;
}

std::vector<WORD> resourceLanguages(LPCWSTR type, LPCWSTR name) {
    std::vector<WORD> languages;
    EnumResourceLanguagesW(nullptr, type, name, collectLanguage, reinterpret_cast<LONG_PTR>(&languages));
    return languages;
}

// ------------------------------------------------------------------------------ hand cursor

// One bit per pixel of a monochrome cursor's mask: rows 0-31 are the AND mask, 32-63 the XOR mask.
std::vector<bool> monochromeBits(HBITMAP mask, int width, int height) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[2];
    } info{};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height;
    info.header.biPlanes = 1;
    info.header.biBitCount = 1;
    const int stride = (width + 31) / 32 * 4;
    std::vector<BYTE> raw(stride * height);
    UniqueDc dc(CreateCompatibleDC(nullptr));
    if (GetDIBits(dc.get(), mask, 0, height, raw.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) != height)
        return {};
    std::vector<bool> bits(width * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) bits[y * width + x] = raw[y * stride + x / 8] & (0x80 >> (x % 8));
    return bits;
}

TEST(HandCursor, LoadsAsMonochrome32x32WithHotSpotAtTheFingerTip) {
    HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(QUORVEL_HAND_CURSOR_ID));
    ASSERT_NE(cursor, nullptr);
    IconBitmaps bitmaps(cursor);
    ASSERT_TRUE(bitmaps.ok);
    EXPECT_FALSE(bitmaps.isIcon);
    EXPECT_EQ(bitmaps.hotSpot.x, 6);
    EXPECT_EQ(bitmaps.hotSpot.y, 1);
    EXPECT_EQ(bitmaps.colour.get(), nullptr) << "a colour cursor";
    ASSERT_NE(bitmaps.mask.get(), nullptr);
    SIZE maskSize = bitmapSize(bitmaps.mask.get());
    EXPECT_EQ(maskSize.cx, 32);
    EXPECT_EQ(maskSize.cy, 64);
}

TEST(HandCursor, IsBlackOutlineAroundWhiteFill) {
    HCURSOR cursor = LoadCursorW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(QUORVEL_HAND_CURSOR_ID));
    ASSERT_NE(cursor, nullptr);
    IconBitmaps bitmaps(cursor);
    std::vector<bool> bits = monochromeBits(bitmaps.mask.get(), 32, 64);
    ASSERT_EQ(bits.size(), 32u * 64u);
    enum Kind { Clear, Black, White, Inverted };
    auto kind = [&](int x, int y) {
        if (x < 0 || y < 0 || x >= 32 || y >= 32) return Clear;
        bool andBit = bits[y * 32 + x];
        bool xorBit = bits[(y + 32) * 32 + x];
        return andBit ? (xorBit ? Inverted : Clear) : (xorBit ? White : Black);
    };
    int black = 0;
    int white = 0;
    int topRow = 32;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            Kind k = kind(x, y);
            EXPECT_NE(k, Inverted) << "at " << x << "," << y;
            if (k != Clear && y < topRow) topRow = y;
            black += k == Black;
            white += k == White;
            if (k != White) continue;
            for (auto [dx, dy] : {std::pair{-1, 0}, {1, 0}, {0, -1}, {0, 1}})
                EXPECT_NE(kind(x + dx, y + dy), Clear) << "white touches the background at " << x << "," << y;
        }
    }
    EXPECT_GT(black, 40);
    EXPECT_GT(white, 100);
    // The finger points up: the hot spot is on the topmost drawn row, on the outline.
    EXPECT_EQ(topRow, 1);
    EXPECT_EQ(kind(6, 1), Black);
    EXPECT_EQ(kind(6, 0), Clear);
    EXPECT_EQ(kind(6, 3), White) << "the finger below its tip";
}

// ------------------------------------------------------------------------------ icon

#pragma pack(push, 2)
struct GroupIconHeader {
    WORD reserved;
    WORD type;
    WORD count;
};
struct GroupIconEntry {
    BYTE width;
    BYTE height;
    BYTE colourCount;
    BYTE reserved;
    WORD planes;
    WORD bitCount;
    DWORD bytesInRes;
    WORD id;
};
#pragma pack(pop)

struct IconImage {
    int size;
    int colourCount;
    int bits;
};

// The order matters to old loaders that take the first fit.
constexpr IconImage kIconImages[] = {
    {32, 2, 1}, {48, 16, 4}, {48, 0, 8}, {32, 0, 8}, {16, 0, 8}, {128, 0, 32}, {48, 0, 32}, {32, 0, 32}, {16, 0, 32},
};

std::vector<GroupIconEntry> iconGroup() {
    std::vector<BYTE> group = resourceBytes(L"DEFAULT_ICON", RT_GROUP_ICON);
    if (group.size() < sizeof(GroupIconHeader)) return {};
    GroupIconHeader header;
    std::memcpy(&header, group.data(), sizeof header);
    if (header.type != 1 || group.size() != sizeof header + header.count * sizeof(GroupIconEntry)) return {};
    std::vector<GroupIconEntry> entries(header.count);
    std::memcpy(entries.data(), group.data() + sizeof header, header.count * sizeof(GroupIconEntry));
    return entries;
}

TEST(DefaultIcon, GroupIsLanguageNeutral) {
    EXPECT_EQ(resourceLanguages(RT_GROUP_ICON, L"DEFAULT_ICON"), std::vector<WORD>{MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL)});
    UniqueIcon icon(static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), L"DEFAULT_ICON", IMAGE_ICON, 16, 16, 0)));
    EXPECT_NE(icon.get(), nullptr);
}

TEST(DefaultIcon, DirectoryListsTheNineImagesInOrder) {
    std::vector<GroupIconEntry> entries = iconGroup();
    ASSERT_EQ(entries.size(), std::size(kIconImages));
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(testing::Message() << "image " << i);
        const GroupIconEntry& entry = entries[i];
        const IconImage& expected = kIconImages[i];
        EXPECT_EQ(entry.width, expected.size);
        EXPECT_EQ(entry.height, expected.size);
        EXPECT_EQ(entry.colourCount, expected.colourCount);
        EXPECT_EQ(entry.reserved, 0);
        EXPECT_EQ(entry.planes, 1);
        EXPECT_EQ(entry.bitCount, expected.bits);
        HRSRC image = FindResourceW(nullptr, MAKEINTRESOURCEW(entry.id), RT_ICON);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(SizeofResource(nullptr, image), entry.bytesInRes);
    }
}

// An icon drawn over black and over white tells each pixel's coverage and colour.
struct Pixel {
    int alpha;  // 0 = background, 255 = the icon's own colour; above 255 = the screen inverted
    int grey;   // the icon's own colour (green channel), meaningful where alpha > 0
};

std::vector<uint32_t> drawOver(HICON icon, int size, uint32_t background) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    UniqueDc dc(CreateCompatibleDC(nullptr));
    UniqueBitmap canvas(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!canvas.get()) return {};
    HGDIOBJ previous = SelectObject(dc.get(), canvas.get());
    auto* pixels = static_cast<uint32_t*>(bits);
    std::fill(pixels, pixels + size * size, background);
    GdiFlush();
    DrawIconEx(dc.get(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
    GdiFlush();
    std::vector<uint32_t> result(pixels, pixels + size * size);
    SelectObject(dc.get(), previous);
    return result;
}

std::vector<Pixel> coverage(HICON icon, int size) {
    std::vector<uint32_t> onBlack = drawOver(icon, size, 0x000000);
    std::vector<uint32_t> onWhite = drawOver(icon, size, 0xFFFFFF);
    if (onBlack.size() != static_cast<size_t>(size * size) || onWhite.size() != onBlack.size()) return {};
    std::vector<Pixel> result(onBlack.size());
    for (size_t i = 0; i < result.size(); ++i) {
        int black = (onBlack[i] >> 8) & 0xFF;
        int white = (onWhite[i] >> 8) & 0xFF;
        int alpha = 255 - (white - black);
        result[i] = {alpha, alpha > 0 ? std::min(255, black * 255 / std::min(alpha, 255)) : 0};
    }
    return result;
}

TEST(DefaultIcon, EveryImageLoadsAtItsSizeAndShowsAWhiteMouseWithDarkOutline) {
    std::vector<GroupIconEntry> entries = iconGroup();
    ASSERT_EQ(entries.size(), std::size(kIconImages));
    for (const GroupIconEntry& entry : entries) {
        const int size = entry.width ? entry.width : 256;
        SCOPED_TRACE(testing::Message() << size << "x" << size << ", " << entry.bitCount << " bits");
        std::vector<BYTE> data = resourceBytes(MAKEINTRESOURCEW(entry.id), RT_ICON);
        ASSERT_FALSE(data.empty());
        UniqueIcon icon(CreateIconFromResourceEx(data.data(), data.size(), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR));
        ASSERT_NE(icon.get(), nullptr);

        IconBitmaps bitmaps(icon.get());
        ASSERT_TRUE(bitmaps.ok);
        if (entry.bitCount == 1) {
            EXPECT_EQ(bitmaps.colour.get(), nullptr);
            SIZE mask = bitmapSize(bitmaps.mask.get());
            EXPECT_EQ(mask.cx, size);
            EXPECT_EQ(mask.cy, 2 * size);
        } else {
            ASSERT_NE(bitmaps.colour.get(), nullptr);
            SIZE colour = bitmapSize(bitmaps.colour.get());
            EXPECT_EQ(colour.cx, size);
            EXPECT_EQ(colour.cy, size);
        }

        std::vector<Pixel> pixels = coverage(icon.get(), size);
        ASSERT_EQ(pixels.size(), static_cast<size_t>(size * size));
        auto at = [&](int x, int y) { return pixels[y * size + x]; };
        int inverted = 0;
        int partial = 0;
        int topHalf = 0;
        int bottomHalf = 0;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                int alpha = at(x, y).alpha;
                inverted += alpha > 258;
                partial += alpha > 3 && alpha < 252;
                (y < size / 2 ? topHalf : bottomHalf) += alpha >= 128;
            }
        }
        EXPECT_EQ(inverted, 0);
        // Only the 32-bit images smooth their edges; the others have a one-bit mask.
        if (entry.bitCount == 32)
            EXPECT_GT(partial, size / 2);
        else
            EXPECT_EQ(partial, 0);
        for (auto [x, y] : {std::pair{0, 0}, {size - 1, size - 1}, {0, size - 1}})
            EXPECT_LE(at(x, y).alpha, 3) << "corner " << x << "," << y;
        // The body sits low with only the cable above it: an upside-down image fails here.
        EXPECT_GT(bottomHalf, topHalf);

        // Across the lower body: the outline comes first, then the white.
        const int row = size * 4 / 5;
        int first = 0;
        while (first < size && at(first, row).alpha < 128) ++first;
        int last = size - 1;
        while (last > first && at(last, row).alpha < 128) --last;
        ASSERT_LT(first, last);
        EXPECT_LT(at(first, row).grey, 100) << "outline at x=" << first;
        EXPECT_LT(at(last, row).grey, 100) << "outline at x=" << last;
        EXPECT_GT(at((first + last) / 2, row).grey, 200) << "body at x=" << (first + last) / 2;
    }
}

// ------------------------------------------------------------------------------ version

struct VersionString {
    const wchar_t* key;
    std::wstring value;
};

const VersionString kVersionStrings[] = {
    {L"FileVersion", L"1.0.0.0"},
    {L"FileDescription", L"\u89E3\u653E\u4F60\u7684\u53CC\u624B"},  // 解放你的双手
    {L"ProductName", L"Quorvel1.0"},
    {L"ProductVersion", L"1.0.0.0"},
    {L"CompanyName", L"Tiryn"},
};

class VersionInfo : public testing::Test {
protected:
    void SetUp() override {
        std::wstring path = modulePath();
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        ASSERT_NE(size, 0u);
        block_.resize(size);
        ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, block_.data()));
    }

    template <typename T>
    const T* query(const std::wstring& subBlock, UINT* length) {
        void* value = nullptr;
        *length = 0;
        if (!VerQueryValueW(block_.data(), subBlock.c_str(), &value, length)) return nullptr;
        return static_cast<const T*>(value);
    }

    std::vector<BYTE> block_;
};

TEST_F(VersionInfo, FixedPartReadsBack) {
    UINT length = 0;
    const auto* fixed = query<VS_FIXEDFILEINFO>(L"\\", &length);
    ASSERT_NE(fixed, nullptr);
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
    const std::pair<const char*, std::pair<DWORD, DWORD>> fields[] = {
        {"dwFileVersionMS", {fixed->dwFileVersionMS, 0x00010000}},
        {"dwFileVersionLS", {fixed->dwFileVersionLS, 0}},
        {"dwProductVersionMS", {fixed->dwProductVersionMS, 0x00010000}},
        {"dwProductVersionLS", {fixed->dwProductVersionLS, 0}},
        {"dwFileFlagsMask", {fixed->dwFileFlagsMask, 0}},
        {"dwFileFlags", {fixed->dwFileFlags, 0}},
        {"dwFileOS", {fixed->dwFileOS, VOS__WINDOWS32}},
        {"dwFileType", {fixed->dwFileType, VFT_APP}},
        {"dwFileSubtype", {fixed->dwFileSubtype, 0}},
        {"dwFileDateMS", {fixed->dwFileDateMS, 0}},
        {"dwFileDateLS", {fixed->dwFileDateLS, 0}},
    };
    for (const auto& [name, values] : fields) EXPECT_EQ(values.first, values.second) << name;
}

TEST_F(VersionInfo, TranslationIsChinesePrcUnicode) {
    UINT length = 0;
    const auto* translation = query<WORD>(L"\\VarFileInfo\\Translation", &length);
    ASSERT_NE(translation, nullptr);
    ASSERT_EQ(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    EXPECT_EQ(translation[1], 0x04B0);
    EXPECT_EQ(resourceLanguages(RT_VERSION, MAKEINTRESOURCEW(VS_VERSION_INFO)),
              std::vector<WORD>{MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED)});
}

TEST_F(VersionInfo, StringsReadBackAsUtf16) {
    for (const VersionString& expected : kVersionStrings) {
        UINT length = 0;
        const auto* value = query<wchar_t>(std::wstring(L"\\StringFileInfo\\080404B0\\") + expected.key, &length);
        ASSERT_NE(value, nullptr) << expected.key;
        EXPECT_EQ(std::wstring(value), expected.value) << expected.key;
    }
}

// One node of the version resource: wLength, wValueLength, wType, key, value, children, each
// part aligned to 32 bits from the start of the resource.
struct VersionNode {
    std::wstring key;
    WORD type = 0;
    std::vector<BYTE> value;
    std::vector<VersionNode> children;
};

size_t alignedTo4(size_t offset) { return (offset + 3) & ~size_t{3}; }

bool parseVersionNode(const std::vector<BYTE>& data, size_t offset, VersionNode& node, size_t& end) {
    WORD header[3];
    if (offset + sizeof header > data.size()) return false;
    std::memcpy(header, data.data() + offset, sizeof header);
    const WORD length = header[0];
    end = offset + length;
    if (length < sizeof header || end > data.size()) return false;
    node.type = header[2];
    size_t at = offset + sizeof header;
    while (at + 2 <= end) {
        wchar_t c;
        std::memcpy(&c, data.data() + at, 2);
        at += 2;
        if (c == 0) break;
        node.key += c;
    }
    at = alignedTo4(at);
    const size_t valueBytes = node.type == 1 ? header[1] * 2u : header[1];
    if (at + valueBytes > end) return false;
    node.value.assign(data.begin() + at, data.begin() + at + valueBytes);
    at = alignedTo4(at + valueBytes);
    while (at < end) {
        VersionNode child;
        size_t childEnd = 0;
        if (!parseVersionNode(data, at, child, childEnd)) return false;
        node.children.push_back(std::move(child));
        at = alignedTo4(childEnd);
    }
    return true;
}

std::vector<std::wstring> keysOf(const VersionNode& node) {
    std::vector<std::wstring> keys;
    for (const VersionNode& child : node.children) keys.push_back(child.key);
    return keys;
}

TEST(VersionResource, RawBlockHasTheStringsInOrder) {
    std::vector<BYTE> data = resourceBytes(MAKEINTRESOURCEW(VS_VERSION_INFO), RT_VERSION);
    ASSERT_FALSE(data.empty());
    VersionNode root;
    size_t end = 0;
    ASSERT_TRUE(parseVersionNode(data, 0, root, end));
    EXPECT_EQ(end, data.size());
    EXPECT_EQ(root.key, L"VS_VERSION_INFO");
    EXPECT_EQ(root.value.size(), sizeof(VS_FIXEDFILEINFO));
    ASSERT_EQ(keysOf(root), (std::vector<std::wstring>{L"StringFileInfo", L"VarFileInfo"}));

    const VersionNode& stringFileInfo = root.children[0];
    ASSERT_EQ(keysOf(stringFileInfo), std::vector<std::wstring>{L"080404B0"});
    const VersionNode& table = stringFileInfo.children[0];
    ASSERT_EQ(table.children.size(), std::size(kVersionStrings));
    for (size_t i = 0; i < table.children.size(); ++i) {
        const VersionNode& string = table.children[i];
        const VersionString& expected = kVersionStrings[i];
        EXPECT_EQ(string.key, expected.key) << "string " << i;
        EXPECT_EQ(string.type, 1) << expected.key;
        // Text values count their characters, the terminating null included.
        std::wstring value(string.value.size() / 2, L'\0');
        std::memcpy(value.data(), string.value.data(), value.size() * 2);
        EXPECT_EQ(value, expected.value + L'\0') << expected.key;
    }

    const VersionNode& varFileInfo = root.children[1];
    ASSERT_EQ(keysOf(varFileInfo), std::vector<std::wstring>{L"Translation"});
    EXPECT_EQ(varFileInfo.children[0].type, 0);
    EXPECT_EQ(varFileInfo.children[0].value, (std::vector<BYTE>{0x04, 0x08, 0xB0, 0x04}));
}

// ------------------------------------------------------------------------------ manifest

template <typename Info>
bool queryActCtx(HANDLE context, DWORD index, ULONG infoClass, std::vector<BYTE>& buffer) {
    SIZE_T needed = 0;
    QueryActCtxW(0, context, &index, infoClass, nullptr, 0, &needed);
    if (needed < sizeof(Info)) return false;
    buffer.resize(needed);
    return QueryActCtxW(0, context, &index, infoClass, buffer.data(), buffer.size(), &needed);
}

class Manifest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(resourceBytes(MAKEINTRESOURCEW(1), RT_MANIFEST).empty());
        path_ = modulePath();
        ACTCTXW request{};
        request.cbSize = sizeof request;
        request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID | ACTCTX_FLAG_HMODULE_VALID;
        request.lpSource = path_.c_str();
        request.lpResourceName = MAKEINTRESOURCEW(1);
        request.hModule = GetModuleHandleW(nullptr);
        HANDLE context = CreateActCtxW(&request);
        ASSERT_NE(context, INVALID_HANDLE_VALUE) << "error " << GetLastError();
        *context_.put() = context;
    }

    // Assembly 1 is the program itself, 2 onwards its dependencies as resolved.
    std::wstring assemblyIdentity(DWORD index) {
        std::vector<BYTE> buffer;
        if (!queryActCtx<ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION>(
                context_.get(), index, AssemblyDetailedInformationInActivationContext, buffer))
            return {};
        const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_ASSEMBLY_DETAILED_INFORMATION*>(buffer.data());
        return info->lpAssemblyEncodedAssemblyIdentity ? info->lpAssemblyEncodedAssemblyIdentity : L"";
    }

    std::wstring path_;
    UniqueActCtx context_;
};

TEST_F(Manifest, NamesTheProgramAndDependsOnCommonControls6) {
    std::wstring program = assemblyIdentity(1);
    EXPECT_EQ(program.rfind(L"Quorvel,", 0), 0u) << program;
    EXPECT_NE(program.find(L"version=\"1.0.0.0\""), std::wstring::npos) << program;
    std::wstring controls = assemblyIdentity(2);
    EXPECT_EQ(controls.rfind(L"Microsoft.Windows.Common-Controls,", 0), 0u) << controls;
    EXPECT_NE(controls.find(L"version=\"6."), std::wstring::npos) << controls;
}

TEST_F(Manifest, RunsAsInvokerWithoutUiAccess) {
    std::vector<BYTE> buffer;
    ASSERT_TRUE((queryActCtx<ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION>(
        context_.get(), 0, RunlevelInformationInActivationContext, buffer)));
    const auto* info = reinterpret_cast<const ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION*>(buffer.data());
    EXPECT_EQ(info->RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(info->UiAccess, 0u);
}

TEST(ManifestAtStartup, LoadsTheCommonControls6Assembly) {
    // The loader applies the exe's own manifest before main, so comctl32 comes from the
    // side-by-side Common-Controls 6 folder. (Wine's DllGetVersion says 5.81 either way.)
    HMODULE comctl = LoadLibraryW(L"comctl32.dll");
    ASSERT_NE(comctl, nullptr);
    wchar_t path[MAX_PATH];
    ASSERT_NE(GetModuleFileNameW(comctl, path, MAX_PATH), 0u);
    std::wstring folder = CharLowerW(path);
    FreeLibrary(comctl);
    EXPECT_NE(folder.find(L"_microsoft.windows.common-controls_6595b64144ccf1df_6."), std::wstring::npos) << folder;
}

}  // namespace
