// dropshrink: the command-line form of a drop. The PATH arguments are the
// dropped items: a single one is converted and scanned as a folder, several
// are each converted and never scanned. -o names the output folder.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

#include "app/batch.h"
#include "app/text_rules.h"
#include "convert/convert.h"
#include "convert/file_utils.h"

namespace {

using namespace dropshrink;

const char kUsage[] =
    "usage: dropshrink [-o DIR] [-q 1..100] [--grey] [--no-optimize] [--smoothing 0..100] "
    "PATH...\n";

const char kHelp[] =
    "Writes each image PATH as a JPEG file named after it, with \"_\xE5\x8E\x8B\xE7\xBC\xA9.jpg\"\n"
    "in place of its extension. A single PATH that is a folder has every image\n"
    "directly inside it converted; with several PATHs, folders are not scanned.\n"
    "Images in JPEG, BMP, TIFF, PNG, PCX and Photo CD form are read.\n"
    "\n"
    "  -o DIR             output folder (default: the current folder)\n"
    "  -q N               JPEG quality, 1 to 100 (default 75)\n"
    "  --grey             write greyscale\n"
    "  --no-optimize      standard Huffman tables instead of optimal ones\n"
    "  --smoothing N      smoothing, 0 to 100 (default 0)\n"
    "\n"
    "Exit status: 0 when nothing failed, 1 when any source failed, 2 for bad\n"
    "arguments.\n";

// The help text is written in UTF-8; the Windows console shows ANSI.
std::string HelpText() {
#ifdef _WIN32
  std::string help = kHelp;
  const std::string utf8Suffix = "_\xE5\x8E\x8B\xE7\xBC\xA9.jpg";
  help.replace(help.find(utf8Suffix), utf8Suffix.size(), PlatformTextRules().targetSuffix);
  return help;
#else
  return kHelp;
#endif
}

struct Options {
  std::string outputFolder;
  ConversionSettings settings;
  std::vector<std::string> paths;
  bool help = false;
};

bool ParseInt(const char* text, int low, int high, int32_t* value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < low || v > high) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

bool Fail(std::string* error, const std::string& message) {
  *error = message;
  return false;
}

// False with a message in *error for anything the command cannot run with.
bool ParseArguments(int argc, char** argv, Options* options, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "-h" || arg == "--help") {
      options->help = true;
    } else if (arg == "-o") {
      if (!hasValue || !*argv[i + 1]) return Fail(error, "-o needs a folder");
      options->outputFolder = argv[++i];
    } else if (arg == "-q") {
      if (!hasValue || !ParseInt(argv[++i], 1, 100, &options->settings.quality))
        return Fail(error, "-q needs a quality from 1 to 100");
    } else if (arg == "--smoothing") {
      if (!hasValue || !ParseInt(argv[++i], 0, 100, &options->settings.smoothing))
        return Fail(error, "--smoothing needs a value from 0 to 100");
    } else if (arg == "--grey") {
      options->settings.greyscale = true;
    } else if (arg == "--no-optimize") {
      options->settings.optimizeCoding = false;
    } else if (arg == "--") {
      for (++i; i < argc; ++i) options->paths.push_back(argv[i]);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return Fail(error, "unknown option " + arg);
    } else {
      options->paths.push_back(arg);
    }
  }
  if (options->help) return true;
  if (options->paths.empty()) return Fail(error, "no PATH given");
  return true;
}

std::string CurrentFolder() {
#ifdef _WIN32
  DWORD length = GetCurrentDirectoryA(0, nullptr);
  if (length == 0) return std::string();
  std::string folder(length, '\0');
  DWORD written = GetCurrentDirectoryA(length, &folder[0]);
  if (written == 0 || written >= length) return std::string();
  folder.resize(written);
  return folder;
#else
  std::vector<char> buffer(4096);
  if (!getcwd(buffer.data(), buffer.size())) return std::string();
  return buffer.data();
#endif
}

bool IsTerminal(FILE* stream) {
#ifdef _WIN32
  return _isatty(_fileno(stream)) != 0;
#else
  return isatty(fileno(stream)) != 0;
#endif
}

