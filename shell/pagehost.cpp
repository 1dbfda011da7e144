// The tab pages inside the main window: creation, layout and selection.
#include "shell/pagehost.h"
#include "base/fatal.h"
#include "base/handles.h"
#include "base/language.h"
#include "res/resource.h"
#include "shell/startup.h"
#include <commctrl.h>

HWND ShownPage;

// The page is a sibling of the tab control, laid over it; its tab carries the page window.
HWND CreatePage(HWND tabs, HWND mainWindow, int dialogId, DLGPROC procedure, UINT tabTextId)
{
    HWND page = CreateDialogParamW(AppInstance, MAKEINTRESOURCEW(dialogId), mainWindow, procedure, 0);
    if (!page) {
        ReportFatal(IDS_FATAL_PAGE);
        return nullptr;
    }
    wchar_t tabText[TextSize];
    LoadText(tabTextId, tabText, TextSize);
    TCITEMW item = {};
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = tabText;
    item.lParam = reinterpret_cast<LPARAM>(page);
    SendMessageW(tabs, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return page;
}

// Over the display area, one pixel wider to the left, and above the tab control.
static void LayoutPage(HWND page)
{
    HWND tabs = GetDlgItem(MainWindow, IDC_MAIN_TABS);
    RECT r;
    GetWindowRect(tabs, &r);
    // Mapped as one rectangle, so that a mirrored window gets its left and right right.
    MapWindowPoints(HWND_DESKTOP, MainWindow, reinterpret_cast<POINT *>(&r), 2);
    SendMessageW(tabs, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
    r.left -= 1;
    SetWindowPos(page, HWND_TOP, r.left, r.top, r.right - r.left, r.bottom - r.top, 0);
}

static HWND PageOfTab(HWND tabs, int index)
{
    TCITEMW item = {};
    item.mask = TCIF_PARAM;
    SendMessageW(tabs, TCM_GETITEMW, index, reinterpret_cast<LPARAM>(&item));
    return reinterpret_cast<HWND>(item.lParam);
}

// Every page in the order of its tab.
void LayoutPages()
{
    HWND tabs = GetDlgItem(MainWindow, IDC_MAIN_TABS);
    int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        LayoutPage(PageOfTab(tabs, i));
    }
}

// Moving the selection makes the tab control send TCN_SELCHANGE, which shows the page.
void SelectPage(HWND page)
{
    HWND tabs = GetDlgItem(MainWindow, IDC_MAIN_TABS);
    int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        if (PageOfTab(tabs, i) == page) {
            SendMessageW(tabs, TCM_SETCURFOCUS, i, 0);
            return;
        }
    }
}

void OnTabSelectionChange(HWND tabs)
{
    if (ShownPage) {
        ShowWindow(ShownPage, SW_HIDE);
    }
    int index = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    ShownPage = PageOfTab(tabs, index);
    ShowWindow(ShownPage, SW_SHOW);
}

static bool IsHotKeyControl(HWND window)
{
    wchar_t name[32] = L"";
    GetClassNameW(window, name, 32);
    return lstrcmpiW(name, HOTKEY_CLASSW) == 0;
}

// Ctrl+Tab and Ctrl+PageDown go to the next page, Ctrl+Shift+Tab and Ctrl+PageUp to the one
// before, as in Windows' property sheets. The hot-key control keeps them: a user may choose one
// as the hot-key. A focus left on the hidden page moves to the tabs.
bool SwitchPageByKey(const MSG *message)
{
    if (message->message != WM_KEYDOWN || GetKeyState(VK_CONTROL) >= 0 || !IsChild(MainWindow, message->hwnd) ||
        IsHotKeyControl(message->hwnd)) {
        return false;
    }
    int step;
    if (message->wParam == VK_TAB) {
        step = GetKeyState(VK_SHIFT) < 0 ? -1 : 1;
    } else if (message->wParam == VK_NEXT) {
        step = 1;
    } else if (message->wParam == VK_PRIOR) {
        step = -1;
    } else {
        return false;
    }
    HWND tabs = GetDlgItem(MainWindow, IDC_MAIN_TABS);
    int count = static_cast<int>(SendMessageW(tabs, TCM_GETITEMCOUNT, 0, 0));
    if (count == 0) {
        return false;
    }
    int shown = static_cast<int>(SendMessageW(tabs, TCM_GETCURSEL, 0, 0));
    HWND focus = GetFocus();
    bool focusOnPage = ShownPage != nullptr && IsChild(ShownPage, focus);
    SelectPage(PageOfTab(tabs, (shown + step + count) % count));
    if (focusOnPage) {
        SendMessageW(MainWindow, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(tabs), TRUE);
    }
    return true;
}
