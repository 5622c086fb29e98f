#include "app/batch.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "batch_test_support.h"
#include "convert/convert.h"
#include "convert/file_utils.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace dropshrink {
namespace {

// Names in the platform's encoding: GBK bytes under the ANSI code page 936,
// UTF-8 elsewhere.
#ifdef _WIN32
const std::string kSuffix = "_\xD1\xB9\xCB\xF5.jpg";  // _压缩.jpg
const std::string kCat = "\xC3\xA8";                  // 猫
const std::string kPictures = "\xCD\xBC\xC6\xAC";     // 图片
const std::string kBackslashTrail = "\x81\x5C";       // 乗, second byte 0x5C
const std::string kHiddenName = "hidden.jpg";
const std::string kHiddenBase = "hidden";
#else
const std::string kSuffix = "_\xE5\x8E\x8B\xE7\xBC\xA9.jpg";
const std::string kCat = "\xE7\x8C\xAB";
const std::string kPictures = "\xE5\x9B\xBE\xE7\x89\x87";
const std::string kBackslashTrail = "\xE4\xB9\x97";
const std::string kHiddenName = ".hidden.jpg";
const std::string kHiddenBase = ".hidden";
#endif

const std::string kSep(1, kPathSeparator);

struct Conversion {
  std::string source;
  std::string target;
  int32_t result;
  bool fromFolderScan;
};

class Recorder : public BatchObserver {
 public:
  void OnConverting(size_t index, size_t total, const BatchSource& source) override {
    progress.push_back(std::to_string(index) + "/" + std::to_string(total) + " " + source.path);
  }
  void OnConverted(const BatchSource& source, const std::string& target, int32_t result) override {
    conversions.push_back({source.path, target, result, source.fromFolderScan});
  }
  // How often each source was converted.
  std::map<std::string, int> Counts() const {
    std::map<std::string, int> counts;
    for (const Conversion& c : conversions) ++counts[c.source];
    return counts;
  }

  std::vector<std::string> progress;
  std::vector<Conversion> conversions;
};

class BatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
#ifdef _WIN32
    if (GetACP() != 936) GTEST_SKIP() << "file names here are GBK: needs the ANSI code page 936";
#endif
    ASSERT_FALSE(temp_.Path().empty());
    in_ = temp_.Path() + "in" + kSep;
    out_ = temp_.Path() + "out" + kSep;
    ASSERT_TRUE(MakeFolder(in_));
    ASSERT_TRUE(MakeFolder(out_));
    outputFolder = out_;
  }
  void TearDown() override { outputFolder.clear(); }

  // A folder inside in/ holding the given JPEG names; its path without the
  // trailing separator.
  std::string FolderOfJpegs(const std::string& name, const std::vector<std::string>& files) {
    const std::string folder = in_ + name;
    EXPECT_TRUE(MakeFolder(folder)) << folder;
    for (const std::string& file : files) EXPECT_TRUE(WriteJpeg(folder + kSep + file, 8, 8));
    return folder;
  }

  std::set<std::string> Targets(const std::vector<std::string>& bases) {
    std::set<std::string> names;
    for (const std::string& base : bases) names.insert(base + kSuffix);
    return names;
  }

  TempFolder temp_;
  std::string in_;
  std::string out_;
};

TEST_F(BatchTest, OneFile) {
  const std::string source = in_ + kCat + ".jpg";
  ASSERT_TRUE(WriteJpeg(source, 16, 8));
  CompressDropped(source);
  EXPECT_EQ(FileNames(out_), Targets({kCat}));
  EXPECT_EQ(DecodeShape(out_ + kCat + kSuffix).width, 16);
  EXPECT_EQ(FileNames(in_), (std::set<std::string>{kCat + ".jpg"}));
}

