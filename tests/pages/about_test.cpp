// The About page through its real dialog.
#include "pages/about.h"
#include "base/messages.h"
#include "base/platform.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <vector>

struct ShellCall {
    HWND Owner;
    std::string Operation;
    std::string File;
    std::string Parameters;
    std::string Directory;
    INT Show;
};

static std::vector<ShellCall> ShellCalls;

static HINSTANCE WINAPI RecordShellOpen(HWND owner, LPCWSTR operation, LPCWSTR file, LPCWSTR parameters,
                                        LPCWSTR directory, INT show)
{
    ShellCalls.push_back({owner, Narrow(operation), Narrow(file), Narrow(parameters), Narrow(directory), show});
    return reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(2)); // "file not found": ignored
}

static HWND OpenAbout()
{
    ShellOpen = RecordShellOpen;
    return OpenProgram(1024 * MB, 100 * MB) ? AboutPage : nullptr;
}

static BOOL CALLBACK FindWebLine(HWND child, LPARAM found)
{
    char text[128] = "";
    GetWindowTextA(child, text, sizeof text);
    if (std::string(text) == Narrow(WebAddress)) {
        *reinterpret_cast<bool *>(found) = true;
    }
    return TRUE;
}

TEST(AboutPage, NamesProductAuthorAndTerms)
{
    HWND page = OpenAbout();
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(ItemText(page, IDC_ABOUT_PRODUCT), "Memvale v1.0.0");
    EXPECT_EQ(ItemText(page, IDC_ABOUT_EMAIL), "jonas.ferren@memvale.example.org");
    EXPECT_EQ(ItemText(page, IDC_ABOUT_TERMS), "Memvale is free software for personal and commercial use.\n"
                                               "It comes with no warranty of any kind.\n"
                                               "Use it at your own risk.");

    // The web line of the page shows the address that the button opens.
    bool found = false;
    EnumChildWindows(page, FindWebLine, reinterpret_cast<LPARAM>(&found));
    EXPECT_TRUE(found);
}

TEST(AboutPage, VisitWebsiteAsksTheShellEveryTime)
{
    HWND page = OpenAbout();
    HWND button = GetDlgItem(page, IDC_ABOUT_WEBSITE);
    SendMessageA(button, BM_CLICK, 0, 0);
    SendMessageA(button, BM_CLICK, 0, 0);
    ASSERT_EQ(ShellCalls.size(), 2u);
    for (const ShellCall &call : ShellCalls) {
        EXPECT_EQ(call.Owner, MainWindow);
        EXPECT_EQ(call.Operation, "open");
        EXPECT_EQ(call.File, "https://example.org");
        EXPECT_EQ(call.Parameters, "");
        EXPECT_EQ(call.Directory, "");
        EXPECT_EQ(call.Show, SW_SHOWNORMAL);
    }

    // Not from a control, another notification, another control: nothing.
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_WEBSITE, BN_CLICKED), 0);
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_WEBSITE, BN_SETFOCUS), reinterpret_cast<LPARAM>(button));
    SendMessageA(page, WM_COMMAND, MAKEWPARAM(IDC_ABOUT_EMAIL, EN_SETFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(page, IDC_ABOUT_EMAIL)));
    EXPECT_EQ(ShellCalls.size(), 2u);
}

// The page's erase painted into a bitmap of one colour: the colour it leaves at the middle.
static COLORREF ColourLeftByErase(HWND page, COLORREF beneath)
{
    RECT r;
    GetClientRect(page, &r);
    HDC screen = GetDC(page);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, r.right, r.bottom);
    HGDIOBJ old = SelectObject(dc, bitmap);
    HBRUSH brush = CreateSolidBrush(beneath);
    FillRect(dc, &r, brush);
    EXPECT_EQ(SendMessageA(page, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0), 1);
    COLORREF left = GetPixel(dc, r.right / 2, r.bottom / 2);
    DeleteObject(brush);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(page, screen);
    return left;
}

TEST(AboutPage, RefreshChangesNothingAndTheBackgroundIsLeftAlone)
{
    HWND page = OpenAbout();
    SetDlgItemTextA(page, IDC_ABOUT_EMAIL, "edited");
    SendMessageA(page, WM_APP_REFRESH, 0, 0);
    EXPECT_EQ(ItemText(page, IDC_ABOUT_EMAIL), "edited");
    EXPECT_EQ(ItemText(page, IDC_ABOUT_PRODUCT), "Memvale v1.0.0");

    // What lies beneath shows through: the erase paints nothing, where a dialog's own would
    // fill the page with its brush.
    for (COLORREF beneath : {RGB(255, 0, 255), GetSysColor(COLOR_3DFACE) ^ 0xFFFFFF}) {
        EXPECT_EQ(ColourLeftByErase(page, beneath), beneath);
    }
}
