#include "app/drop_target.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/app_test_support.h"

namespace dropshrink {
namespace {

using test::Ansi;
using test::TestDataObject;

constexpr DWORD copy = DROPEFFECT_COPY;
constexpr DWORD move = DROPEFFECT_MOVE;
constexpr DWORD link = DROPEFFECT_LINK;
constexpr DWORD none = DROPEFFECT_NONE;

TEST(DropEffectFor, FollowsTheKeysAndTheSourcesAllowedEffects) {
  struct Row {
    const char* label;
    DWORD keys;
    DWORD allowed;
    DWORD expected;
  };
  const Row rows[] = {
      {"no key, all allowed", 0, copy | move | link, copy},
      {"no key, move and link", 0, move | link, move},
      {"no key, link only", 0, link, link},
      {"no key, nothing allowed", 0, none, none},
      {"no key, mouse buttons held", MK_LBUTTON | MK_RBUTTON, move, move},
      {"Ctrl, copy allowed", MK_CONTROL, copy | move, copy},
      {"Ctrl, copy not allowed", MK_CONTROL, move | link, none},
      {"Shift, move allowed", MK_SHIFT, copy | move, move},
      {"Shift, move not allowed", MK_SHIFT, copy | link, none},
      {"Ctrl and Shift, all allowed", MK_CONTROL | MK_SHIFT, copy | move | link, none},
      {"Alt is not a modifier here", MK_ALT, copy | link, copy},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(DropEffectFor(row.keys, row.allowed), row.expected) << row.label;
  }
}

// What the handler saw, kept by plain functions: the drop object takes a
// function pointer.
struct Seen {
  std::vector<std::string> texts;
  bool dropHadReturned = false;
  DropTarget* target = nullptr;
  DWORD nestedEffect = 0xFFFF;
  HRESULT nestedAnswer = S_OK;
} seen;
bool dropReturned = false;

void RecordDrop(const std::string& dropText) {
  seen.texts.push_back(dropText);
  seen.dropHadReturned = dropReturned;
}

// A second drag arrives while the first drop is handled (the folder dialog
// runs a nested loop, so this happens for real).
void DropAgainWhileHandling(const std::string& dropText) {
  seen.texts.push_back(dropText);
  if (seen.texts.size() > 1) {
    return;
  }
  TestDataObject files = TestDataObject::FileList({"C:\\again.png"});
  DWORD effect = copy | move;
  seen.target->DragEnter(&files, 0, POINTL{}, &effect);
  effect = copy | move;
  seen.nestedAnswer = seen.target->Drop(&files, 0, POINTL{}, &effect);
  seen.nestedEffect = effect;
}

class DropTargetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    seen = Seen();
    dropReturned = false;
  }
  void TearDown() override {
    if (target) {
      target->Release();
    }
  }
  DropTarget* Make(DropTarget::Handler handler) {
    target = new DropTarget(handler);
    seen.target = target;
    return target;
  }
  // Enter, move over and drop, as OLE calls a target; the effects are
  // what it reported at each step.
  struct Outcome {
    DWORD enter;
    DWORD over;
    DWORD drop;
    HRESULT answer;
  };
  Outcome DragAndDrop(IDataObject* data, DWORD keys, DWORD allowed) {
    Outcome outcome;
    DWORD effect = allowed;
    target->DragEnter(data, keys, POINTL{10, 10}, &effect);
    outcome.enter = effect;
    effect = allowed;
    target->DragOver(keys, POINTL{12, 12}, &effect);
    outcome.over = effect;
    effect = allowed;
    outcome.answer = target->Drop(data, keys, POINTL{12, 12}, &effect);
    dropReturned = true;
    outcome.drop = effect;
    return outcome;
  }

  DropTarget* target = nullptr;
};