TEST_F(BatchTest, OneFolderConvertsEveryFileDirectlyInside) {
  // The dot in the folder's name must not make a target for the folder.
  const std::string folder = FolderOfJpegs(kPictures + ".2012", {kCat + ".jpg", "photo"});
  const std::string readOnly = folder + kSep + "ro.jpg";
  ASSERT_TRUE(WriteJpeg(readOnly, 8, 8));
  ASSERT_TRUE(SetReadOnly(readOnly, true));
  ASSERT_TRUE(WriteJpeg(folder + kSep + kHiddenName, 8, 8));
  ASSERT_TRUE(SetHidden(folder + kSep + kHiddenName));
  ASSERT_TRUE(WriteText(folder + kSep + "notes.txt", "not a picture\n"));
  ASSERT_TRUE(MakeFolder(folder + kSep + "sub"));
  ASSERT_TRUE(WriteJpeg(folder + kSep + "sub" + kSep + "inner.jpg", 8, 8));

  Recorder recorder;
  BatchOptions options;
  options.observer = &recorder;
  CompressDropped(folder, options);

  // "photo" has no dot, so its target is the bare suffix.
  EXPECT_EQ(FileNames(out_), Targets({kCat, "", "ro", kHiddenBase}));
  ASSERT_FALSE(recorder.conversions.empty());
  EXPECT_EQ(recorder.conversions.front().source, folder);
  EXPECT_EQ(recorder.conversions.front().result, kNotDecodable);
  EXPECT_FALSE(recorder.conversions.front().fromFolderScan);
  std::map<std::string, int> expected = {{folder, 1}};
  for (const char* name : {"photo", "ro.jpg", "notes.txt"}) expected[folder + kSep + name] = 1;
  expected[folder + kSep + kCat + ".jpg"] = 1;
  expected[folder + kSep + kHiddenName] = 1;
  EXPECT_EQ(recorder.Counts(), expected);
  EXPECT_TRUE(SetReadOnly(readOnly, false));
}

TEST_F(BatchTest, SeveralItemsAreNeverScanned) {
  ASSERT_TRUE(WriteJpeg(in_ + "a.jpg", 8, 8));
  ASSERT_TRUE(WriteJpeg(in_ + kCat + ".jpg", 8, 8));
  const std::string folder = FolderOfJpegs(kPictures, {"c.jpg"});
  CompressDropped(in_ + "a.jpg\r\n" + folder + "\r\n" + in_ + kCat + ".jpg\r\n");
  EXPECT_EQ(FileNames(out_), Targets({"a", kCat}));
  // A CR LF makes it a drop of several, even with one piece before it.
  CompressDropped(folder + "\r\n");
  EXPECT_EQ(FileNames(out_), Targets({"a", kCat}));
}

TEST_F(BatchTest, EmptyPiecesBetweenSeparatorsAreItems) {
  ASSERT_TRUE(WriteJpeg(in_ + "a.jpg", 8, 8));
  ASSERT_TRUE(WriteJpeg(in_ + "b.jpg", 8, 8));
  Recorder recorder;
  BatchOptions options;
  options.observer = &recorder;
  CompressDropped(in_ + "a.jpg\r\n\r\n" + in_ + "b.jpg\r\n", options);
  EXPECT_EQ(FileNames(out_), Targets({"a", "b"}));
  EXPECT_EQ(recorder.progress,
            (std::vector<std::string>{"1/3 " + in_ + "a.jpg", "2/3 ", "3/3 " + in_ + "b.jpg"}));
  ASSERT_EQ(recorder.conversions.size(), 3u);
  EXPECT_EQ(recorder.conversions[1].result, kSourceMissing);
}

TEST_F(BatchTest, EmptyDropScansNothing) {
  // With a separator appended, an empty path would name the root folder.
  Recorder recorder;
  BatchOptions options;
  options.observer = &recorder;
  CompressDropped("", options);
  ASSERT_EQ(recorder.conversions.size(), 1u);
  EXPECT_EQ(recorder.conversions[0].result, kSourceMissing);
  EXPECT_TRUE(FileNames(out_).empty());
}

