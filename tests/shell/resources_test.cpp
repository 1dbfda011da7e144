// The program's own resources: every dialog template can be created, reads in order to a
// screen reader and has its access keys in every language, and the menus and icons load.
#include "base/language.h"
#include "pages/historygraph.h"
#include "res/resource.h"
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <cwctype>
#include <vector>

// Each template takes the current language's texts as the program's dialogs do.
static INT_PTR CALLBACK TrivialProc(HWND dialog, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        TranslateDialog(dialog, static_cast<UINT>(lParam));
    }
    return message == WM_INITDIALOG;
}

static HWND CreateFromTemplate(int id, HWND parent)
{
    RegisterHistoryGraph(GetModuleHandleW(nullptr));
    return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), parent, TrivialProc, id);
}

TEST(Resources, EveryDialogCanBeCreatedHidden)
{
    HWND main = CreateFromTemplate(IDD_MAIN, nullptr);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(IsWindowVisible(main));
    char caption[32];
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ(caption, "Memvale XP");
    HWND tabs = GetDlgItem(main, IDC_MAIN_TABS);
    char className[32];
    GetClassNameA(tabs, className, sizeof className);
    EXPECT_STREQ(className, "SysTabControl32");

    for (int id : {IDD_OPTIMIZATION, IDD_STARTUP, IDD_ABOUT, IDD_HISTORY}) {
        HWND page = CreateFromTemplate(id, main);
        ASSERT_NE(page, nullptr) << id;
        LONG_PTR style = GetWindowLongPtrA(page, GWL_STYLE);
        EXPECT_TRUE(style & WS_CHILD) << id;
        EXPECT_FALSE(style & WS_VISIBLE) << id;
    }
    DestroyWindow(main);
}

TEST(Resources, PagesHoldTheirControls)
{
    HWND main = CreateFromTemplate(IDD_MAIN, nullptr);
    HWND optimization = CreateFromTemplate(IDD_OPTIMIZATION, main);
    HWND startup = CreateFromTemplate(IDD_STARTUP, main);
    HWND about = CreateFromTemplate(IDD_ABOUT, main);
    EXPECT_NE(GetDlgItem(optimization, IDC_OPT_FREE_BUTTON), nullptr);
    EXPECT_NE(GetDlgItem(optimization, IDC_OPT_HOTKEY), nullptr);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(optimization, IDC_OPT_PROGRESS)));
    EXPECT_NE(GetDlgItem(startup, IDC_STARTUP_SLIDER), nullptr);
    EXPECT_NE(GetDlgItem(startup, IDC_STARTUP_TRAYFIGURE), nullptr);
    EXPECT_FALSE(GetWindowLongPtrA(GetDlgItem(startup, IDC_STARTUP_RELOAD), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(GetWindowLongPtrA(GetDlgItem(about, IDC_ABOUT_EMAIL), GWL_STYLE) & ES_READONLY);
    EXPECT_FALSE(GetWindowLongPtrA(GetDlgItem(about, IDC_ABOUT_EMAIL), GWL_STYLE) & WS_BORDER);
    DestroyWindow(main);
}

TEST(Resources, MenusAndIconsLoad)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int id : {IDR_TRAY_IDLE, IDR_TRAY_BUSY}) {
        HMENU menu = LoadMenuA(instance, MAKEINTRESOURCEA(id));
        ASSERT_NE(menu, nullptr) << id;
        HMENU popup = GetSubMenu(menu, 0);
        ASSERT_NE(popup, nullptr) << id;
        EXPECT_EQ(GetMenuItemCount(popup), 8) << id;
        EXPECT_EQ(GetMenuItemID(popup, 0), static_cast<UINT>(IDM_CONFIG)) << id;
        EXPECT_EQ(GetMenuItemID(popup, 5), static_cast<UINT>(IDM_TRAY_FIGURE)) << id;
        EXPECT_EQ(GetMenuItemID(popup, 7), static_cast<UINT>(IDM_EXIT)) << id;
    }
    HMENU idle = GetSubMenu(LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_IDLE)), 0);
    EXPECT_EQ(GetMenuItemID(idle, 3), static_cast<UINT>(IDM_FREE_NOW));
    HMENU busy = GetSubMenu(LoadMenuA(instance, MAKEINTRESOURCEA(IDR_TRAY_BUSY)), 0);
    EXPECT_EQ(GetMenuItemID(busy, 3), static_cast<UINT>(IDM_CANCEL));

    for (int id : {IDI_LOW, IDI_NORMAL, IDI_APP, IDI_BUSY}) {
        EXPECT_NE(LoadIconA(instance, MAKEINTRESOURCEA(id)), nullptr) << id;
    }
}

// An icon resource's directory entry (GRPICONDIRENTRY), as the resource compiler writes it.
#pragma pack(push, 2)
struct IconEntry {
    BYTE Width;
    BYTE Height;
    BYTE Colours;
    BYTE Reserved;
    WORD Planes;
    WORD BitCount;
    DWORD Bytes;
    WORD Id;
};
#pragma pack(pop)

