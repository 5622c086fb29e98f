// The two windows as the user meets them: created from their definitions,
// clicked through their zones, closed by Esc; run in-process.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/app_test_support.h"
#include "app/help_window.h"
#include "app/main_window.h"
#include "app/skin_objects.h"
#include "app/window_layer.h"
#include "skin/control_props.h"

namespace dropshrink {
namespace {

using test::IsTopmost;
using test::PumpUntil;

std::vector<HWND> ChildrenOfClass(HWND parent, const char* className) {
  std::vector<HWND> found;
  for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    char name[64] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, className) == 0) {
      found.push_back(child);
    }
  }
  return found;
}

RECT RectInParent(HWND child) {
  RECT rect;
  GetWindowRect(child, &rect);
  MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

// The zone of the window whose rectangle starts at (left, top).
HWND ZoneAt(HWND window, int left, int top) {
  for (HWND zone : ChildrenOfClass(window, "DropShrinkZone")) {
    RECT rect = RectInParent(zone);
    if (rect.left == left && rect.top == top) {
      return zone;
    }
  }
  return nullptr;
}

// A left-button release over the zone, as the system delivers it.
void ReleaseOver(HWND zone) { PostMessageA(zone, WM_LBUTTONUP, 0, MAKELPARAM(5, 5)); }

class WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::quitMessages = 0;
    main = LoadWindow(AppWindow::Main, false);
    ASSERT_NE(main, nullptr);
    PumpUntil([] { return false; }, 100);
  }
  void TearDown() override {
    if (HandleOf(AppWindow::Help)) {
      DestroyWindow(HandleOf(AppWindow::Help));
    }
    if (HandleOf(AppWindow::Main)) {
      DestroyWindow(HandleOf(AppWindow::Main));
    }
    // The last window's quit request must not reach the next test.
    PumpUntil([] { return false; }, 50);
  }
  HWND main = nullptr;
};

TEST_F(WindowsTest, MainWindowIsACentredBorderlessTopmostStripWithItsZonesAboveTheOverlay) {
  RECT rect;
  GetWindowRect(main, &rect);
  EXPECT_EQ(rect.right - rect.left, 400);
  EXPECT_EQ(rect.bottom - rect.top, 100);
  EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 400) / 2);
  EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2);
  LONG style = GetWindowLongA(main, GWL_STYLE);
  EXPECT_EQ(style & (WS_CAPTION | WS_BORDER | WS_THICKFRAME | WS_SYSMENU | WS_MINIMIZEBOX |
                     WS_MAXIMIZEBOX),
            0);
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_TRUE(IsTopmost(main));
  EXPECT_TRUE(GetWindowLongA(main, GWL_EXSTYLE) & WS_EX_LAYERED);
  EXPECT_EQ(GetWindow(main, GW_OWNER), nullptr) << "an owned window has no taskbar button";
  char title[8] = "x";
  GetWindowTextA(main, title, sizeof title);
  EXPECT_STREQ(title, "");

  HWND overlay = overlayPicture->GetHandle();
  ASSERT_NE(overlay, nullptr);
  EXPECT_EQ(GetParent(overlay), main);
  RECT overlayRect = RectInParent(overlay);
  EXPECT_EQ(overlayRect.right - overlayRect.left, 400);
  EXPECT_EQ(overlayRect.bottom - overlayRect.top, 100);
  EXPECT_NE(GetPropA(overlay, prop::BackImage), nullptr) << "no idle picture";

  struct Row {
    const char* label;
    RECT rect;
  };
  const Row rows[] = {
      {"Help", {0, 0, 80, 20}},
      {"-", {348, 0, 366, 20}},
      {"X", {370, 0, 388, 20}},
  };
  for (const Row& row : rows) {
    HWND zone = ZoneAt(main, row.rect.left, row.rect.top);
    ASSERT_NE(zone, nullptr) << row.label;
    RECT rect = RectInParent(zone);
    EXPECT_EQ(rect.right, row.rect.right) << row.label;
    EXPECT_EQ(rect.bottom, row.rect.bottom) << row.label;
    EXPECT_TRUE(GetWindowLongA(zone, GWL_EXSTYLE) & WS_EX_TRANSPARENT) << row.label;
    // The overlay covers the whole window; the zone must win the click.
    POINT centre = {(row.rect.left + row.rect.right) / 2, (row.rect.top + row.rect.bottom) / 2};
    EXPECT_EQ(ChildWindowFromPointEx(main, centre, CWP_SKIPINVISIBLE), zone) << row.label;
  }
}

// Runs inside the help window's nested loop, on a timer, so the test can see
// the state while the modal window is up and then close it its way.
struct HelpVisit {
  bool sawHelp = false;
  bool mainEnabled = true;
  bool mainTopmost = true;
  bool helpOwnedByLayer = false;
  bool helpTopmost = true;
  RECT helpRect = {};
  HWND helpInFront = nullptr;
  int timerTicks = 0;
  void (*close)(HWND help) = nullptr;
} visit;

