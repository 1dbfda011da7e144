// The About page.
#include "pages/about.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/platform.h"
#include "res/resource.h"
#include <cstdio>

const size_t TermsTextSize = 256;

void FillAboutPage(HWND page)
{
    SetDlgItemTextA(page, IDC_ABOUT_PRODUCT, ProductLine);
    SetDlgItemTextA(page, IDC_ABOUT_EMAIL, AuthorEmail);
    char terms[TermsTextSize];
    snprintf(terms, sizeof terms, TermsFormat, ProductName);
    SetDlgItemTextA(page, IDC_ABOUT_TERMS, terms);
}

static void OpenWebsite()
{
    ShellOpen(MainWindow, "open", WebAddress, "", "", SW_SHOWNORMAL);
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
    SetWindowLongPtrA(page, DWLP_MSGRESULT, 1);
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
