// The main window's resources as compiled, its command dispatch and the Windows Sockets
// start-up, in this process. The shell calls DefWindowProcW and WSAStartup through the import
// pointers defined at the end of the fakes below, so its calls reach these versions (the
// real DefWindowProcW still does all but WM_COMMAND).
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "shell/ConnectionList.h"
#include "shell/MainWindow.h"
#include "shell/Winsock.h"
#include "tests/common/Resources.h"
#include "testsupport/ImportSlot.h"

namespace {

UINT lastDefaultMessage;
WPARAM lastDefaultWParam;
LRESULT defaultCommandResult;
int startupResult;

// Looked up in US English only, so a resource compiled under another language goes missing.
std::string UsEnglishResource(LPCWSTR type, WORD id)
{
    return testsupport::ResourceBytes(type, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US));
}

} // namespace

namespace {

LRESULT WINAPI FakeDefWindowProcW(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    typedef LRESULT(WINAPI * Procedure)(HWND, UINT, WPARAM, LPARAM);
    static Procedure real = (Procedure)(void *)GetProcAddress(GetModuleHandleW(L"user32.dll"), "DefWindowProcW");
    if (message == WM_COMMAND) {
        lastDefaultMessage = message;
        lastDefaultWParam = wParam;
        return defaultCommandResult;
    }
    return real(window, message, wParam, lParam);
}

int WSAAPI FakeWSAStartup(WORD, LPWSADATA data)
{
    data->wVersion = MAKEWORD(2, 2);
    return startupResult;
}

} // namespace

extern "C" {
LRESULT(WINAPI *FakeImpDefWindowProcW)
(HWND, UINT, WPARAM, LPARAM) __asm__(IMPORT_SLOT(DefWindowProcW, 16)) = FakeDefWindowProcW;
int(WSAAPI *FakeImpWSAStartup)(WORD, LPWSADATA) __asm__(IMPORT_SLOT(WSAStartup, 8)) = FakeWSAStartup;
}

namespace {

TEST(MainResources, MenuHoldsTheCommandsUnderTheirPopUps)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDC_VANTREL));
    ASSERT_NE((HMENU)NULL, menu);
    const wchar_t *popUps[] = {L"&File", L"Preference", L"&Help"};
    const std::pair<const wchar_t *, UINT> items[3][4] = {
        {{L"E&xit", IDM_EXIT}},
        {{L"Reload", IDM_RELOAD}, {L"", 0}, {L"Statistics...", IDM_STATISTICS}, {L"Network Data", IDM_NETWORKDATA}},
        {{L"&About ...", IDM_ABOUT}}};
    const int counts[] = {1, 4, 1};
    ASSERT_EQ(3, GetMenuItemCount(menu));
    for (int p = 0; p < 3; ++p) {
        wchar_t text[64] = {};
        GetMenuStringW(menu, p, text, 64, MF_BYPOSITION);
        EXPECT_STREQ(popUps[p], text);
        HMENU popUp = GetSubMenu(menu, p);
        ASSERT_EQ(counts[p], GetMenuItemCount(popUp)) << p;
        for (int i = 0; i < counts[p]; ++i) {
            text[0] = 0;
            GetMenuStringW(popUp, i, text, 64, MF_BYPOSITION);
            EXPECT_STREQ(items[p][i].first, text);
            if (items[p][i].second == 0)
                EXPECT_TRUE(GetMenuState(popUp, i, MF_BYPOSITION) & MF_SEPARATOR);
            else
                EXPECT_EQ(items[p][i].second, GetMenuItemID(popUp, i));
        }
    }
    DestroyMenu(menu);
}

TEST(MainResources, AltQuestionMarkAndAltSlashAreCharacterAcceleratorsForAbout)
{
    HACCEL table = LoadAcceleratorsW(GetModuleHandleW(NULL), MAKEINTRESOURCEW(IDC_VANTREL));
    ASSERT_NE((HACCEL)NULL, table);
    ACCEL entries[4] = {};
    ASSERT_EQ(2, CopyAcceleratorTableW(table, entries, 4));
    std::set<WORD> keys;
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(FALT, entries[i].fVirt & ~0x80) << "Alt only, and no virtual key";
        EXPECT_EQ(IDM_ABOUT, entries[i].cmd);
        keys.insert(entries[i].key);
    }
    EXPECT_EQ((std::set<WORD>{'?', '/'}), keys);
}