void CALLBACK LookAtHelp(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND help = HandleOf(AppWindow::Help);
  if (!help || ++visit.timerTicks < 3) {
    return;
  }
  KillTimer(nullptr, timer);
  HWND main = HandleOf(AppWindow::Main);
  visit.sawHelp = true;
  visit.mainEnabled = IsWindowEnabled(main) != FALSE;
  visit.mainTopmost = IsTopmost(main);
  visit.helpTopmost = IsTopmost(help);
  visit.helpOwnedByLayer = GetWindow(help, GW_OWNER) == LayerOwnerWindow();
  GetWindowRect(help, &visit.helpRect);
  // Which of the two is higher in the z-order.
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    if (w == help || w == main) {
      visit.helpInFront = w;
      break;
    }
  }
  visit.close(help);
}

void CloseWithOk(HWND help) { ReleaseOver(ZoneAt(help, 190, 50)); }

void CloseWithEsc(HWND help) { PostMessageA(help, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }

void CloseWithSystemCommand(HWND help) { PostMessageA(help, WM_CLOSE, 0, 0); }

TEST_F(WindowsTest, HelpOpensModalInFrontAndHowEverItClosesTheMainWindowIsBackOnTop) {
  struct Row {
    const char* label;
    void (*close)(HWND help);
  };
  const Row rows[] = {
      {"确定 zone", CloseWithOk},
      {"Esc", CloseWithEsc},
      {"close request", CloseWithSystemCommand},
  };
  for (const Row& row : rows) {
    visit = HelpVisit();
    visit.close = row.close;
    UINT_PTR timer = SetTimer(nullptr, 0, 20, LookAtHelp);
    HWND helpZone = ZoneAt(main, 0, 0);
    ASSERT_NE(helpZone, nullptr);
    ReleaseOver(helpZone);
    bool closed = PumpUntil([] { return visit.sawHelp && !HandleOf(AppWindow::Help); }, 5000);
    KillTimer(nullptr, timer);
    ASSERT_TRUE(closed) << row.label << ": the help window did not come and go";

    EXPECT_FALSE(visit.mainEnabled) << row.label << ": main window took clicks meanwhile";
    EXPECT_FALSE(visit.mainTopmost) << row.label;
    EXPECT_FALSE(visit.helpTopmost) << row.label;
    EXPECT_TRUE(visit.helpOwnedByLayer) << row.label << ": help would get a taskbar button";
    EXPECT_EQ(visit.helpRect.right - visit.helpRect.left, 461) << row.label;
    EXPECT_EQ(visit.helpRect.bottom - visit.helpRect.top, 100) << row.label;
    EXPECT_EQ(visit.helpRect.left, (GetSystemMetrics(SM_CXSCREEN) - 461) / 2) << row.label;
    EXPECT_EQ(visit.helpRect.top, (GetSystemMetrics(SM_CYSCREEN) - 100) / 2) << row.label;
    EXPECT_NE(visit.helpInFront, nullptr) << row.label;
    EXPECT_NE(visit.helpInFront, main) << row.label << ": help opened behind the main window";

    EXPECT_TRUE(IsWindowEnabled(main)) << row.label;
    EXPECT_TRUE(IsTopmost(main)) << row.label;
    EXPECT_EQ(test::quitMessages, 0) << row.label << ": closing help ended the program";
  }
}

TEST_F(WindowsTest, MinimiseZoneMinimisesTheMainWindow) {
  ReleaseOver(ZoneAt(main, 348, 0));
  EXPECT_TRUE(PumpUntil([this] { return IsIconic(main) != FALSE; }));
  ShowWindow(main, SW_RESTORE);
}

TEST_F(WindowsTest, CloseZoneAndEscEndTheProgramOnceTheHandlerHasReturned) {
  struct Row {
    const char* label;
    void (*act)(HWND main);
  };
  const Row rows[] = {
      {"X zone", [](HWND window) { ReleaseOver(ZoneAt(window, 370, 0)); }},
      {"Esc on the main window",
       [](HWND window) { PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
      {"Esc on a zone of it",
       [](HWND window) { PostMessageA(ZoneAt(window, 0, 0), WM_KEYDOWN, VK_ESCAPE, 0x00010001); }},
  };
  for (const Row& row : rows) {
    if (!HandleOf(AppWindow::Main)) {
      main = LoadWindow(AppWindow::Main, false);
    }
    test::quitMessages = 0;
    row.act(main);
    EXPECT_TRUE(PumpUntil([] { return HandleOf(AppWindow::Main) == nullptr; })) << row.label;
    EXPECT_FALSE(IsWindow(main)) << row.label;
    PumpUntil([] { return test::quitMessages > 0; }, 500);
    EXPECT_EQ(test::quitMessages, 1) << row.label << ": no quit after the last window";
  }
}

TEST_F(WindowsTest, DestructionWaitsForTheCallingHandler) {
  OnCloseZoneReleased();
  EXPECT_TRUE(IsWindow(main)) << "destroyed inside the handler";
  EXPECT_TRUE(PumpUntil([this] { return !IsWindow(main); }));
}

}  // namespace
}  // namespace dropshrink
