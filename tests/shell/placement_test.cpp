// Placing the main window next to the notification area, and bringing it back on the desktop.
#include "shell/placement.h"
#include "base/handles.h"
#include "base/platform.h"
#include "res/resource.h"
#include "tests/shell/taskbar.h"
#include <gtest/gtest.h>
#include <vector>

static INT_PTR CALLBACK PlainDialog(HWND, UINT message, WPARAM, LPARAM)
{
    return message == WM_INITDIALOG;
}

class PlacementTest : public testing::Test {
protected:
    void SetUp() override
    {
        window = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                    PlainDialog, 0);
        ASSERT_NE(window, nullptr);
        RECT r = WindowRect(window);
        width = r.right - r.left;
        height = r.bottom - r.top;
        desktop = DesktopRect();
    }

    // Where the window lands with the notification area at that rectangle.
    POINT PlaceAgainst(RECT area)
    {
        HWND taskbar = MakeTray(area, area);
        SetWindowPos(window, nullptr, 300, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        PlaceNearTray(window);
        DestroyWindow(taskbar);
        RECT r = WindowRect(window);
        return {r.left, r.top};
    }

    HWND window = nullptr;
    int width = 0;
    int height = 0;
    RECT desktop = {};
};

// A window moved onto a monitor of another DPI takes that DPI's size during the move; this one
// grows by half on the first move of each test.
static bool Grown;

static INT_PTR CALLBACK GrowingDialog(HWND window, UINT message, WPARAM, LPARAM)
{
    if (message == WM_MOVE && !Grown) {
        Grown = true;
        RECT r;
        GetWindowRect(window, &r);
        SetWindowPos(window, nullptr, 0, 0, (r.right - r.left) * 3 / 2, (r.bottom - r.top) * 3 / 2,
                     SWP_NOMOVE | SWP_NOZORDER);
    }
    return message == WM_INITDIALOG;
}

static void ExpectAt(POINT actual, LONG x, LONG y)
{
    EXPECT_EQ(actual.x, x);
    EXPECT_EQ(actual.y, y);
}

TEST_F(PlacementTest, SitsBesideTheAreaOnItsSideOfTheScreen)
{
    LONG right = desktop.right;
    LONG bottom = desktop.bottom;
    {
        SCOPED_TRACE("bottom right");
        ExpectAt(PlaceAgainst({right - 200, bottom - 30, right - 10, bottom}), right - 10 - width,
                 bottom - 30 - height - 4);
    }
    {
        SCOPED_TRACE("top right");
        ExpectAt(PlaceAgainst({right - 200, 0, right - 10, 30}), right - 10 - width, 34);
    }
    {
        SCOPED_TRACE("bottom left");
        ExpectAt(PlaceAgainst({10, bottom - 30, 200, bottom}), 10, bottom - 30 - height - 4);
    }
    {
        SCOPED_TRACE("top left");
        ExpectAt(PlaceAgainst({10, 0, 200, 30}), 10, 34);
    }
}

TEST_F(PlacementTest, TheMiddleOfTheDesktopCountsAsRightAndUpperHalf)
{
    LONG middleX = desktop.right / 2;
    LONG middleY = desktop.bottom / 2;
    {
        SCOPED_TRACE("left edge at the middle");
        ExpectAt(PlaceAgainst({middleX, desktop.bottom - 30, middleX + 100, desktop.bottom}),
                 middleX + 100 - width, desktop.bottom - 30 - height - 4);
    }
    {
        SCOPED_TRACE("one to the left of the middle");
        ExpectAt(PlaceAgainst({middleX - 1, desktop.bottom - 30, middleX + 100, desktop.bottom}),
                 middleX - 1, desktop.bottom - 30 - height - 4);
    }
    {
        SCOPED_TRACE("top edge at the middle");
        ExpectAt(PlaceAgainst({10, middleY, 40, middleY + 200}), 10, middleY + 200 + 4);
    }
    {
        SCOPED_TRACE("one below the middle");
        ExpectAt(PlaceAgainst({10, middleY + 1, 40, middleY + 200}), 10, middleY + 1 - height - 4);
    }
}

TEST_F(PlacementTest, AWindowThatChangesSizeOnTheMoveIsPlacedWithItsNewSize)
{
    HWND growing = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_MAIN), nullptr,
                                      GrowingDialog, 0);
    ASSERT_NE(growing, nullptr);
    RECT area = {desktop.right - 200, desktop.bottom - 30, desktop.right - 10, desktop.bottom};
    HWND taskbar = MakeTray(area, area);
    Grown = false;
    PlaceNearTray(growing);
    DestroyWindow(taskbar);

    RECT r = WindowRect(growing);
    EXPECT_EQ(r.right - r.left, width * 3 / 2);
    ExpectAt({r.left, r.top}, area.right - (r.right - r.left), area.top - (r.bottom - r.top) - 4);
    DestroyWindow(growing);
}

