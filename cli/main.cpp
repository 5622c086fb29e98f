// dropshrink: the command-line form of the conversion.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "convert/convert.h"
#include "convert/file_utils.h"

namespace {

using namespace dropshrink;

const char kUsage[] =
    "usage: dropshrink [-o DIR] [-q 1..100] [--grey] [--no-optimize] [--smoothing 0..100] "
    "PATH...\n";

struct Options {
  std::string outputFolder;
  int quality = 75;
  bool greyscale = false;
  bool optimize = true;
  int smoothing = 0;
  std::vector<std::string> paths;
};

bool ParseInt(const char* text, int low, int high, int* value) {
  char* end = nullptr;
  long v = std::strtol(text, &end, 10);
  if (!*text || *end || v < low || v > high) return false;
  *value = static_cast<int>(v);
  return true;
}

bool ParseArguments(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const char* arg = argv[i];
    auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
    if (!std::strcmp(arg, "-o")) {
      const char* v = value();
      if (!v || !*v) return false;
      options->outputFolder = v;
    } else if (!std::strcmp(arg, "-q")) {
      const char* v = value();
      if (!v || !ParseInt(v, 1, 100, &options->quality)) return false;
    } else if (!std::strcmp(arg, "--smoothing")) {
      const char* v = value();
      if (!v || !ParseInt(v, 0, 100, &options->smoothing)) return false;
    } else if (!std::strcmp(arg, "--grey")) {
      options->greyscale = true;
    } else if (!std::strcmp(arg, "--no-optimize")) {
      options->optimize = false;
    } else if (!std::strcmp(arg, "--")) {
      for (++i; i < argc; ++i) options->paths.push_back(argv[i]);
    } else if (arg[0] == '-' && arg[1]) {
      return false;
    } else {
      options->paths.push_back(arg);
    }
  }
  return !options->paths.empty();
}

// What lies between the last separator and the last dot of the name.
std::string BaseName(const std::string& path) {
  size_t slash = path.find_last_of(kPathSeparator == '\\' ? "\\" : "/");
  size_t start = slash == std::string::npos ? 0 : slash + 1;
  size_t dot = path.find_last_of('.');
  if (dot == std::string::npos || dot <= start) return std::string();
  return path.substr(start, dot - start);
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseArguments(argc, argv, &options)) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string folder = options.outputFolder.empty() ? "." : options.outputFolder;
  if (!EndsWithSeparator(folder)) folder += kPathSeparator;
  int converted = 0;
  for (const std::string& source : options.paths) {
    std::string target = folder + BaseName(source) + "_\xE5\x8E\x8B\xE7\xBC\xA9.jpg";
    int32_t result = ConvertToJpeg(source.c_str(), target.c_str(), options.greyscale,
                                   options.quality, options.optimize, options.smoothing);
    if (result == kConverted) ++converted;
    std::printf("%s: %s%s%s\n", source.c_str(), DescribeResult(result),
                result == kConverted ? " -> " : "", result == kConverted ? target.c_str() : "");
  }
  std::printf("%d of %zu converted\n", converted, options.paths.size());
  return converted == static_cast<int>(options.paths.size()) ? 0 : 1;
}
