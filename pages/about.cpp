// The About page.
#include "pages/about.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/platform.h"
#include "res/resource.h"

void FillAboutPage(HWND page)
{
    SetDlgItemTextW(page, IDC_ABOUT_PRODUCT, ProductLine);
    SetDlgItemTextW(page, IDC_ABOUT_EMAIL, AuthorEmail);
    // Three centred lines; %1 is the product name.
    wchar_t terms[TextSize];
    FormatText(terms, TextSize, IDS_ABOUT_TERMS, {ProductName});
    SetDlgItemTextW(page, IDC_ABOUT_TERMS, terms);
}

static void OpenWebsite()
{
    ShellOpen(MainWindow, L"open", WebAddress, L"", L"", SW_SHOWNORMAL);
}

static void OnCommand(int id, UINT code)
{
    if (id == IDC_ABOUT_WEBSITE && code == BN_CLICKED) {
        OpenWebsite();
    }
}

// The page paints no background of its own: what lies beneath it shows through.
static INT_PTR OnEraseBackground(HWND page)
{
    SetWindowLongPtrW(page, DWLP_MSGRESULT, 1);
    return TRUE;
}

INT_PTR CALLBACK AboutPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_ERASEBKGND:
        return OnEraseBackground(page);
    case WM_INITDIALOG:
        TranslateDialog(page, IDD_ABOUT);
        FillAboutPage(page);
        return TRUE;
    case WM_COMMAND:
        if (lParam != 0) {
            OnCommand(LOWORD(wParam), HIWORD(wParam));
        }
        return FALSE;
    }
    return FALSE;
}
