// The About box: its compiled template and banner, the web-address line, and how it ends.
#include "common/Countof.h"
#include "res/resource.h"
#include "shell/AboutDialog.h"
#include "tests/common/DialogTemplate.h"
#include "tests/common/DialogTesting.h"

#include <gtest/gtest.h>

#include <string>

using namespace dialogtesting;

namespace {

std::wstring FieldText(HWND dialog, int id)
{
    wchar_t text[256] = L"";
    GetDlgItemTextW(dialog, id, text, (int)COUNTOF(text));
    return text;
}

// Controls without an identifier are found by their place in the template.
HWND NthControl(HWND dialog, int index)
{
    HWND child = GetWindow(dialog, GW_CHILD);
    for (int i = 0; i < index && child != NULL; ++i)
        child = GetWindow(child, GW_HWNDNEXT);
    return child;
}

const int kBannerIndex = 4;

TEST(AboutBox, ShowsTheWebAddressLineAndTheBannerAndEndsAsTheKeyOrButtonSays)
{
    const struct {
        const char *how;
        void (*act)(HWND);
        INT_PTR endCode;
    } cases[] = {
        {"Enter in the address line", [](HWND d) { PressEnterIn(d, IDC_ABOUT_URL); }, IDOK},
        {"OK button", [](HWND d) { ClickButton(d, IDOK); }, IDOK},
        {"Escape", [](HWND d) { PressEscape(d); }, IDCANCEL},
        {"close box", [](HWND d) { CloseFromTitleBar(d); }, IDCANCEL},
    };
    HWND owner = CreateOwner();
    ASSERT_NE(nullptr, owner);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.how);
        std::wstring addressLine;
        HANDLE banner = NULL;
        bool ownerDisabled = false;
        INT_PTR endCode = RunModal(owner, IDD_ABOUTBOX, AboutDlgProc, [&](HWND dialog) {
            addressLine = FieldText(dialog, IDC_ABOUT_URL);
            banner = (HANDLE)SendMessageW(NthControl(dialog, kBannerIndex), STM_GETIMAGE, IMAGE_BITMAP, 0);
            ownerDisabled = !IsWindowEnabled(owner);
            c.act(dialog);
        });
        EXPECT_EQ(c.endCode, endCode);
        EXPECT_TRUE(ownerDisabled) << "the box is modal over its owner";
        EXPECT_NE(nullptr, banner);

        const std::wstring prefix = L"Tool URL:  ";
        EXPECT_EQ(prefix, addressLine.substr(0, prefix.size()));
        std::wstring address = addressLine.size() > prefix.size() ? addressLine.substr(prefix.size()) : L"";
        EXPECT_EQ(L"https://", address.substr(0, 8));
        EXPECT_GT(address.size(), 8u);
        EXPECT_EQ(std::wstring::npos, address.find(L' '));
    }
    DestroyWindow(owner);
}

TEST(AboutBox, UrlLineCanBeSelectedButNotEdited)
{
    HWND owner = CreateOwner();
    std::wstring before, afterTyping;
    DWORD selectionEnd = 0;
    RunModal(owner, IDD_ABOUTBOX, AboutDlgProc, [&](HWND dialog) {
        HWND line = GetDlgItem(dialog, IDC_ABOUT_URL);
        before = FieldText(dialog, IDC_ABOUT_URL);
        SendMessageW(line, WM_CHAR, L'Q', 1);
        afterTyping = FieldText(dialog, IDC_ABOUT_URL);
        SendMessageW(line, EM_SETSEL, 0, -1);
        selectionEnd = HIWORD(SendMessageW(line, EM_GETSEL, 0, 0));
        ClickButton(dialog, IDOK);
    });
    DestroyWindow(owner);
    EXPECT_EQ(0, before.compare(0, 11, L"Tool URL:  "));
    EXPECT_EQ(before, afterTyping);
    EXPECT_EQ(afterTyping.size(), selectionEnd);
}

TEST(AboutBox, BannerIs374By59PixelsAt24BitsPerPixel)
{
    std::string bitmap = testsupport::ResourceBytes(MAKEINTRESOURCEW(2) /* RT_BITMAP */, IDB_BANNER);
    ASSERT_GE(bitmap.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    memcpy(&header, bitmap.data(), sizeof header);
    EXPECT_EQ(374, header.biWidth);
    EXPECT_EQ(59, header.biHeight < 0 ? -header.biHeight : header.biHeight);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(BI_RGB, header.biCompression);
}

TEST(AboutBox, TemplateMatchesTheLayout)
{
    DialogTemplate t = LoadDialogTemplate(IDD_ABOUTBOX);
    ASSERT_TRUE(t.extended);
    const ExpectedDialog header = {0x80C800C8u, 263, 229, L"About Vantrel", 8, 0, L"MS Shell Dlg"};
    EXPECT_TRUE(t == header) << Describe(t);

    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD centred = child | SS_CENTER | WS_GROUP;
    const DWORD centredPlain = centred | SS_NOPREFIX;
    const DWORD left = child | SS_LEFT | WS_GROUP;
    const ExpectedControl expected[] = {
        {-1, L"static", L"Vantrel, Version 1.0.0.0 [beta]", 30, 41, 203, 8, centredPlain},
        {-1, L"static", L"Free to use and share; provided without warranty.", 30, 197, 203, 8, centred},
        {IDOK, L"button", L"OK", 107, 209, 50, 12, child | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP},
        {-1, L"static", L"Easy to use GUI tool to get the current list of usage ports on your system.", 10, 51, 246, 8,
         centredPlain},
        {-1, L"static", L"#130", 7, 7, 249, 36, child | SS_BITMAP},
        {-1, L"static", L"* Module name.", 25, 84, 52, 8, left},
        {-1, L"static", L"* Source address.", 25, 95, 59, 8, left},
        {-1, L"static", L"* Source port.", 25, 106, 47, 8, left},
        {-1, L"static", L"* Remote address.", 25, 117, 62, 8, left},
        {-1, L"static", L"* Remote port.", 25, 128, 50, 8, left},
        {-1, L"static", L"* Port status (Listen, Establish and more).", 25, 139, 136, 8, left},
        {-1, L"static", L"* TCP statistics (v4,v6).", 140, 95, 78, 8, left},
        {-1, L"static", L"* IP statistics (v4,v6).", 140, 84, 72, 8, left},
        {-1, L"static", L"* Resolving remote ip (ip to domain name).", 25, 161, 138, 8, left},
        {-1, L"static", L"* Ports protocol (support TCP and UDP v4 and v6).", 25, 150, 164, 8, left},
        {-1, L"static", L"* UDP statistics (v4,v6).", 140, 106, 79, 8, left},
        {-1, L"static", L"* ICMP statistics (v4,v6).", 140, 117, 82, 8, left},
        {-1, L"button", L"Tool features: ", 7, 72, 249, 104, child | BS_GROUPBOX},
        {IDC_ABOUT_URL, L"edit", L"", 7, 182, 249, 12, child | ES_CENTER | ES_AUTOHSCROLL | ES_READONLY | WS_TABSTOP},
        {-1, L"static", L"* Network Information.", 140, 128, 76, 8, left},
        {-1, L"static", L"A quick look at open ports, their owners and counters.", 30, 61, 203, 8, centredPlain},
    };
    ASSERT_EQ(COUNTOF(expected), t.controls.size());
    for (size_t i = 0; i < COUNTOF(expected); ++i)
        EXPECT_TRUE(t.controls[i] == expected[i]) << "control " << i << ": " << Describe(t.controls[i]);
}

} // namespace
