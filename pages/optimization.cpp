// The Optimization page: limits, amounts, priority and the global hot-key.
#include "pages/optimization.h"
#include "base/handles.h"
#include "base/language.h"
#include "base/messages.h"
#include "engine/sampler.h"
#include "engine/worker.h"
#include "pages/optimization_model.h"
#include "pages/refusal.h"
#include "pages/slider.h"
#include "res/resource.h"
#include "settings/settings.h"
#include <commctrl.h>

// Every modifier combination but Ctrl alone is invalid and becomes Ctrl.
const WPARAM HotkeyInvalidCombinations =
    HKCOMB_NONE | HKCOMB_S | HKCOMB_A | HKCOMB_SC | HKCOMB_SA | HKCOMB_CA | HKCOMB_SCA;

static ByteCount Installed()
{
    return InstalledMemory.TotalPhys;
}

static DWORD SliderAt(HWND page, int id)
{
    return static_cast<DWORD>(SendDlgItemMessageW(page, id, TBM_GETPOS, 0, 0));
}

static void MoveSlider(HWND page, int id, DWORD position)
{
    SendDlgItemMessageW(page, id, TBM_SETPOS, TRUE, static_cast<LPARAM>(position));
}

static void ShowLimit(HWND page, int slider, const LimitOutcome &outcome, int amountText, int shareText)
{
    if (outcome.Yielded) {
        MoveSlider(page, slider, outcome.Position);
    }
    SetDlgItemTextW(page, amountText, outcome.Amount);
    SetDlgItemTextW(page, shareText, outcome.Share);
}

static void ApplyLowerLimit(HWND page)
{
    DWORD lower = SliderAt(page, IDC_OPT_LOWER_SLIDER);
    DWORD freeTo = SliderAt(page, IDC_OPT_FREETO_SLIDER);
    LimitOutcome outcome = LowerLimitMoved(lower, freeTo, Installed());
    Settings.MinLimit = outcome.Bytes;
    ShowLimit(page, IDC_OPT_LOWER_SLIDER, outcome, IDC_OPT_LOWER_TEXT, IDC_OPT_LOWER_SHARE);
}

static void ApplyFreeTo(HWND page)
{
    DWORD lower = SliderAt(page, IDC_OPT_LOWER_SLIDER);
    DWORD freeTo = SliderAt(page, IDC_OPT_FREETO_SLIDER);
    LimitOutcome outcome = FreeToMoved(lower, freeTo, Installed());
    Settings.FreeTo = outcome.Bytes;
    ShowLimit(page, IDC_OPT_FREETO_SLIDER, outcome, IDC_OPT_FREETO_TEXT, IDC_OPT_FREETO_SHARE);
}

static void ApplyManualAmount(HWND page)
{
    ByteCount freeNow = CurrentSample().AvailPhys;
    FreeUpOutcome outcome = AmountMoved(SliderAt(page, IDC_OPT_AMOUNT_SLIDER), freeNow);
    Settings.ManualFree = outcome.Bytes;
    SetDlgItemTextW(page, IDC_OPT_FREE_BUTTON, outcome.Text);
}

void ApplySliderPosition(HWND page, int id)
{
    switch (id) {
    case IDC_OPT_LOWER_SLIDER:
        ApplyLowerLimit(page);
        break;
    case IDC_OPT_FREETO_SLIDER:
        ApplyFreeTo(page);
        break;
    case IDC_OPT_AMOUNT_SLIDER:
        ApplyManualAmount(page);
        break;
    }
}

void RegisterFreeHotkey()
{
    // A replaced combination must stop starting runs, and a cleared control registers nothing.
    UnregisterHotKey(OptimizationPage, HOTKEY_FREE);
    UINT key = HotkeyKey(Settings.Hotkey);
    if (key != 0) {
        RegisterHotKey(OptimizationPage, HOTKEY_FREE, HotkeyModifiers(Settings.Hotkey), key);
    }
}