TEST_F(PlacementTest, NoNotificationAreaLeavesTheWindowWhereItIs)
{
    // Wine's desktop may have a task bar window of its own, but without a notification area.
    HWND taskbar = FindWindowA("Shell_TrayWnd", nullptr);
    if (taskbar && FindWindowExA(taskbar, nullptr, "TrayNotifyWnd", nullptr)) {
        GTEST_SKIP() << "this desktop has a notification area of its own";
    }
    SetWindowPos(window, nullptr, 123, 45, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    PlaceNearTray(window);
    ExpectAt({WindowRect(window).left, WindowRect(window).top}, 123, 45);
}

TEST_F(PlacementTest, EnsureOnDesktopMovesOnlyAWindowWhollyOutside)
{
    MakeBottomTray();
    MainWindow = window;
    RECT area = BottomRightArea();
    POINT nearTray = {area.right - width, area.top - height - 4};

    struct Case {
        const char *name;
        int x;
        int y;
        bool moved;
    } cases[] = {
        {"touching the left edge", desktop.left - width, 200, false},
        {"touching the right edge", desktop.right, 200, false},
        {"touching the top edge", 200, desktop.top - height, false},
        {"touching the bottom edge", 200, desktop.bottom, false},
        {"one past the left edge", desktop.left - width - 1, 200, true},
        {"one past the right edge", desktop.right + 1, 200, true},
        {"one past the top edge", 200, desktop.top - height - 1, true},
        {"one past the bottom edge", 200, desktop.bottom + 1, true},
        {"far right of the desktop", 65528, 100, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetWindowPos(window, nullptr, c.x, c.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EnsureOnDesktop();
        RECT r = WindowRect(window);
        if (c.moved) {
            ExpectAt({r.left, r.top}, nearTray.x, nearTray.y);
        } else {
            ExpectAt({r.left, r.top}, c.x, c.y);
        }
    }
}

// Monitors of the test's making, each with its work area.
struct FakeMonitor {
    RECT Screen;
    RECT Work;
};
static std::vector<FakeMonitor> Monitors;

static HMONITOR WINAPI FakeMonitorOfRect(LPCRECT rect, DWORD flags)
{
    for (size_t i = 0; i < Monitors.size(); ++i) {
        RECT common;
        if (IntersectRect(&common, rect, &Monitors[i].Screen)) {
            return reinterpret_cast<HMONITOR>(i + 1);
        }
    }
    return flags == MONITOR_DEFAULTTONEAREST ? reinterpret_cast<HMONITOR>(1) : nullptr;
}

static BOOL WINAPI FakeMonitorInfo(HMONITOR monitor, LPMONITORINFO info)
{
    const FakeMonitor &m = Monitors[reinterpret_cast<size_t>(monitor) - 1];
    info->rcMonitor = m.Screen;
    info->rcWork = m.Work;
    return TRUE;
}

// As Windows reports it: the normal rectangle from the top left of its monitor's work area.
static BOOL WINAPI WorkspacePlacement(HWND window, WINDOWPLACEMENT *placement)
{
    GetWindowPlacement(window, placement);
    RECT &r = placement->rcNormalPosition;
    HMONITOR monitor = FakeMonitorOfRect(&r, MONITOR_DEFAULTTONEAREST);
    const FakeMonitor &m = Monitors[reinterpret_cast<size_t>(monitor) - 1];
    OffsetRect(&r, m.Screen.left - m.Work.left, m.Screen.top - m.Work.top);
    return TRUE;
}

TEST_F(PlacementTest, ASavedPositionComesBackWhereItWas)
{
    MainWindow = window;
    // The task bar along the top of the primary monitor, a bar at the left of one left of it.
    Monitors = {{desktop, {desktop.left, desktop.top + 40, desktop.right, desktop.bottom}},
                {{-1500, 0, 0, 1200}, {-1440, 0, 0, 1200}}};
    MonitorOfRect = FakeMonitorOfRect;
    MonitorInfoOf = FakeMonitorInfo;
    WindowPlacementOf = WorkspacePlacement;

    const POINT places[] = {{300, 200}, {-1400, 100}, {-1500, 0}};
    for (POINT at : places) {
        SCOPED_TRACE(testing::Message() << "at " << at.x << ", " << at.y);
        SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        DWORD saved = SavedPositionOf(window);
        SetWindowPos(window, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        RestoreSavedPosition(window, saved);
        EnsureOnDesktop();
        ExpectAt({WindowRect(window).left, WindowRect(window).top}, at.x, at.y);
    }
}

TEST_F(PlacementTest, AWindowOnASecondMonitorStaysThere)
{
    MakeBottomTray();
    MainWindow = window;
    RECT second = {desktop.right, desktop.top, desktop.right + 1280, desktop.top + 1024};
    Monitors = {{desktop, desktop}, {second, second}};
    MonitorOfRect = FakeMonitorOfRect;
    RECT area = BottomRightArea();

    struct Case {
        const char *name;
        int x;
        bool moved;
    } cases[] = {
        {"on the second monitor", desktop.right + 100, false},
        {"across both", desktop.right - width / 2, false},
        {"touching the second monitor's right edge", desktop.right + 1280, false},
        {"one past the second monitor", desktop.right + 1281, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        SetWindowPos(window, nullptr, c.x, 200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        EnsureOnDesktop();
        RECT r = WindowRect(window);
        if (c.moved) {
            ExpectAt({r.left, r.top}, area.right - width, area.top - height - 4);
        } else {
            ExpectAt({r.left, r.top}, c.x, 200);
        }
    }
}
