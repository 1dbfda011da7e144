// The tray's pictures through the real tick: icons of the small-icon size of the taskbar's DPI,
// and free memory drawn as a figure in the colour of the state on either taskbar.
#include "shell/traypicture.h"
#include "base/contrast.h"
#include "shell/tick.h"
#include "shell/tray.h"
#include "tests/support/program.h"
#include <gtest/gtest.h>
#include <functional>
#include <map>
#include <set>

static UINT Dpi = 96;

static UINT FakeTaskbarDpi()
{
    return Dpi;
}

class TrayPictureTest : public MainWindowFixture {
protected:
    void SetUp() override
    {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        Dpi = 96;
        TaskbarDpi = FakeTaskbarDpi;
        Settings.AutoFree = 1;
        Settings.MinLimit = 64 * MB;
        Settings.BusyIcon = 1;
        TrayCalls.clear();
    }

    void SetTaskbarTheme(DWORD light)
    {
        WriteRegistryDword(PersonalizeKey, "SystemUsesLightTheme", light);
        SendMessageA(window, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>("ImmersiveColorSet"));
    }
};

// The colour bitmap of an icon, top row first, as 32-bit pixels; its bits per pixel in depth.
static std::vector<DWORD> IconPixels(HICON icon, int *side, int *depth)
{
    ICONINFO info = {};
    GetIconInfo(icon, &info);
    BITMAP bitmap = {};
    GetObjectA(info.hbmColor, sizeof bitmap, &bitmap);
    *side = bitmap.bmWidth;
    *depth = bitmap.bmBitsPixel;
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = bitmap.bmWidth;
    format.bmiHeader.biHeight = -bitmap.bmHeight; // top row first
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    std::vector<DWORD> pixels(static_cast<size_t>(bitmap.bmWidth) * bitmap.bmHeight);
    HDC screen = GetDC(nullptr);
    GetDIBits(screen, info.hbmColor, 0, bitmap.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    return pixels;
}

TEST_F(TrayPictureTest, TrayGetsA32BitIconOfTheSmallIconSizeAtTheTaskbarsDpi)
{
    struct Row {
        UINT Dpi;
        int Side;
    };
    for (const Row &row : {Row{96, 16}, Row{144, 24}, Row{192, 32}}) {
        for (DWORD figure : {0u, 1u}) {
            SCOPED_TRACE(testing::Message() << row.Dpi << " DPI, figure " << figure);
            Dpi = row.Dpi;
            Settings.TrayFigure = figure;
            TrayCalls.clear();
            RefreshTick();
            RefreshTick();
            ASSERT_FALSE(TrayCalls.empty());
            // Loaded or drawn once for the DPI: every tick sends the same handle.
            EXPECT_EQ(TrayCalls.front().Icon, TrayCalls.back().Icon);
            int side = 0;
            int depth = 0;
            IconPixels(TrayCalls.back().Icon, &side, &depth);
            EXPECT_EQ(side, row.Side);
            EXPECT_EQ(depth, 32);
        }
    }
}

TEST_F(TrayPictureTest, FigureShowsNumberUnitAndTheStatesColourOnEitherTaskbar)
{
    const ULONGLONG GB = 1ull << 30;
    struct Row {
        ULONGLONG Free;
        ULONGLONG Limit;
        bool Busy;
        DWORD Light;
        const char *Number;
        const char *Unit;
        TrayState State;
    } rows[] = {
        {512 * MB + MB - 1, 64 * MB, false, 0, "512", "MB", TrayNormal},
        {GB - 1, 2 * GB, false, 1, "1023", "MB", TrayLow},
        {GB, 64 * MB, true, 0, "1.0", "GB", TrayBusy},
        {10 * GB - 1, 64 * MB, false, 1, "9.9", "GB", TrayNormal},
        {10 * GB, 16 * GB, false, 0, "10", "GB", TrayLow},
        {64 * GB + GB - 1, 64 * MB, true, 1, "64", "GB", TrayBusy},
        {100 * MB, 64 * MB, true, 0, "100", "MB", TrayBusy},
        {100 * MB, 64 * MB, false, 0, "100", "MB", TrayNormal},
        {100 * MB, 200 * MB, false, 1, "100", "MB", TrayLow},
        {3 * GB, 64 * MB, true, 1, "3.0", "GB", TrayBusy},
    };
    std::map<std::pair<DWORD, int>, COLORREF> colourOf;
    Settings.TrayFigure = 1;
    Settings.Notices = 0; // a notice after a held run would be one more send
    for (const Row &row : rows) {
        SCOPED_TRACE(testing::Message() << row.Number << ' ' << row.Unit << ", light " << row.Light);
        SetMachine(128 * GB, row.Free);
        Settings.MinLimit = row.Limit;
        SetTaskbarTheme(row.Light);
        if (row.Busy) {
            SetFakeFreeMemory(12 * MB); // what the worker reads: below its target, so it stays busy
            HoldCommits();
            ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u);
        }
        TrayCalls.clear();
        RefreshTick();

        ASSERT_EQ(TrayCalls.size(), 1u);
        EXPECT_EQ(Narrow(ShownFigure.Number), row.Number);
        EXPECT_EQ(Narrow(ShownFigure.Unit), row.Unit);
        // Drawn in that colour: the most opaque pixel carries it.
        int side = 0;
        int depth = 0;
        std::vector<DWORD> pixels = IconPixels(TrayCalls[0].Icon, &side, &depth);
        DWORD strongest = 0;
        for (DWORD pixel : pixels) {
            strongest = (pixel >> 24) > (strongest >> 24) ? pixel : strongest;
        }
        COLORREF colour = ShownFigure.Colour;
        EXPECT_EQ(strongest >> 24, 0xFFu);
        EXPECT_EQ(strongest & 0xFFFFFF,
                  static_cast<DWORD>(GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour)));
        // A light shade on a dark taskbar, a dark one on a light taskbar.
        EXPECT_EQ(GetRValue(colour) + GetGValue(colour) + GetBValue(colour) > 3 * 128, row.Light == 0);
        auto known = colourOf.emplace(std::make_pair(row.Light, static_cast<int>(row.State)), colour);
        EXPECT_EQ(known.first->second, colour); // one colour per state and theme
        if (row.Busy) {
            FinishJob();
        }
    }
    // Three states on two taskbars: six colours, all different.
    ASSERT_EQ(colourOf.size(), 6u);
    std::map<COLORREF, int> distinct;
    for (const auto &entry : colourOf) {
        ++distinct[entry.second];
    }
    EXPECT_EQ(distinct.size(), 6u);
}

