// The Startup & Exit page: start with Windows, freeing at start-up, saving on exit, notices
// and what the tray icon shows.
#include "pages/startup.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/memstatus.h"
#include "base/messages.h"
#include "base/platform.h"
#include "engine/worker.h"
#include "pages/slider.h"
#include "res/resource.h"
#include "settings/autostart.h"
#include "settings/settings.h"
#include <commctrl.h>

static bool IsChecked(HWND page, int id)
{
    return IsDlgButtonChecked(page, id) == BST_CHECKED;
}

static void SetChecked(HWND page, int id, bool checked)
{
    CheckDlgButton(page, id, checked ? BST_CHECKED : BST_UNCHECKED);
}

void UpdateStartupTarget(HWND page)
{
    Settings.AppLoadFreeSize = MemorySliderBytes(page, IDC_STARTUP_SLIDER);
    wchar_t figure[TextSize];
    FormatDecimal(figure, TextSize, Megabytes(Settings.AppLoadFreeSize), 2);
    wchar_t text[TextSize];
    FormatText(text, TextSize, IDS_STARTUP_TARGET, {figure});
    SetDlgItemTextW(page, IDC_STARTUP_TARGET_TEXT, text);
}

void RefreshStartupPage(HWND page)
{
    SetChecked(page, IDC_STARTUP_SAVECONFIG, Settings.SaveConfig != 0);
    SetChecked(page, IDC_STARTUP_AUTOSTART, IsAutostartRegistered());
    SetChecked(page, IDC_STARTUP_LOADFREE, Settings.AppLoadFree != 0);
    SetChecked(page, IDC_STARTUP_TRAYFIGURE, Settings.TrayFigure != 0);

    SendDlgItemMessageW(page, IDC_STARTUP_NOTICES, CB_SETCURSEL, Settings.Notices, 0);

    FillMemorySlider(page, IDC_STARTUP_SLIDER, Settings.AppLoadFreeSize);
    UpdateStartupTarget(page);
}

// "Windows' language" first, then each shipped language by its own name.
static void FillLanguages(HWND page)
{
    wchar_t text[TextSize];
    LoadText(IDS_LANGUAGE_WINDOWS, text, TextSize);
    SendDlgItemMessageW(page, IDC_STARTUP_LANGUAGE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    wchar_t setting[LanguageNameSize];
    LoadLanguageSetting(setting, LanguageNameSize);
    int selected = 0;
    for (int i = 0; i < LanguageCount(); ++i) {
        SendDlgItemMessageW(page, IDC_STARTUP_LANGUAGE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(LanguageOwnName(i)));
        if (_wcsicmp(setting, LanguageName(i)) == 0) {
            selected = i + 1;
        }
    }
    SendDlgItemMessageW(page, IDC_STARTUP_LANGUAGE, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

// Saved at once, and taken at once: the main window recreates this page among the others.
static void OnLanguageChosen(HWND page)
{
    int selected = static_cast<int>(SendDlgItemMessageW(page, IDC_STARTUP_LANGUAGE, CB_GETCURSEL, 0, 0));
    const wchar_t *name = selected > 0 && selected <= LanguageCount() ? LanguageName(selected - 1) : L"";
    SaveLanguageSetting(name);
    SetLanguage(name);
    PostMessageW(MainWindow, WM_APP_LANGUAGE, 0, 0);
}

// In the order of the Notices values.
static void OnInitDialog(HWND page)
{
    FillLanguages(page);
    for (UINT id : {IDS_NOTICES_NONE, IDS_NOTICES_ASKED, IDS_NOTICES_EVERY}) {
        wchar_t choice[TextSize];
        LoadText(id, choice, TextSize);
        SendDlgItemMessageW(page, IDC_STARTUP_NOTICES, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    }
    RefreshStartupPage(page);
}

static void SaveNow(HWND page)
{
    SaveSettings();
    wchar_t text[TextSize];
    wchar_t caption[TextSize];
    LoadText(IDS_STARTUP_SAVED, text, TextSize);
    LoadText(IDS_CAPTION_MESSAGE, caption, TextSize);
    ShowMessageBox(page, text, caption, MB_ICONINFORMATION);
}

static void ReloadAfterAsking(HWND page)
{
    wchar_t text[TextSize];
    wchar_t caption[TextSize];
    LoadText(IDS_STARTUP_RELOAD, text, TextSize);
    LoadText(IDS_CAPTION_WARNING, caption, TextSize);
    if (ShowMessageBox(page, text, caption, MB_YESNO | MB_ICONWARNING) != IDYES) {
        return;
    }
    LoadSettings();
    ApplyWorkerPriority();
    // The main window passes the notice on to every page.
    SendMessageW(MainWindow, WM_APP_REFRESH, 0, 0);
}

void StartupPageCommand(HWND page, UINT code, UINT id)
{
    if (id == IDC_STARTUP_LANGUAGE && code == CBN_SELCHANGE) {
        OnLanguageChosen(page);
        return;
    }
    if (id == IDC_STARTUP_NOTICES && code == CBN_SELCHANGE) {
        Settings.Notices = static_cast<DWORD>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
    case IDC_STARTUP_AUTOSTART:
        SetAutostart(IsChecked(page, IDC_STARTUP_AUTOSTART));
        break;
    case IDC_STARTUP_SAVECONFIG:
        Settings.SaveConfig = IsChecked(page, IDC_STARTUP_SAVECONFIG) ? 1 : 0;
        break;
    case IDC_STARTUP_LOADFREE:
        Settings.AppLoadFree = IsChecked(page, IDC_STARTUP_LOADFREE) ? 1 : 0;
        break;
    case IDC_STARTUP_TRAYFIGURE:
        Settings.TrayFigure = IsChecked(page, IDC_STARTUP_TRAYFIGURE) ? 1 : 0;
        break;
    case IDC_STARTUP_SAVE:
        SaveNow(page);
        break;
    case IDC_STARTUP_RELOAD:
        ReloadAfterAsking(page);
        break;
    }
}

static void OnHScroll(HWND page, HWND slider)
{
    if (GetDlgCtrlID(slider) == IDC_STARTUP_SLIDER) {
        UpdateStartupTarget(page);
    }
}

INT_PTR CALLBACK StartupPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        TranslateDialog(page, IDD_STARTUP);
        OnInitDialog(page);
        return TRUE;
    case WM_COMMAND:
        if (lParam != 0) {
            StartupPageCommand(page, HIWORD(wParam), LOWORD(wParam));
        }
        return FALSE;
    case WM_HSCROLL:
        OnHScroll(page, reinterpret_cast<HWND>(lParam));
        return FALSE;
    case WM_APP_REFRESH:
        RefreshStartupPage(page);
        return FALSE;
    }
    return FALSE;
}