void RefreshOptimizationPage(HWND page)
{
    CheckDlgButton(page, IDC_OPT_AUTOFREE_CHECK, Settings.AutoFree ? BST_CHECKED : BST_UNCHECKED);
    SendDlgItemMessageW(page, IDC_OPT_PRIORITY_COMBO, CB_SETCURSEL, Settings.Priority, 0);

    FillMemorySlider(page, IDC_OPT_LOWER_SLIDER, Settings.MinLimit);
    FillMemorySlider(page, IDC_OPT_FREETO_SLIDER, Settings.FreeTo);
    FillMemorySlider(page, IDC_OPT_AMOUNT_SLIDER, Settings.ManualFree);

    SendDlgItemMessageW(page, IDC_OPT_PROGRESS, PBM_SETRANGE, 0, MAKELPARAM(0, ProgressScale));
    SendDlgItemMessageW(page, IDC_OPT_PROGRESS, PBM_SETPOS, FreeingProgress.load(), 0);

    // Reading the positions back rounds the settings to whole units within the range.
    ApplySliderPosition(page, IDC_OPT_LOWER_SLIDER);
    ApplySliderPosition(page, IDC_OPT_FREETO_SLIDER);
    ApplySliderPosition(page, IDC_OPT_AMOUNT_SLIDER);

    SendDlgItemMessageW(page, IDC_OPT_HOTKEY, HKM_SETRULES, HotkeyInvalidCombinations,
                        MAKELPARAM(HOTKEYF_CONTROL, 0));
    SendDlgItemMessageW(page, IDC_OPT_HOTKEY, HKM_SETHOTKEY, Settings.Hotkey, 0);
    RegisterFreeHotkey();
}

DWORD FreeUpManually(FreeingSource source)
{
    return FreeUpBy(Settings.ManualFree, ManualAttempts, source);
}

static void OnInitDialog(HWND page)
{
    // Recorded before anything else: the hot-key registration below is made for this window.
    OptimizationPage = page;
    for (UINT id : {IDS_OPT_PRIORITY_IDLE, IDS_OPT_PRIORITY_NORMAL, IDS_OPT_PRIORITY_HIGH}) {
        wchar_t entry[TextSize];
        LoadText(id, entry, TextSize);
        SendDlgItemMessageW(page, IDC_OPT_PRIORITY_COMBO, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    }
    RefreshOptimizationPage(page);
}

static void OnCommand(HWND page, int id, UINT code)
{
    switch (id) {
    case IDC_OPT_FREE_BUTTON:
        if (code == BN_CLICKED) {
            FreeUpManually(ButtonRun);
        }
        break;
    case IDC_OPT_PRIORITY_COMBO:
        if (code == CBN_SELCHANGE) {
            Settings.Priority = static_cast<DWORD>(SendDlgItemMessageW(page, id, CB_GETCURSEL, 0, 0));
            ApplyWorkerPriority();
        }
        break;
    case IDC_OPT_AUTOFREE_CHECK:
        Settings.AutoFree = IsDlgButtonChecked(page, id) == BST_CHECKED ? 1 : 0;
        break;
    case IDC_OPT_HOTKEY:
        if (code == EN_CHANGE) {
            Settings.Hotkey = static_cast<DWORD>(SendDlgItemMessageW(page, id, HKM_GETHOTKEY, 0, 0)) & 0xFFFF;
            RegisterFreeHotkey();
        }
        break;
    }
}

INT_PTR CALLBACK OptimizationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        TranslateDialog(page, IDD_OPTIMIZATION);
        OnInitDialog(page);
        return TRUE;
    case WM_COMMAND:
        if (lParam != 0) {
            OnCommand(page, LOWORD(wParam), HIWORD(wParam));
        }
        return FALSE;
    case WM_HSCROLL:
        ApplySliderPosition(page, GetDlgCtrlID(reinterpret_cast<HWND>(lParam)));
        return FALSE;
    case WM_HOTKEY:
        if (wParam == HOTKEY_FREE) {
            FreeUpManually(HotkeyRun);
        }
        return FALSE;
    case WM_APP_REFRESH:
        RefreshOptimizationPage(page);
        return FALSE;
    }
    return FALSE;
}