TEST_F(TrayPictureTest, FigureIsSentOnlyWhenFigureStateThemeOrDpiChange)
{
    Settings.TrayFigure = 1;
    SetFreeMemory(2500 * MB);
    RefreshTick();
    HICON first = TrayIconData.hIcon;

    TrayCalls.clear();
    RefreshTick();
    EXPECT_TRUE(TrayCalls.empty()); // nothing changed

    SetFreeMemory(2501 * MB); // the tip changes, the figure stays 2.4 GB
    RefreshTick();
    ASSERT_EQ(TrayCalls.size(), 1u);
    EXPECT_EQ(TrayCalls[0].Icon, first);

    struct Change {
        const char *What;
        std::function<void()> Make;
    } changes[] = {
        {"figure", [] { SetFreeMemory(2600 * MB); }},
        {"state", [] { Settings.MinLimit = 3000 * MB; }},
        {"theme", [this] { SetTaskbarTheme(1); }},
        {"DPI", [] { Dpi = 120; }},
    };
    for (const Change &change : changes) {
        SCOPED_TRACE(change.What);
        HICON before = TrayIconData.hIcon;
        TrayCalls.clear();
        change.Make();
        RefreshTick();
        RefreshTick();
        ASSERT_EQ(TrayCalls.size(), 1u);
        EXPECT_NE(TrayCalls[0].Icon, before);
    }
    EXPECT_EQ(Narrow(ShownFigure.Number), "2.5");
}

// What the figure looks like, from its pixels alone: the number in the upper nine sixteenths,
// the unit below it, and a clear column at each edge, so that no digit is cut off.
TEST_F(TrayPictureTest, FigureInksNumberAndUnitBandsWithClearEdgesAtEachSize)
{
    const ULONGLONG GB = 1ull << 30;
    Settings.TrayFigure = 1;
    for (UINT dpi : {96u, 120u, 144u}) {
        for (ULONGLONG free : {ULONGLONG{1023 * MB}, 9 * GB + GB / 2, 64 * GB}) {
            SCOPED_TRACE(testing::Message() << dpi << " DPI, " << (free >> 20) << " MB");
            Dpi = dpi;
            SetMachine(128 * GB, free);
            RefreshTick();
            int side = 0;
            int depth = 0;
            std::vector<DWORD> pixels = IconPixels(TrayIconData.hIcon, &side, &depth);
            ASSERT_EQ(side, MulDiv(16, static_cast<int>(dpi), 96));
            int split = side * 9 / 16;
            int numberInk = 0;
            int unitInk = 0;
            int edgeInk = 0;
            for (int y = 0; y < side; ++y) {
                for (int x = 0; x < side; ++x) {
                    bool ink = (pixels[y * side + x] >> 24) != 0;
                    (y < split ? numberInk : unitInk) += ink;
                    edgeInk += ink && (x == 0 || x == side - 1);
                }
            }
            EXPECT_GT(numberInk, side);
            EXPECT_GT(unitInk, side / 2);
            EXPECT_EQ(edgeInk, 0);
        }
    }
}