TEST(Resources, EveryIconHoldsItsSizesIn32BitColour)
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (int id : {IDI_LOW, IDI_NORMAL, IDI_APP, IDI_BUSY}) {
        SCOPED_TRACE(id);
        HRSRC found = FindResourceW(instance, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr);
        const WORD *group = static_cast<const WORD *>(LockResource(LoadResource(instance, found)));
        const IconEntry *entries = reinterpret_cast<const IconEntry *>(group + 3);
        std::vector<int> sides;
        for (WORD i = 0; i < group[2]; ++i) {
            EXPECT_EQ(entries[i].BitCount, 32) << i;
            sides.push_back(entries[i].Width == 0 ? 256 : entries[i].Width);
        }
        std::vector<int> expected = {16, 20, 24, 32, 40, 48, 64};
        if (id == IDI_APP) {
            expected.push_back(256);
        }
        EXPECT_EQ(sides, expected);
        // Each size loads as its own image, bitmap or PNG alike, with its alpha.
        for (int side : expected) {
            HICON icon = static_cast<HICON>(
                LoadImageA(instance, MAKEINTRESOURCEA(id), IMAGE_ICON, side, side, 0));
            ASSERT_NE(icon, nullptr) << side;
            ICONINFO info = {};
            GetIconInfo(icon, &info);
            BITMAP bitmap = {};
            GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
            EXPECT_EQ(bitmap.bmWidth, side);
            EXPECT_EQ(bitmap.bmBitsPixel, 32) << side;
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

static std::wstring ClassOf(HWND control)
{
    wchar_t name[64] = L"";
    GetClassNameW(control, name, 64);
    return name;
}

static std::wstring TextOf(HWND control)
{
    wchar_t text[256] = L"";
    GetWindowTextW(control, text, 256);
    return text;
}

static bool HasStyle(HWND control, LONG_PTR bits)
{
    return (GetWindowLongPtrW(control, GWL_STYLE) & bits) == bits;
}

// The letter after a single '&', upper-cased; 0 for none ("&&" is a plain '&').
static wchar_t AccessKey(const std::wstring &text)
{
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] == L'&') {
            if (text[i + 1] != L'&') {
                return static_cast<wchar_t>(towupper(text[i + 1]));
            }
            ++i;
        }
    }
    return 0;
}

static bool IsTextLabel(HWND control)
{
    LONG_PTR type = GetWindowLongPtrW(control, GWL_STYLE) & SS_TYPEMASK;
    return lstrcmpiW(ClassOf(control).c_str(), WC_STATICW) == 0 && HasStyle(control, WS_VISIBLE) &&
           (type == SS_LEFT || type == SS_CENTER || type == SS_RIGHT) && !TextOf(control).empty();
}

static bool IsButtonWithText(HWND control)
{
    return lstrcmpiW(ClassOf(control).c_str(), WC_BUTTONW) == 0 &&
           (GetWindowLongPtrW(control, GWL_STYLE) & BS_TYPEMASK) != BS_GROUPBOX;
}

// The controls that a screen reader names after the static text just before them.
static bool TakesNameFromLabel(HWND control)
{
    for (const wchar_t *name : {TRACKBAR_CLASSW, WC_COMBOBOXW, HOTKEY_CLASSW, WC_EDITW}) {
        if (lstrcmpiW(ClassOf(control).c_str(), name) == 0) {
            return true;
        }
    }
    return false;
}

// Buttons whose text the program sets, and the tabs, named by their selected tab.
static bool NamedByTheProgram(HWND control)
{
    int id = GetDlgCtrlID(control);
    return id == IDC_OPT_FREE_BUTTON || id == IDC_MAIN_TABS;
}

// What a page shows inside the main window, in z-order: every named control right after its
// visible label, every visible control that Tab reaches with an access key of its own or of its
// label, and no access key twice among the page's and the main window's.
static void ExpectReadableWithKeys(HWND main, HWND page)
{
    std::map<wchar_t, std::wstring> keys;
    for (HWND parent : {main, page}) {
        for (HWND control = GetWindow(parent, GW_CHILD); control; control = GetWindow(control, GW_HWNDNEXT)) {
            if (ClassOf(control) == L"#32770" || !HasStyle(control, WS_VISIBLE)) {
                continue;
            }
            std::wstring text = TextOf(control);
            SCOPED_TRACE(testing::Message() << "control " << GetDlgCtrlID(control) << " \"" << text.c_str() << '"');
            HWND before = GetWindow(control, GW_HWNDPREV);
            if (TakesNameFromLabel(control)) {
                EXPECT_TRUE(before != nullptr && IsTextLabel(before));
            }
            if (HasStyle(control, WS_TABSTOP) && !NamedByTheProgram(control)) {
                wchar_t key = IsButtonWithText(control) ? AccessKey(text) : before ? AccessKey(TextOf(before)) : 0;
                EXPECT_NE(key, 0);
            }
            wchar_t key = ClassOf(control) == WC_STATICW && HasStyle(control, SS_NOPREFIX) ? 0 : AccessKey(text);
            if (key != 0) {
                auto placed = keys.emplace(key, text);
                EXPECT_TRUE(placed.second) << "also on \"" << placed.first->second.c_str() << '"';
            }
        }
    }
}

TEST(Resources, EveryPageReadsInOrderWithUniqueAccessKeysInEveryLanguage)
{
    for (int language = 0; language < LanguageCount(); ++language) {
        SetLanguage(LanguageName(language));
        HWND main = CreateFromTemplate(IDD_MAIN, nullptr);
        for (int id : {IDD_OPTIMIZATION, IDD_STARTUP, IDD_ABOUT, IDD_HISTORY}) {
            SCOPED_TRACE(testing::Message() << "language " << language << ", page " << id);
            HWND page = CreateFromTemplate(id, main);
            ASSERT_NE(page, nullptr);
            ExpectReadableWithKeys(main, page);
            DestroyWindow(page);
        }
        DestroyWindow(main);
    }
}
