#include "skin/skinned_controls.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include "skin/control_props.h"
#include "skin/png_picture_box.h"
#include "skin/png_window.h"
#include "skin_test_support.h"

namespace gp = Gdiplus::DllExports;

namespace {

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

constexpr uint32_t red = 0xFFFF0000;
constexpr uint32_t green = 0xFF00FF00;
constexpr uint32_t blue = 0xFF0000FF;
constexpr uint32_t grey = 0xFF808080;

}  // namespace

TEST(ButtonProc, StatesFollowTheMouseAndShowTheirImages) {
  skin::ScopedGpImage normal = MakeSolidImage(60, 30, red);
  skin::ScopedGpImage over = MakeSolidImage(60, 30, green);
  skin::ScopedGpImage down = MakeSolidImage(60, 30, blue);
  skin::ScopedGpImage disabled = MakeSolidImage(60, 30, grey);
  struct Step {
    const char* label;
    UINT message;
    WPARAM wParam;
    int state;
  };
  const Step steps[] = {
      {"enter", WM_MOUSEMOVE, 0, 1},
      {"move while over", WM_MOUSEMOVE, 0, 1},
      {"press", WM_LBUTTONDOWN, MK_LBUTTON, 2},
      {"move while pressed", WM_MOUSEMOVE, MK_LBUTTON, 2},
      {"release", WM_LBUTTONUP, 0, 1},
      {"leave", WM_MOUSELEAVE, 0, 0},
      {"release outside a press", WM_LBUTTONUP, 0, 0},
  };
  struct Variant {
    const char* label;
    bool withOverAndDisable;
  };
  for (Variant variant : {Variant{"all images", true}, Variant{"normal and down only", false}}) {
    TestWindow window(200, 100);
    PngWindow skin;
    ASSERT_TRUE(skin.Attach(window.Get()));
    HWND button = window.AddChild("Button", "", BS_PUSHBUTTON, 20, 20, 60, 30);
    PngPictureBox box;
    ASSERT_TRUE(box.Attach(button));
    box.SetProp(prop::Type, kindButton);
    SetPropA(button, prop::NormalImage, normal.Get());
    SetPropA(button, prop::DownImage, down.Get());
    if (variant.withOverAndDisable) {
      SetPropA(button, prop::OverlImage, over.Get());
      SetPropA(button, prop::DisableImage, disabled.Get());
    }
    skin.Refresh();
    EXPECT_EQ(red, ComposeToPixels(window.Get()).At(50, 35)) << variant.label;

    auto shown = [&](int state) {
      switch (state) {
        case 1:
          return variant.withOverAndDisable ? green : red;
        case 2:
          return blue;
        case 3:
          return variant.withOverAndDisable ? grey : red;
        default:
          return red;
      }
    };
    for (const Step& step : steps) {
      SendMessageA(button, step.message, step.wParam, MAKELPARAM(10, 10));
      EXPECT_EQ(step.state, box.GetProp(prop::DrawState)) << variant.label << ", " << step.label;
      EXPECT_EQ(shown(step.state), ComposeToPixels(window.Get()).At(50, 35))
          << variant.label << ", " << step.label;
    }
    EnableWindow(button, FALSE);
    EXPECT_EQ(3, box.GetProp(prop::DrawState)) << variant.label << ", disabled";
    EXPECT_EQ(shown(3), ComposeToPixels(window.Get()).At(50, 35)) << variant.label << ", disabled";
    EnableWindow(button, TRUE);
    EXPECT_EQ(0, box.GetProp(prop::DrawState)) << variant.label << ", enabled again";
    EXPECT_EQ(red, ComposeToPixels(window.Get()).At(50, 35)) << variant.label << ", enabled again";
  }
}