TEST_F(BatchTest, NamesDifferingOnlyInExtensionShareOneTarget) {
  ASSERT_TRUE(WriteJpeg(in_ + "a.jpeg", 8, 8));
  ASSERT_TRUE(WriteJpeg(in_ + "a.jpg", 24, 8));
  struct Row {
    const char* label;
    std::string dropText;
    int32_t width;  // of the later source
  } rows[] = {
      {"jpeg then jpg", in_ + "a.jpeg\r\n" + in_ + "a.jpg\r\n", 24},
      {"jpg then jpeg", in_ + "a.jpg\r\n" + in_ + "a.jpeg\r\n", 8},
  };
  for (const Row& row : rows) {
    CompressDropped(row.dropText);
    EXPECT_EQ(FileNames(out_), Targets({"a"})) << row.label;
    EXPECT_EQ(DecodeShape(out_ + "a" + kSuffix).width, row.width) << row.label;
  }
}

TEST_F(BatchTest, ItemEndingInSeparatorIsScannedWithOneSeparator) {
  const std::string folder = FolderOfJpegs(kPictures, {kCat + ".jpg"});
  Recorder recorder;
  BatchOptions options;
  options.observer = &recorder;
  CompressDropped(folder + kSep, options);
  EXPECT_EQ(FileNames(out_), Targets({kCat}));
  ASSERT_EQ(recorder.conversions.size(), 2u);
  EXPECT_EQ(recorder.conversions[1].source, folder + kSep + kCat + ".jpg");
  EXPECT_TRUE(recorder.conversions[1].fromFolderScan);
}

TEST_F(BatchTest, FolderWhoseNameEndsInBackslashTrailByte) {
  // Under code page 936 the last byte of this name is 0x5C, yet the name
  // does not end in a separator: the scan must still look inside.
  const std::string folder = FolderOfJpegs(kBackslashTrail, {kCat + ".jpg"});
  CompressDropped(folder);
  EXPECT_EQ(FileNames(out_), Targets({kCat}));
}

TEST_F(BatchTest, OutputFolderIsTheDroppedFolder) {
  const std::vector<std::string> names = {"a.jpg", "b.jpg", kCat + ".jpg", "d.jpg",
                                          "e.jpg", "f.jpg", "g.jpg",       "h.jpg"};
  const std::string folder = FolderOfJpegs(kPictures, names);
  outputFolder = folder + kSep;
  Recorder recorder;
  BatchOptions options;
  options.observer = &recorder;
  CompressDropped(folder, options);

  std::set<std::string> expected(names.begin(), names.end());
  for (const std::string& name : names) expected.insert(name.substr(0, name.size() - 4) + kSuffix);
  EXPECT_EQ(FileNames(folder + kSep), expected);
  for (const auto& entry : recorder.Counts()) EXPECT_EQ(entry.second, 1) << entry.first;
  EXPECT_EQ(recorder.conversions.size(), names.size() + 1);
}

TEST_F(BatchTest, SettingsReachTheEngine) {
  const std::string source = in_ + "a.jpg";
  ASSERT_TRUE(WriteJpeg(source, 8, 8));
  struct Row {
    const char* label;
    bool greyscale;
    uint32_t bitsPerPixel;
  } rows[] = {{"colour by default", false, 24}, {"greyscale", true, 8}};
  for (const Row& row : rows) {
    BatchOptions options;
    options.settings.greyscale = row.greyscale;
    CompressDropped(source, options);
    EXPECT_EQ(DecodeShape(out_ + "a" + kSuffix).bitsPerPixel, row.bitsPerPixel) << row.label;
  }
}

TEST_F(BatchTest, ConvertOneAndConvertFolder) {
  const std::string folder = FolderOfJpegs(kPictures, {"a.jpg"});
  ASSERT_TRUE(MakeFolder(folder + kSep + "sub"));
  ASSERT_TRUE(WriteJpeg(folder + kSep + "sub" + kSep + "b.jpg", 8, 8));
  ConvertFolder(folder);
  EXPECT_EQ(FileNames(out_), Targets({"a"}));
  ConvertOne(folder + kSep + "sub" + kSep + "b.jpg");
  EXPECT_EQ(FileNames(out_), Targets({"a", "b"}));
  EXPECT_EQ(MakeTargetPath(folder + kSep + "a.jpg"), out_ + "a" + kSuffix);
}

}  // namespace
}  // namespace dropshrink