TEST(MainResources, StringsIconsVersionAndManifestAreUsEnglish)
{
    wchar_t text[100] = {};
    LoadStringW(GetModuleHandleW(NULL), IDS_APP_TITLE, text, 100);
    EXPECT_STREQ(L"Vantrel", text);
    LoadStringW(GetModuleHandleW(NULL), IDS_WINDOW_CLASS, text, 100);
    EXPECT_STREQ(L"VANTREL", text);

    // Both icon groups: nine images, each size at the depths it is drawn in.
    const std::set<std::pair<int, int>> images = {{256, 8}, {48, 8},  {32, 8},  {16, 8}, {256, 32},
                                                  {64, 32}, {48, 32}, {32, 32}, {16, 32}};
    for (WORD group : {IDI_VANTREL, IDI_SMALL}) {
        std::string bytes = UsEnglishResource(RT_GROUP_ICON, group);
        ASSERT_GE(bytes.size(), 6u) << group;
        const BYTE *directory = (const BYTE *)bytes.data();
        WORD count = *(const WORD *)(directory + 4);
        std::set<std::pair<int, int>> seen;
        for (int i = 0; i < count; ++i) {
            const BYTE *entry = directory + 6 + 14 * i;
            seen.insert({entry[0] == 0 ? 256 : entry[0], *(const WORD *)(entry + 6)});
        }
        EXPECT_EQ(9, count) << group;
        EXPECT_EQ(images, seen) << group;
    }
    // The two groups are one directory of one set of images, and every image it lists is
    // there, of the size it gives, and loads as an icon of its own size.
    std::string directory = UsEnglishResource(RT_GROUP_ICON, IDI_VANTREL);
    EXPECT_EQ(directory, UsEnglishResource(RT_GROUP_ICON, IDI_SMALL));
    for (int i = 0; i < 9 && directory.size() >= 6u + 14 * 9; ++i) {
        const BYTE *entry = (const BYTE *)directory.data() + 6 + 14 * i;
        int pixels = entry[0] == 0 ? 256 : entry[0];
        DWORD bytes = *(const DWORD *)(entry + 8);
        WORD id = *(const WORD *)(entry + 12);
        std::string image = UsEnglishResource(RT_ICON, id);
        ASSERT_EQ(bytes, image.size()) << "image " << id;
        // The large images are stored compressed; the others as the DIBs every version reads.
        EXPECT_EQ(pixels == 256, image.compare(0, 4, "\x89PNG") == 0) << "image " << id;
        HICON icon =
            CreateIconFromResourceEx((PBYTE)&image[0], bytes, TRUE, 0x00030000, pixels, pixels, LR_DEFAULTCOLOR);
        ASSERT_NE((HICON)NULL, icon) << "image " << id;
        ICONINFO info = {};
        ASSERT_TRUE(GetIconInfo(icon, &info));
        BITMAP colour = {};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof(colour), &colour);
        EXPECT_EQ(pixels, colour.bmWidth) << "image " << id;
        DeleteObject(info.hbmColor);
        DeleteObject(info.hbmMask);
        DestroyIcon(icon);
    }

    std::string block = UsEnglishResource(RT_VERSION, VS_VERSION_INFO);
    ASSERT_FALSE(block.empty());
    VS_FIXEDFILEINFO *fixed = NULL;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(&block[0], L"\\", (void **)&fixed, &size));
    EXPECT_EQ(0x00010000u, fixed->dwFileVersionMS);
    EXPECT_EQ(0u, fixed->dwFileVersionLS);
    EXPECT_EQ(0x00010000u, fixed->dwProductVersionMS);
    EXPECT_EQ(0x3Fu, fixed->dwFileFlagsMask);
    EXPECT_EQ(0u, fixed->dwFileFlags);
    EXPECT_EQ(0x40004u, fixed->dwFileOS);
    EXPECT_EQ(0u, fixed->dwFileType);
    EXPECT_EQ(0u, fixed->dwFileSubtype);
    EXPECT_EQ(0u, fixed->dwFileDateMS | fixed->dwFileDateLS);
    const std::pair<const wchar_t *, const wchar_t *> strings[] = {{L"FileVersion", L"1.0.0.0"},
                                                                   {L"InternalName", L"Vantrel"},
                                                                   {L"OriginalFilename", L"Vantrel.exe"},
                                                                   {L"ProductName", L"Vantrel"},
                                                                   {L"ProductVersion", L"1.0.0.0"}};
    for (const auto &entry : strings) {
        wchar_t *value = NULL;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + entry.first;
        ASSERT_TRUE(VerQueryValueW(&block[0], path.c_str(), (void **)&value, &size)) << entry.first;
        EXPECT_STREQ(entry.second, value);
    }
    for (const wchar_t *own : {L"CompanyName", L"FileDescription", L"LegalCopyright"}) {
        wchar_t *value = NULL;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + own;
        EXPECT_TRUE(VerQueryValueW(&block[0], path.c_str(), (void **)&value, &size) && size > 1) << own;
    }
    // Task Manager and the taskbar show the description as the program's name.
    wchar_t *description = NULL;
    ASSERT_TRUE(
        VerQueryValueW(&block[0], L"\\StringFileInfo\\040904b0\\FileDescription", (void **)&description, &size));
    EXPECT_LE(wcslen(description), 40u) << description;
    EXPECT_EQ(0, wcsncmp(description, L"Vantrel", 7)) << description;
    wchar_t *copyright = NULL;
    ASSERT_TRUE(VerQueryValueW(&block[0], L"\\StringFileInfo\\040904b0\\LegalCopyright", (void **)&copyright, &size));
    EXPECT_NE((wchar_t *)NULL, wcsstr(copyright, L"MIT License")) << copyright;
    WORD *translation = NULL;
    ASSERT_TRUE(VerQueryValueW(&block[0], L"\\VarFileInfo\\Translation", (void **)&translation, &size));
    EXPECT_EQ(0x0409, translation[0]);
    EXPECT_EQ(0x04b0, translation[1]);

    std::string manifestBytes = UsEnglishResource(RT_MANIFEST, 1);
    std::wstring manifest(manifestBytes.begin(), manifestBytes.end());
    EXPECT_NE(std::wstring::npos, manifest.find(L"level=\"asInvoker\""));
    EXPECT_NE(std::wstring::npos, manifest.find(L"uiAccess=\"false\""));
    EXPECT_EQ(std::wstring::npos, manifest.find(L"Common-Controls"));
    EXPECT_EQ(std::wstring::npos, manifest.find(L"dependency"));
}