TEST(TextBoxProc, FocusSetsAndClearsTheCaretState) {
  CaretStateReset reset;
  TestWindow window(300, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  HWND first = window.AddChild("Edit", "", 0, 10, 10, 100, 24);
  HWND second = window.AddChild("Edit", "", 0, 150, 10, 100, 24);
  for (HWND edit : {first, second}) {
    PngPictureBox box;
    ASSERT_TRUE(box.Attach(edit));
    box.SetProp(prop::Type, kindTextBox);
  }
  skin.Refresh();
  ASSERT_EQ(reinterpret_cast<LONG_PTR>(TextBoxProc), GetWindowLongPtrA(first, GWLP_WNDPROC));

  caretPhase = 1;
  SetFocus(first);
  ASSERT_EQ(first, GetFocus());
  EXPECT_EQ(window.Get(), caretWindow) << "first focused";
  EXPECT_EQ(first, caretTextBox) << "first focused";
  EXPECT_EQ(0, caretPhase) << "first focused";
  EXPECT_NE(nullptr, cachedCanvas) << "composed at once and kept for blinking";

  CaretTimerProc(window.Get(), WM_TIMER, caretTimerId, 0);
  EXPECT_EQ(1, caretPhase) << "a tick while focused";

  SetFocus(second);
  EXPECT_EQ(window.Get(), caretWindow) << "focus moved to the second";
  EXPECT_EQ(second, caretTextBox) << "focus moved to the second";
  EXPECT_EQ(0, caretPhase) << "focus moved to the second";

  SetFocus(window.Get());
  EXPECT_EQ(nullptr, caretWindow) << "focus left";
  EXPECT_EQ(nullptr, caretTextBox) << "focus left";
}

TEST(TextBoxProc, TypingComposesTheNewTextAtOnce) {
  CaretStateReset reset;
  TestWindow window(300, 100);
  PngWindow skin;
  ASSERT_TRUE(skin.Attach(window.Get()));
  HWND edit = window.AddChild("Edit", "", 0, 10, 10, 200, 30);
  HFONT font = CreateFontA(-18, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0,
                           AvailableFontFace().c_str());
  SendMessageA(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
  PngPictureBox box;
  ASSERT_TRUE(box.Attach(edit));
  box.SetProp(prop::Type, kindTextBox);
  skin.Refresh();
  SetFocus(edit);
  ASSERT_NE(nullptr, cachedCanvas);
  auto inked = [] {
    Pixels pixels = ReadPixels(reinterpret_cast<Gdiplus::GpBitmap*>(cachedCanvas));
    return pixels.Count(10, 10, 210, 40, [](uint32_t p) { return Pixels::Alpha(p) != 0; });
  };
  EXPECT_EQ(0, inked()) << "empty box";
  SendMessageA(edit, WM_CHAR, 'W', 1);
  EXPECT_EQ("W", GetControlText(edit));
  int oneLetter = inked();
  EXPECT_GT(oneLetter, 0) << "after one character";
  SendMessageA(edit, WM_CHAR, 'W', 1);
  EXPECT_GT(inked(), oneLetter) << "after two characters";
  EXPECT_EQ(0, caretPhase) << "the composition shows no caret line";
  DestroyWindow(edit);
  DeleteObject(font);
}

TEST(SetToolTip, FirstCallAddsThenUpdates) {
  TestWindow window(200, 100);
  HWND first = window.AddChild("Static", "", SS_NOTIFY, 0, 0, 50, 20);
  HWND second = window.AddChild("Static", "", SS_NOTIFY, 60, 0, 50, 20);
  PngPictureBox box;
  ASSERT_TRUE(box.Attach(first));
  int before =
      toolTipWindow ? static_cast<int>(SendMessageA(toolTipWindow, TTM_GETTOOLCOUNT, 0, 0)) : 0;

  auto tipText = [](HWND control) {
    char text[80] = {};
    TTTOOLINFOA record = {};
    record.cbSize = offsetof(TTTOOLINFOA, lParam) + sizeof(LPARAM);
    record.hwnd = control;
    record.uId = 0;
    record.lpszText = text;
    SendMessageA(toolTipWindow, TTM_GETTEXTA, sizeof(text), reinterpret_cast<LPARAM>(&record));
    return std::string(text);
  };
  struct Row {
    const char* label;
    HWND control;
    const char* text;
    int tools;
  };
  const Row rows[] = {
      {"first call adds", first, "one", before + 1},
      {"second call updates", first, "two", before + 1},
      {"another control adds", second, "three", before + 2},
  };
  for (const Row& row : rows) {
    SetToolTip(row.control, row.text, row.control == first);
    ASSERT_NE(nullptr, toolTipWindow) << row.label;
    EXPECT_EQ(1, GetPropInt(row.control, prop::ToolTips)) << row.label;
    EXPECT_EQ(row.tools, SendMessageA(toolTipWindow, TTM_GETTOOLCOUNT, 0, 0)) << row.label;
    EXPECT_EQ(row.text, tipText(row.control)) << row.label;
  }
  box.SetToolTip("through the box");
  EXPECT_EQ("through the box", tipText(first));
}