// Every new picture frees the one before it: a figure for another figure or DPI, the figure
// when the chips come back, the chips of one DPI for those of another.
TEST_F(TrayPictureTest, EachNewPictureDestroysThePreviousOne)
{
    Settings.TrayFigure = 1;
    SetFreeMemory(2500 * MB);
    RefreshTick();
    struct Step {
        const char *What;
        std::function<void()> Make;
    } steps[] = {
        {"figure", [] { SetFreeMemory(2600 * MB); }},
        {"state", [] { Settings.MinLimit = 3000 * MB; }},
        {"theme", [this] { SetTaskbarTheme(1); }},
        {"figure's DPI", [] { Dpi = 120; }},
        {"chips", [] { Settings.TrayFigure = 0; }},
        {"chips' DPI", [] { Dpi = 144; }},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.What);
        HICON before = TrayIconData.hIcon;
        step.Make();
        RefreshTick();
        ASSERT_NE(TrayIconData.hIcon, before);
        ICONINFO info = {};
        EXPECT_FALSE(GetIconInfo(before, &info));
    }
}

static bool ContrastOn;

static bool FakeHighContrast()
{
    return ContrastOn;
}

static DWORD PixelOf(COLORREF colour)
{
    return 0xFF000000u | GetRValue(colour) << 16 | GetGValue(colour) << 8 | GetBValue(colour);
}

// The theme is followed on either message; each picture is opaque in the theme's colours or
// transparent, and tells its state by its frame: none, solid on the marked plate, dashed.
TEST_F(TrayPictureTest, HighContrastDrawsChipsAndFigureInTheThemesColoursOnly)
{
    ContrastOn = true;
    HighContrastThemeOn = FakeHighContrast;
    SendMessageA(window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    ThemeColours theme = CurrentThemeColours();
    const std::set<DWORD> allowed = {PixelOf(theme.Text), PixelOf(theme.Plate), PixelOf(theme.Mark),
                                     PixelOf(theme.MarkText)};
    struct Row {
        ULONGLONG Limit;
        bool Busy;
        DWORD Corner; // the top-left pixel and the one right of it; 0 where the text may reach it
        DWORD NextToCorner;
    } rows[] = {
        {64 * MB, false, PixelOf(theme.Plate), 0},
        {200 * MB, false, PixelOf(theme.MarkText), PixelOf(theme.MarkText)},
        {64 * MB, true, PixelOf(theme.Text), PixelOf(theme.Plate)},
    };
    for (DWORD figure : {0u, 1u}) {
        for (const Row &row : rows) {
            SCOPED_TRACE(testing::Message() << "figure " << figure << ", limit " << row.Limit << ", busy " << row.Busy);
            Settings.TrayFigure = figure;
            Settings.MinLimit = row.Limit;
            if (row.Busy) {
                ASSERT_EQ(RequestFreeing(HeldTarget, 1), 1u);
            }
            RefreshTick();
            int side = 0;
            int depth = 0;
            std::vector<DWORD> pixels = IconPixels(TrayIconData.hIcon, &side, &depth);
            ASSERT_EQ(side, 16);
            for (DWORD pixel : pixels) {
                ASSERT_TRUE(pixel >> 24 == 0 || allowed.count(pixel) == 1) << std::hex << pixel;
            }
            EXPECT_EQ(pixels[0], row.Corner);
            if (row.NextToCorner != 0) {
                EXPECT_EQ(pixels[1], row.NextToCorner);
            }
            if (row.Busy) {
                FinishJob();
                HoldCommits();
            }
        }
    }

    ContrastOn = false;
    SendMessageA(window, WM_SYSCOLORCHANGE, 0, 0);
    Settings.TrayFigure = 0;
    Settings.MinLimit = 64 * MB;
    RefreshTick();
    EXPECT_EQ(TrayIconData.hIcon, ProgramIcon(IDI_NORMAL));
    EXPECT_EQ(HighContrast, 0u);
}