class MainWindow : public testing::Test {
protected:
    void SetUp() override
    {
        Instance = GetModuleHandleW(NULL);
        wcscpy(MainClassName, L"VANTREL");
        static ATOM registered = RegisterMainClass(Instance);
        ASSERT_NE(0, registered);
        main_ = CreateWindowExW(0, MainClassName, L"Vantrel", WS_OVERLAPPEDWINDOW, 0, 0, 600, 400, NULL, NULL, Instance,
                                NULL);
        ASSERT_NE((HWND)NULL, main_);
    }
    void TearDown() override { DestroyWindow(main_); }
    HWND main_ = NULL;
};

TEST_F(MainWindow, CommandsOutsideTheMenuGoToTheDefaultProcedureUnchanged)
{
    defaultCommandResult = 4711;
    EXPECT_EQ(4711, SendMessageW(main_, WM_COMMAND, MAKEWPARAM(4242, 1), 0));
    EXPECT_EQ((UINT)WM_COMMAND, lastDefaultMessage);
    EXPECT_EQ(MAKEWPARAM(4242, 1), lastDefaultWParam);

    // A known command is the window's own and never reaches it.
    lastDefaultWParam = 0;
    SendMessageW(main_, WM_COMMAND, IDM_RELOAD, 0);
    EXPECT_EQ(0u, lastDefaultWParam);
}

TEST_F(MainWindow, ClassCarriesMenuIconsAndStyle)
{
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetClassInfoExW(Instance, L"VANTREL", &info));
    EXPECT_EQ((UINT)(CS_HREDRAW | CS_VREDRAW), info.style);
    EXPECT_NE((HICON)NULL, info.hIcon);
    EXPECT_NE((HICON)NULL, info.hIconSm);
    EXPECT_EQ((HBRUSH)(COLOR_WINDOW + 1), info.hbrBackground);
    EXPECT_EQ(3, GetMenuItemCount(GetMenu(main_)));
}