// The last part of a path, cut to at most `limit` bytes at a character
// boundary.
std::string ShortName(const std::string& path, size_t limit) {
  const TextRules& rules = PlatformTextRules();
  const size_t slash = FindLastChar(path, rules.separator, rules);
  std::string name =
      slash == std::string::npos || slash + 1 == path.size() ? path : path.substr(slash + 1);
  if (name.size() <= limit) return name;
  size_t end = 0;
  for (size_t i = 0; i < name.size(); i += rules.CharLength(name, i)) {
    if (i + rules.CharLength(name, i) > limit - 3) break;
    end = i + rules.CharLength(name, i);
  }
  return name.substr(0, end) + "...";
}

// Counts the outcomes and shows progress on one rewritten line.
class Report : public BatchObserver {
 public:
  Report(bool severalItems, bool progress) : severalItems_(severalItems), progress_(progress) {}

  void OnConverting(size_t index, size_t total, const BatchSource& source) override {
    if (!progress_) return;
    std::string line = "[" + std::to_string(index) + "/" + std::to_string(total) + "] " +
                       ShortName(source.path, 60);
    const size_t shown = line.size();
    if (line.size() < lineLength_) line.append(lineLength_ - line.size(), ' ');
    std::fprintf(stderr, "\r%s", line.c_str());
    std::fflush(stderr);
    lineLength_ = shown;
  }

  void OnConverted(const BatchSource& source, const std::string& /*target*/,
                   int32_t result) override {
    if (result == kConverted) {
      ++converted_;
    } else if (result == kNotDecodable && source.fromFolderScan) {
      // What a drop would pass over without a word: a file in the folder
      // that is no image. Named here all the same, so a picture in a
      // variant the readers do not take is not lost from sight.
      ++skipped_;
      skippedNotes_.push_back(source.path + ": " + DescribeResult(result));
    } else if (result == kNotDecodable && IsDirectory(source.path)) {
      // A lone folder is a folder to scan, not a source of its own.
      if (!severalItems_) return;
      ++skipped_;
      skippedNotes_.push_back(source.path + ": a folder, scanned only when it is the only PATH");
    } else {
      failures_.push_back(source.path + ": " + DescribeResult(result));
    }
  }

  void ClearProgress() {
    if (!progress_ || lineLength_ == 0) return;
    std::fprintf(stderr, "\r%s\r", std::string(lineLength_, ' ').c_str());
    std::fflush(stderr);
    lineLength_ = 0;
  }

  void PrintSummary(const std::string& outputFolder) const {
    std::printf("converted: %zu\n", converted_);
    std::printf("skipped: %zu\n", skipped_);
    for (const std::string& note : skippedNotes_) std::printf("  %s\n", note.c_str());
    std::printf("failed: %zu\n", failures_.size());
    for (const std::string& failure : failures_) std::printf("  %s\n", failure.c_str());
    std::printf("output folder: %s\n", outputFolder.c_str());
  }

  bool AnyFailed() const { return !failures_.empty(); }

 private:
  bool severalItems_;
  bool progress_;
  size_t lineLength_ = 0;
  size_t converted_ = 0;
  size_t skipped_ = 0;
  std::vector<std::string> skippedNotes_;
  std::vector<std::string> failures_;
};

int BadArguments(const std::string& error) {
  std::fprintf(stderr, "dropshrink: %s\n%s", error.c_str(), kUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!ParseArguments(argc, argv, &options, &error)) return BadArguments(error);
  if (options.help) {
    std::fputs(kUsage, stdout);
    std::fputs(HelpText().c_str(), stdout);
    return 0;
  }

  std::string folder = options.outputFolder.empty() ? CurrentFolder() : options.outputFolder;
  if (folder.empty()) return BadArguments("the current folder cannot be read");
  // Every target would fail to be written: say so once instead.
  if (!IsDirectory(folder)) return BadArguments("no such output folder: " + folder);
  if (!EndsWithSeparator(folder)) folder += kPathSeparator;
  outputFolder = folder;

  Report report(options.paths.size() > 1, IsTerminal(stderr));
  BatchOptions batch;
  batch.settings = options.settings;
  batch.observer = &report;
  CompressItems(options.paths, batch);
  report.ClearProgress();
  report.PrintSummary(outputFolder);
  return report.AnyFailed() ? 1 : 0;
}