TEST_F(DropTargetTest, JoinsTheDroppedNamesIntoDropText) {
  struct Row {
    const char* label;
    std::vector<std::string> names;
    bool wide;
    std::string expected;
  };
  const std::string chinese1 = Ansi("D:\\照片\\猫.png");
  const std::string chinese2 = Ansi("D:\\照片\\表格.bmp");
  const Row rows[] = {
      {"one path, alone and without separator", {"C:\\pics\\cat.png"}, false, "C:\\pics\\cat.png"},
      {"several paths, each followed by CR LF",
       {"C:\\pics\\a.png", "C:\\pics\\b.jpg", "C:\\pics"},
       false,
       "C:\\pics\\a.png\r\nC:\\pics\\b.jpg\r\nC:\\pics\r\n"},
      {"Chinese names in the ANSI code page, byte for byte",
       {chinese1, chinese2},
       false,
       chinese1 + "\r\n" + chinese2 + "\r\n"},
      // 表 is 0xB1 0xED, 格 0xB8 0xF1: nothing in them may be cut.
      {"one Chinese name", {chinese2}, false, chinese2},
  };
  for (const Row& row : rows) {
    SetUp();
    Make(RecordDrop);
    TestDataObject files = TestDataObject::FileList(row.names, row.wide);
    Outcome outcome = DragAndDrop(&files, 0, copy | move);
    ASSERT_EQ(seen.texts.size(), 1u) << row.label;
    EXPECT_EQ(seen.texts[0], row.expected) << row.label;
    EXPECT_EQ(outcome.drop, copy) << row.label;
    TearDown();
    target = nullptr;
  }
}

TEST_F(DropTargetTest, NamesGivenInUtf16ArriveInTheAnsiCodePage) {
  if (GetACP() != 936) {
    GTEST_SKIP() << "needs the GBK code page (936); this system has " << GetACP();
  }
  Make(RecordDrop);
  TestDataObject files = TestDataObject::FileList({"D:\\照片\\猫.png", "E:\\新建文件夹"}, true);
  DragAndDrop(&files, 0, copy);
  ASSERT_EQ(seen.texts.size(), 1u);
  EXPECT_EQ(seen.texts[0], Ansi("D:\\照片\\猫.png\r\nE:\\新建文件夹\r\n"));
}

TEST_F(DropTargetTest, RefusesEverythingButFileLists) {
  struct Row {
    const char* label;
    TestDataObject data;
  };
  Row rows[] = {
      {"dragged text", TestDataObject::Text("C:\\pics\\cat.png")},
      {"a URL",
       TestDataObject(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator")),
                      {'h', 't', 't', 'p', ':', '/', '/', 'x', 0})},
      {"an HTML fragment",
       TestDataObject(static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format")),
                      {'<', 'b', '>', 0})},
  };
  for (Row& row : rows) {
    SetUp();
    Make(RecordDrop);
    Outcome outcome = DragAndDrop(&row.data, 0, copy | move | link);
    EXPECT_EQ(outcome.enter, none) << row.label;
    EXPECT_EQ(outcome.over, none) << row.label;
    EXPECT_EQ(outcome.drop, none) << row.label;
    EXPECT_EQ(outcome.answer, E_FAIL) << row.label;
    EXPECT_TRUE(seen.texts.empty()) << row.label;
    EXPECT_EQ(row.data.getDataCalls, 0) << row.label << ": data read although refused";
    TearDown();
    target = nullptr;
  }
}

TEST_F(DropTargetTest, ReportsTheEffectOfTheKeysAtEachStepAndHandlesOnlyRealDrops) {
  struct Row {
    const char* label;
    DWORD keys;
    DWORD allowed;
    DWORD expected;
  };
  const Row rows[] = {
      {"no key", 0, copy | move, copy},
      {"Shift", MK_SHIFT, copy | move, move},
      {"Ctrl without copy", MK_CONTROL, move, none},
      {"Ctrl and Shift", MK_CONTROL | MK_SHIFT, copy | move | link, none},
  };
  for (const Row& row : rows) {
    SetUp();
    Make(RecordDrop);
    TestDataObject files = TestDataObject::FileList({"C:\\cat.png"});
    Outcome outcome = DragAndDrop(&files, row.keys, row.allowed);
    EXPECT_EQ(outcome.enter, row.expected) << row.label;
    EXPECT_EQ(outcome.over, row.expected) << row.label;
    EXPECT_EQ(outcome.drop, row.expected) << row.label;
    EXPECT_EQ(outcome.answer, E_FAIL) << row.label;
    EXPECT_EQ(seen.texts.size(), row.expected == none ? 0u : 1u) << row.label;
    TearDown();
    target = nullptr;
  }
}

