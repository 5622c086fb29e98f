#include "skin/png_window.h"

#include <cstdio>

#include <psapi.h>

#include <gtest/gtest.h>

#include "skin/control_props.h"
#include "skin/png_picture_box.h"
#include "skin/skinned_controls.h"
#include "skin_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace {

bool Transparent(uint32_t p) { return Pixels::Alpha(p) == 0; }

// Leaves the module's caret state as each test found it: nothing focused.
struct CaretStateReset {
  ~CaretStateReset() {
    caretWindow = nullptr;
    caretTextBox = nullptr;
    caretPhase = 0;
    if (cachedCanvas) {
      gp::GdipDisposeImage(cachedCanvas);
      cachedCanvas = nullptr;
    }
  }
};

}  // namespace

TEST(ComposeWindow, WindowWithNothingSkinnedIsFullyTransparent) {
  TestWindow window(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  window.AddChild("Static", "plain", 0, 10, 10, 100, 30);
  Pixels pixels = ComposeToPixels(window.Get());
  ASSERT_EQ(400, pixels.width);
  ASSERT_EQ(100, pixels.height);
  EXPECT_EQ(400 * 100, pixels.Count(0, 0, 400, 100, Transparent));
}

TEST(ComposeWindow, BackgroundOfAnotherSizeFillsTheWindow) {
  TestWindow window(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  Gdiplus::GpImage* back = LoadImageFromBytes(ReadTestFile("back_391x107.png"));
  ASSERT_NE(nullptr, back);
  EXPECT_TRUE(skin.SetBackImage(back));
  Pixels pixels = ComposeToPixels(window.Get());
  ASSERT_EQ(400, pixels.width);
  // The quadrant boundaries of the 391 x 107 picture (196, 54) land on
  // (200.5, 50.5) of the window: each direction is scaled on its own.
  struct Row {
    const char* label;
    int x, y;
    uint32_t argb;
  };
  const Row rows[] = {
      {"top left", 2, 2, 0xFFFF0000},
      {"left of the vertical seam", 197, 25, 0xFFFF0000},
      {"right of the seam", 204, 25, 0xFF00FF00},
      {"top right", 397, 2, 0xFF00FF00},
      {"above the horizontal seam", 25, 47, 0xFFFF0000},
      {"below the seam", 25, 54, 0xFF0000FF},
      {"bottom left", 2, 97, 0xFF0000FF},
      {"bottom right", 397, 97, 0xFFFFFFFF},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(row.argb, pixels.At(row.x, row.y)) << row.label;
  }
  // Nothing of the window is left uncovered, the last row and column included.
  EXPECT_EQ(0, pixels.Count(0, 0, 400, 100, Transparent));
  EXPECT_EQ(0, pixels.Count(0, 0, 400, 100, [](uint32_t p) { return Pixels::Alpha(p) < 0x80; }))
      << "edges half transparent";
  DisposeImage(back);
}

TEST(ComposeWindow, LowerChildInTheZOrderEndsOnTop) {
  TestWindow window(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  skin::ScopedGpImage red = MakeSolidImage(100, 50, 0xFFFF0000);
  skin::ScopedGpImage blue = MakeSolidImage(100, 50, 0xFF0000FF);
  PngPictureBox first;
  PngPictureBox second;
  first.Create(window.Get(), 0, 0, 100, 50);
  second.Create(window.Get(), 50, 25, 100, 50);
  first.SetImage(red.Get());
  second.SetImage(blue.Get());

  struct Row {
    const char* label;
    HWND top;
    uint32_t overlap;
  };
  const Row rows[] = {
      {"red on top of the z-order", first.GetHandle(), 0xFF0000FF},
      {"blue on top of the z-order", second.GetHandle(), 0xFFFF0000},
  };
  for (const Row& row : rows) {
    SetWindowPos(row.top, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ASSERT_EQ(row.top, GetWindow(window.Get(), GW_CHILD)) << row.label;
    Pixels pixels = ComposeToPixels(window.Get());
    EXPECT_EQ(row.overlap, pixels.At(75, 40)) << row.label;
    EXPECT_EQ(0xFFFF0000u, pixels.At(10, 10)) << row.label;
    EXPECT_EQ(0xFF0000FFu, pixels.At(140, 70)) << row.label;
    EXPECT_TRUE(Transparent(pixels.At(200, 10))) << row.label;
  }
}

TEST(Refresh, OrdinaryChildIsNeitherDrawnNorSubclassed) {
  TestWindow window(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  HWND plain = window.AddChild("Button", "plain", BS_PUSHBUTTON, 10, 10, 100, 30);
  skin::ScopedGpImage image = MakeSolidImage(100, 30, 0xFF00FF00);
  // An image without a kind is not enough to be drawn.
  SetPropA(plain, prop::NormalImage, image.Get());
  LONG_PTR before = GetWindowLongPtrA(plain, GWLP_WNDPROC);
  skin.Refresh();
  EXPECT_EQ(before, GetWindowLongPtrA(plain, GWLP_WNDPROC));
  EXPECT_EQ(nullptr, GetPropA(plain, prop::ChildWndProc));
  Pixels pixels = ComposeToPixels(window.Get());
  EXPECT_EQ(400 * 100, pixels.Count(0, 0, 400, 100, Transparent));
}

TEST(Refresh, PutsBackPictureProceduresOnceAndWrapsButtonsOnce) {
  TestWindow window(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  PngPictureBox picture;
  HWND pictureHandle = picture.Create(window.Get(), 0, 0, 400, 100);
  ASSERT_NE(nullptr, pictureHandle);
  HANDLE staticProc = GetPropA(pictureHandle, prop::WndProc);
  ASSERT_NE(nullptr, staticProc);
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(PictureProc),
            GetWindowLongPtrA(pictureHandle, GWLP_WNDPROC));

  HWND button = window.AddChild("Button", "b", BS_PUSHBUTTON, 10, 10, 50, 20);
  PngPictureBox buttonBox;
  ASSERT_TRUE(buttonBox.Attach(button));
  buttonBox.SetProp(prop::Type, kindButton);
  LONG_PTR buttonProc = GetWindowLongPtrA(button, GWLP_WNDPROC);

  skin.Refresh();
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(staticProc), GetWindowLongPtrA(pictureHandle, GWLP_WNDPROC))
      << "first Refresh: picture";
  EXPECT_EQ(nullptr, GetPropA(pictureHandle, prop::WndProc)) << "first Refresh: picture";
  EXPECT_EQ(nullptr, GetPropA(pictureHandle, prop::ChildWndProc)) << "pictures get no procedure";
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(ButtonProc), GetWindowLongPtrA(button, GWLP_WNDPROC))
      << "first Refresh: button";
  EXPECT_EQ(buttonProc, reinterpret_cast<LONG_PTR>(GetPropA(button, prop::ChildWndProc)))
      << "first Refresh: button";

  skin.Refresh();
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(staticProc), GetWindowLongPtrA(pictureHandle, GWLP_WNDPROC))
      << "second Refresh: picture";
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(ButtonProc), GetWindowLongPtrA(button, GWLP_WNDPROC))
      << "second Refresh: button";
  EXPECT_EQ(buttonProc, reinterpret_cast<LONG_PTR>(GetPropA(button, prop::ChildWndProc)))
      << "second Refresh must not save ButtonProc as the button's own procedure";
}

TEST(PngWindow, AttachMakesTheWindowLayeredWithOneTimer) {
  TestWindow window(400, 100);
  SetWindowLongPtrA(window.Get(), GWL_EXSTYLE, WS_EX_TOOLWINDOW | WS_EX_ACCEPTFILES);
  PngWindow skin;
  EXPECT_FALSE(skin.Attach(nullptr));
  EXPECT_FALSE(skin.IsValid());
  ASSERT_TRUE(skin.Attach(window.Get()));
  EXPECT_TRUE(skin.IsValid());
  EXPECT_EQ(window.Get(), skin.GetHandle());
  EXPECT_EQ(WS_EX_LAYERED, GetWindowLongPtrA(window.Get(), GWL_EXSTYLE) & ~WS_EX_TOPMOST);
  EXPECT_EQ(64, GetPropInt(window.Get(), prop::Time));
  EXPECT_TRUE(skin.Attach(window.Get())) << "attaching again";
  EXPECT_EQ(64, GetPropInt(window.Get(), prop::Time));
  EXPECT_EQ(static_cast<LRESULT>(GetWindowTextLengthA(window.Get())),
            skin.SendMsg(WM_GETTEXTLENGTH, 0, 0));
}

TEST(PngWindow, SetBackImageRefusesBadWindowsAndImages) {
  skin::ScopedGpImage image = MakeSolidImage(10, 10, 0xFFFFFFFF);
  const char junk[] = "no picture";
  PngWindow skin;
  {
    TestWindow window(400, 100);
    ASSERT_TRUE(skin.Attach(window.Get()));
    EXPECT_FALSE(skin.SetBackImage(nullptr)) << "no image";
    EXPECT_FALSE(skin.SetBackImageFromBytes(junk, sizeof(junk))) << "undecodable bytes";
    EXPECT_EQ(nullptr, GetPropA(window.Get(), prop::BackImage));
  }
  EXPECT_FALSE(skin.IsValid());
  EXPECT_FALSE(skin.SetBackImage(image.Get())) << "destroyed window";
  skin.Refresh();  // does nothing, and must not fail
}

TEST(PngWindow, MoveKeepsWhatIsOmitted) {
  struct Row {
    const char* label;
    std::optional<int> left, top, width, height;
    RECT expected;
  };
  const Row rows[] = {
      {"width only", {}, {}, 300, {}, {100, 100, 400, 200}},
      {"left only", 40, {}, {}, {}, {40, 100, 440, 200}},
      {"nothing", {}, {}, {}, {}, {100, 100, 500, 200}},
      {"everything", 10, 20, 30, 40, {10, 20, 40, 60}},
  };
  for (const Row& row : rows) {
    TestWindow window(400, 100);
    PngWindow skin;
    ASSERT_TRUE(skin.Attach(window.Get()));
    skin.Move(row.left, row.top, row.width, row.height);
    RECT rect = {};
    GetWindowRect(window.Get(), &rect);
    EXPECT_EQ(row.expected.left, rect.left) << row.label;
    EXPECT_EQ(row.expected.top, rect.top) << row.label;
    EXPECT_EQ(row.expected.right, rect.right) << row.label;
    EXPECT_EQ(row.expected.bottom, rect.bottom) << row.label;
  }
}

TEST(CaretBlink, TimerPresentsTheCachedCanvasOnlyForTheCaretWindow) {
  CaretStateReset reset;
  TestWindow window(400, 100);
  TestWindow other(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  HWND edit = window.AddChild("Edit", "", 0, 10, 10, 100, 24);

  ComposeWindow(window.Get(), nullptr, false);
  EXPECT_EQ(nullptr, cachedCanvas) << "no focus: the canvas is not kept";

  caretWindow = window.Get();
  caretTextBox = edit;
  ComposeWindow(window.Get(), nullptr, false);
  ASSERT_NE(nullptr, cachedCanvas);

  struct Row {
    const char* label;
    HWND window;
    UINT_PTR timer;
    int phaseAfter;
  };
  const Row rows[] = {
      {"first tick draws the line", window.Get(), 64, 1},
      {"second tick hides it", window.Get(), 64, 0},
      {"another timer", window.Get(), 65, 0},
      {"another window", other.Get(), 64, 0},
      {"third tick", window.Get(), 64, 1},
  };
  for (const Row& row : rows) {
    CaretTimerProc(row.window, WM_TIMER, row.timer, 0);
    EXPECT_EQ(row.phaseAfter, caretPhase) << row.label;
  }

  caretTextBox = nullptr;
  caretWindow = nullptr;
  CaretTimerProc(window.Get(), WM_TIMER, 64, 0);
  EXPECT_EQ(1, caretPhase) << "focus gone: ticks present nothing";
}

TEST(CaretBlink, LineSitsAfterTheEditCaretCentredInTheBox) {
  TestWindow window(400, 100);
  HWND edit = window.AddChild("Edit", "", 0, 50, 20, 100, 24);
  ASSERT_TRUE(CreateCaret(edit, nullptr, 1, 10));
  SetCaretPos(10, 3);
  skin::ScopedGpImage canvas = MakeSolidImage(400, 100, 0);
  {
    skin::ScopedGpGraphics graphics;
    gp::GdipGetImageGraphicsContext(canvas.Get(), graphics.Out());
    DrawCaretLine(window.Get(), edit, graphics.Get());
  }
  DestroyCaret();
  Pixels pixels = ReadPixels(reinterpret_cast<Gdiplus::GpBitmap*>(canvas.Get()));
  // x = 50 + 10 + 5, from y = 20 + (24 - 12) / 2 for 12 pixels.
  auto black = [](uint32_t p) { return p == 0xFF000000; };
  EXPECT_GE(pixels.Count(65, 26, 66, 39, black), 12) << "the line's column";
  EXPECT_EQ(pixels.Count(65, 26, 66, 39, black), pixels.Count(0, 0, 400, 100, black))
      << "nothing drawn elsewhere";
}

TEST(Refresh, ThousandRefreshesLeakNeitherGdiObjectsNorMemory) {
  CaretStateReset reset;
  TestWindow window(400, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  // A background of the window's own size: Wine's stretching is slow enough
  // to make a thousand rounds take minutes, and leaks do not depend on it.
  skin::ScopedGpImage back = MakeSolidImage(400, 100, 0xFF336699);
  skin.SetBackImage(back.Get());
  skin::ScopedGpImage picture = MakeSolidImage(200, 50, 0x80FF0000);
  PngPictureBox pictureBox;
  pictureBox.Create(window.Get(), 0, 0, 200, 50);
  pictureBox.SetImage(picture.Get());
  HWND edit = window.AddChild("Edit", "text", 0, 210, 10, 150, 24);
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
  PngPictureBox textBox;
  textBox.Attach(edit);
  textBox.SetProp(prop::Type, kindTextBox);
  textBox.SetProp(prop::BackColor, 0x00FFFFFF);
  textBox.SetProp(prop::BackAlpha, 200);
  textBox.SetProp(prop::OrderColor, 0);
  textBox.SetProp(prop::OrderAlpha, 255);
  // The focused box's window caches its canvas and blinks from it.
  caretWindow = window.Get();
  caretTextBox = edit;

  auto gdiObjects = [] { return GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS); };
  auto commitCharge = [] {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof(counters);
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                         sizeof(counters));
    // The commit charge; Wine leaves PrivateUsage at 0 but fills this.
    return counters.PagefileUsage;
  };
  for (int i = 0; i < 20; ++i) {
    skin.Refresh();
    CaretTimerProc(window.Get(), WM_TIMER, 64, 0);
  }
  PumpMessages();
  DWORD gdiBefore = gdiObjects();
  int slotsBefore = GdiHandleHighWater();
  SIZE_T memoryBefore = commitCharge();
  for (int i = 0; i < 1000; ++i) {
    skin.Refresh();
    CaretTimerProc(window.Get(), WM_TIMER, 64, 0);
  }
  PumpMessages();
  DWORD gdiAfter = gdiObjects();
  int slotsAfter = GdiHandleHighWater();
  SIZE_T memoryAfter = commitCharge();
  std::printf(
      "1000 x Refresh: GDI objects %lu -> %lu, GDI slot high water %d -> %d, "
      "commit charge %lu -> %lu bytes\n",
      static_cast<unsigned long>(gdiBefore), static_cast<unsigned long>(gdiAfter), slotsBefore,
      slotsAfter, static_cast<unsigned long>(memoryBefore),
      static_cast<unsigned long>(memoryAfter));
  RecordProperty("GdiObjectsBefore", static_cast<int>(gdiBefore));
  RecordProperty("GdiObjectsAfter", static_cast<int>(gdiAfter));
  RecordProperty("PrivateBytesBefore", static_cast<int>(memoryBefore));
  RecordProperty("PrivateBytesAfter", static_cast<int>(memoryAfter));

  // One leaked canvas is 160,000 bytes, so a leak per Refresh would show as
  // well over 100 MB; 1 MB leaves room for the heap's own bookkeeping.
  EXPECT_LT(memoryAfter, memoryBefore + 1024 * 1024) << "commit charge";
  if (gdiBefore == 0 && RunningUnderWine()) {
    std::printf(
        "note: Wine's GetGuiResources is a stub returning 0, so the GDI object "
        "count is not compared; the GDI handle slots are instead\n");
    EXPECT_EQ(slotsBefore, slotsAfter) << "GDI handle slots (Wine)";
  } else {
    EXPECT_EQ(gdiBefore, gdiAfter) << "GDI objects";
  }
}

TEST(CaretBlink, AttachedWindowTicksEveryHalfSecond) {
  CaretStateReset reset;
  TestWindow window(200, 50);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  HWND edit = window.AddChild("Edit", "", 0, 10, 10, 100, 24);
  caretWindow = window.Get();
  caretTextBox = edit;
  ComposeWindow(window.Get(), nullptr, false);
  ASSERT_NE(nullptr, cachedCanvas);

  int changes = 0;
  int last = caretPhase;
  DWORD start = GetTickCount();
  while (GetTickCount() - start < 1300) {
    MSG msg;
    if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      DispatchMessageA(&msg);
    } else {
      Sleep(10);
    }
    if (caretPhase != last) {
      ++changes;
      last = caretPhase;
    }
  }
  EXPECT_GE(changes, 2) << "two ticks of the 500 ms timer in 1.3 s";
  EXPECT_LE(changes, 3);
}