// An icon's colour pixels at its own size, 32 bits each, top row first.
struct IconPixels {
    int width = 0;
    int height = 0;
    std::vector<DWORD> colour;
};

IconPixels ReadIcon(HICON icon)
{
    IconPixels pixels;
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info))
        return pixels;
    BITMAP colour = {};
    if (info.hbmColor && GetObjectW(info.hbmColor, sizeof(colour), &colour)) {
        pixels.width = colour.bmWidth;
        pixels.height = colour.bmHeight;
        pixels.colour.resize((size_t)colour.bmWidth * colour.bmHeight);
        BITMAPINFO format = {};
        format.bmiHeader.biSize = sizeof(format.bmiHeader);
        format.bmiHeader.biWidth = colour.bmWidth;
        format.bmiHeader.biHeight = -colour.bmHeight;
        format.bmiHeader.biPlanes = 1;
        format.bmiHeader.biBitCount = 32;
        format.bmiHeader.biCompression = BI_RGB;
        HDC screen = GetDC(NULL);
        if (GetDIBits(screen, info.hbmColor, 0, colour.bmHeight, pixels.colour.data(), &format, DIB_RGB_COLORS) !=
            colour.bmHeight)
            pixels.colour.clear();
        ReleaseDC(NULL, screen);
    }
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

// The image of `group` the system picks for an icon of `size` pixels, as it is in the resource,
// and the directory entry's width.
IconPixels GroupImage(WORD group, int size, int *entryWidth)
{
    std::string directory = UsEnglishResource(RT_GROUP_ICON, group);
    int id = LookupIconIdFromDirectoryEx((PBYTE)&directory[0], TRUE, size, size, LR_DEFAULTCOLOR);
    *entryWidth = 0;
    for (size_t entry = 6; entry + 14 <= directory.size(); entry += 14)
        if (*(const WORD *)(directory.data() + entry + 12) == id)
            *entryWidth = (BYTE)directory[entry] == 0 ? 256 : (BYTE)directory[entry];
    std::string image = UsEnglishResource(RT_ICON, (WORD)id);
    HICON icon =
        CreateIconFromResourceEx((PBYTE)&image[0], (DWORD)image.size(), TRUE, 0x00030000, size, size, LR_DEFAULTCOLOR);
    IconPixels pixels = ReadIcon(icon);
    DestroyIcon(icon);
    return pixels;
}

// The caption shows the small icon: the 16-pixel image drawn for it, not the large one shrunk.
TEST_F(MainWindow, TheClassIconsAreTheImagesDrawnForTheSystemsSizes)
{
    WNDCLASSEXW info = {};
    info.cbSize = sizeof(info);
    ASSERT_TRUE(GetClassInfoExW(Instance, L"VANTREL", &info));
    const struct {
        HICON icon;
        WORD group;
        int width, height;
    } icons[] = {{info.hIconSm, IDI_SMALL, GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)},
                 {info.hIcon, IDI_VANTREL, GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON)}};
    for (const auto &expected : icons) {
        IconPixels held = ReadIcon(expected.icon);
        EXPECT_EQ(expected.width, held.width) << "group " << expected.group;
        EXPECT_EQ(expected.height, held.height) << "group " << expected.group;
        int entryWidth = 0;
        IconPixels drawn = GroupImage(expected.group, expected.width, &entryWidth);
        EXPECT_EQ(expected.width, entryWidth) << "group " << expected.group << ": no image of that size";
        ASSERT_FALSE(drawn.colour.empty()) << "group " << expected.group;
        EXPECT_TRUE(held.colour == drawn.colour) << "group " << expected.group << ": other pixels";
    }
}

TEST(Winsock, StartUpFailureIsReportedOnItsOwnLine)
{
    startupResult = WSAVERNOTSUPPORTED;
    testing::internal::CaptureStdout();
    EXPECT_EQ(0, StartWinsock());
    EXPECT_EQ("WSAStartup failed: 10092\n", testing::internal::GetCapturedStdout());

    startupResult = 0;
    testing::internal::CaptureStdout();
    EXPECT_EQ(1, StartWinsock());
    EXPECT_EQ("", testing::internal::GetCapturedStdout());
}

} // namespace
