#include "app/text_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace dropshrink {
namespace {

// "_压缩.jpg" in each encoding.
const std::string kGbkSuffix = "_\xD1\xB9\xCB\xF5.jpg";
const std::string kUtf8Suffix = "_\xE5\x8E\x8B\xE7\xBC\xA9.jpg";

struct TargetRow {
  const char* label;
  const char* outputFolder;
  const char* source;
  const char* base;  // the expected target is outputFolder + base + suffix
};

TEST(MakeTargetPathTest, AnsiRules) {
  const TargetRow rows[] = {
      {"png", "E:\\out\\", "D:\\pics\\cat.png", "cat"},
      {"several dots", "E:\\out\\", "D:\\pics\\a.b.c.bmp", "a.b.c"},
      {"jpeg keeps no extension", "E:\\out\\", "D:\\pics\\cat.jpg", "cat"},
      {"no dot", "E:\\out\\", "D:\\pics\\photo", ""},
      {"dot only in a folder", "E:\\out\\", "D:\\my.pics\\photo", ""},
      {"name begins with its dot", "E:\\out\\", "D:\\pics\\.png", ""},
      {"drive root output", "C:\\", "D:\\pics\\cat.png", "cat"},
      {"no separator", "E:\\out\\", "cat.png", ""},
      {"trailing separator", "E:\\out\\", "D:\\pics.2012\\", ""},
      {"dot right after separator", "E:\\out\\", "D:\\pics\\.", ""},
      // 乗 is 0x81 0x5C: its second byte is no separator.
      {"trail byte 0x5C in name", "E:\\out\\", "D:\\pics\\\x81\x5C.png", "\x81\x5C"},
      {"trail byte 0x5C in folder", "E:\\out\\", "D:\\\x81\x5C\\cat.png", "cat"},
      {"trail byte 0x5C before dot", "E:\\out\\", "D:\\pics\\a\x81\x5C.b.png", "a\x81\x5C.b"},
      // A lead byte takes the dot after it: the name has no dot of its own.
      {"trail byte 0x2E", "E:\\out\\",
       "D:\\pics\\a\xB1\x2E"
       "b",
       ""},
      {"trail byte 0x2E before dot", "E:\\out\\", "D:\\pics\\\xB1\x2E.png", "\xB1\x2E"},
      {"GBK name", "E:\\\xCA\xE4\xB3\xF6\\", "D:\\\xCD\xBC\\\xC3\xA8.tif", "\xC3\xA8"},
      {"lead byte at the end", "E:\\out\\", "D:\\pics\\a.b\xB1", "a"},
      {"forward slash is no separator", "E:\\out\\", "D:/pics/cat.png", ""},
  };
  for (const TargetRow& row : rows) {
    EXPECT_EQ(MakeTargetPath(row.outputFolder, row.source, kAnsiTextRules),
              std::string(row.outputFolder) + row.base + kGbkSuffix)
        << row.label;
  }
}

TEST(MakeTargetPathTest, Utf8Rules) {
  const TargetRow rows[] = {
      {"png", "/out/", "/pics/cat.png", "cat"},
      {"several dots", "/out/", "/pics/a.b.c.bmp", "a.b.c"},
      {"jpeg keeps no extension", "/out/", "/pics/cat.jpg", "cat"},
      {"no dot", "/out/", "/pics/photo", ""},
      {"dot only in a folder", "/out/", "/my.pics/photo", ""},
      {"name begins with its dot", "/out/", "/pics/.png", ""},
      {"root output", "/", "/pics/cat.png", "cat"},
      {"no separator", "/out/", "cat.png", ""},
      {"trailing separator", "/out/", "/pics.2012/", ""},
      {"Chinese name", "/\xE8\xBE\x93\xE5\x87\xBA/", "/\xE5\x9B\xBE/\xE7\x8C\xAB.tif",
       "\xE7\x8C\xAB"},
      {"four-byte character", "/out/", "/pics/\xF0\x9F\x90\xB1.png", "\xF0\x9F\x90\xB1"},
      // A sequence cut short leaves the "/" after it a separator.
      {"broken sequence before separator", "/out/", "/pics/\xE5/cat.png", "cat"},
      {"broken sequence before dot", "/out/", "/pics/a\xE5.png", "a\xE5"},
      {"backslash is no separator", "/out/", "D:\\pics\\cat.png", ""},
  };
  for (const TargetRow& row : rows) {
    EXPECT_EQ(MakeTargetPath(row.outputFolder, row.source, kUtf8TextRules),
              std::string(row.outputFolder) + row.base + kUtf8Suffix)
        << row.label;
  }
}

struct SplitRow {
  const char* label;
  std::string dropText;
  std::vector<std::string> items;
};

TEST(SplitDropTextTest, BothRuleSets) {
  const SplitRow rows[] = {
      {"one item", "D:\\a.png", {"D:\\a.png"}},
      {"empty text", "", {""}},
      {"two items", "a\r\nb\r\n", {"a", "b"}},
      {"last item without CR LF", "a\r\nb", {"a", "b"}},
      {"one item with CR LF", "a\r\n", {"a"}},
      {"empty piece between", "a\r\n\r\nb\r\n", {"a", "", "b"}},
      {"only CR LF", "\r\n", {""}},
      {"lone CR and LF stay", "a\rb\nc\r\n", {"a\rb\nc"}},
      {"GBK items", "\xD1\xB9\r\n\xCB\xF5\r\n", {"\xD1\xB9", "\xCB\xF5"}},
  };
  for (const SplitRow& row : rows) {
    EXPECT_EQ(SplitDropText(row.dropText, kAnsiTextRules), row.items) << "ANSI: " << row.label;
    EXPECT_EQ(SplitDropText(row.dropText, kUtf8TextRules), row.items) << "UTF-8: " << row.label;
  }
}

TEST(SplitDropTextTest, AnsiLeadByteTakesTheCarriageReturn) {
  // Under the ANSI rule the CR after a lead byte is that character's second
  // byte, so no item ends there.
  EXPECT_EQ(SplitDropText("a\xB1\r\nb\r\n", kAnsiTextRules),
            (std::vector<std::string>{"a\xB1\r\nb"}));
  EXPECT_EQ(SplitDropText("a\xB1\r\nb\r\n", kUtf8TextRules),
            (std::vector<std::string>{"a\xB1", "b"}));
}

}  // namespace
}  // namespace dropshrink