TEST_F(DropTargetTest, KeysAtTheDropDecideAgain) {
  Make(RecordDrop);
  TestDataObject files = TestDataObject::FileList({"C:\\cat.png"});
  DWORD effect = copy;
  target->DragEnter(&files, 0, POINTL{}, &effect);
  EXPECT_EQ(effect, copy);
  effect = copy;
  target->Drop(&files, MK_CONTROL | MK_SHIFT, POINTL{}, &effect);
  EXPECT_EQ(effect, none);
  EXPECT_TRUE(seen.texts.empty());
}

TEST_F(DropTargetTest, RaisesFilesDroppedBeforeTheDropReturnsAndAnswersEFail) {
  Make(RecordDrop);
  TestDataObject files = TestDataObject::FileList({"C:\\cat.png"});
  Outcome outcome = DragAndDrop(&files, 0, copy);
  ASSERT_EQ(seen.texts.size(), 1u);
  EXPECT_FALSE(seen.dropHadReturned) << "the handler ran after the drop had returned";
  EXPECT_EQ(outcome.answer, E_FAIL) << "a handled drop answers E_FAIL too";
  EXPECT_EQ(static_cast<uint32_t>(outcome.answer), 0x80004005u);
}

TEST_F(DropTargetTest, LeavingForgetsTheDrag) {
  Make(RecordDrop);
  TestDataObject files = TestDataObject::FileList({"C:\\cat.png"});
  DWORD effect = copy;
  target->DragEnter(&files, 0, POINTL{}, &effect);
  target->DragLeave();
  effect = copy;
  target->DragOver(0, POINTL{}, &effect);
  EXPECT_EQ(effect, none);
}

TEST_F(DropTargetTest, AnEmptyFileListRaisesNothing) {
  // An empty dropText would be taken for the root folder of the drive.
  Make(RecordDrop);
  TestDataObject files = TestDataObject::FileList({});
  Outcome outcome = DragAndDrop(&files, 0, copy);
  EXPECT_TRUE(seen.texts.empty());
  EXPECT_EQ(outcome.answer, E_FAIL);
}

TEST_F(DropTargetTest, ADropArrivingWhileOneIsHandledIsRefused) {
  Make(DropAgainWhileHandling);
  TestDataObject files = TestDataObject::FileList({"C:\\first.png"});
  DragAndDrop(&files, 0, copy);
  ASSERT_EQ(seen.texts.size(), 1u) << "the nested drop reached the handler";
  EXPECT_EQ(seen.texts[0], "C:\\first.png");
  EXPECT_EQ(seen.nestedEffect, none);
  EXPECT_EQ(seen.nestedAnswer, E_FAIL);

  // Once the first drop has ended, drops are taken again.
  TestDataObject next = TestDataObject::FileList({"C:\\next.png"});
  DragAndDrop(&next, 0, copy);
  ASSERT_EQ(seen.texts.size(), 2u);
  EXPECT_EQ(seen.texts[1], "C:\\next.png");
}

TEST(QueryDroppedFiles, ReadsLongNamesWhole) {
  const std::string longName =
      "C:\\" + std::string(250, 'a') + "\\" + std::string(200, 'b') + ".png";
  TestDataObject files = TestDataObject::FileList({"C:\\x.png", longName});
  FORMATETC format = {CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
  STGMEDIUM medium = {};
  ASSERT_EQ(files.GetData(&format, &medium), S_OK);
  std::vector<std::string> names = QueryDroppedFiles(static_cast<HDROP>(medium.hGlobal));
  ReleaseStgMedium(&medium);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], "C:\\x.png");
  EXPECT_EQ(names[1], longName);
}

}  // namespace
}  // namespace dropshrink
