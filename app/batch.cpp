#include "app/batch.h"

#include "app/batch_listing.h"
#include "app/text_rules.h"
#include "convert/convert.h"
#include "convert/file_utils.h"

namespace dropshrink {

std::string outputFolder;

namespace {

int32_t Convert(const std::string& sourcePath, const std::string& targetPath,
                const ConversionSettings& settings) {
  return ConvertToJpeg(sourcePath.c_str(), targetPath.c_str(), settings.greyscale, settings.quality,
                       settings.optimizeCoding, settings.smoothing);
}

void ConvertAll(const std::vector<BatchSource>& sources, const BatchOptions& options) {
  for (size_t i = 0; i < sources.size(); ++i) {
    const BatchSource& source = sources[i];
    if (options.observer) options.observer->OnConverting(i + 1, sources.size(), source);
    const std::string target = MakeTargetPath(source.path);
    // A failed conversion ends nothing: the next source is converted all the
    // same.
    const int32_t result = Convert(source.path, target, options.settings);
    if (options.observer) options.observer->OnConverted(source, target, result);
  }
}

}  // namespace

std::vector<BatchSource> ListFolderSources(const std::string& folderPath) {
  std::vector<BatchSource> sources;
  // An empty path names no folder; with a separator appended it would name
  // the root folder.
  if (folderPath.empty()) return sources;
  std::string folder = folderPath;
  // The test walks whole characters: a folder whose name ends in a
  // double-byte character with a backslash code as its second byte still
  // needs its separator.
  if (!EndsWithSeparator(folder)) folder += kPathSeparator;
  for (const std::string& name : ListFolderFiles(folder)) sources.push_back({folder + name, true});
  return sources;
}

std::vector<BatchSource> ListItemSources(const std::vector<std::string>& items) {
  std::vector<BatchSource> sources;
  for (const std::string& item : items) sources.push_back({item, false});
  if (items.size() == 1) {
    // A single item is taken both as a file and as a folder, without asking
    // which it is: the conversion of a folder's path writes nothing, and a
    // file lists nothing.
    std::vector<BatchSource> scanned = ListFolderSources(items.front());
    sources.insert(sources.end(), scanned.begin(), scanned.end());
  }
  return sources;
}

std::vector<BatchSource> ListDropSources(const std::string& dropText) {
  const TextRules& rules = PlatformTextRules();
  if (FindCrLf(dropText, 0, rules) == std::string::npos) return ListItemSources({dropText});
  // Several items, even when only one piece is left after the split.
  std::vector<BatchSource> sources;
  for (const std::string& item : SplitDropText(dropText, rules)) sources.push_back({item, false});
  return sources;
}

void CompressDropped(const std::string& dropText) { CompressDropped(dropText, BatchOptions()); }

void CompressDropped(const std::string& dropText, const BatchOptions& options) {
  // The whole listing is taken before the first conversion: when the output
  // folder is the dropped folder, the new targets must not become sources.
  ConvertAll(ListDropSources(dropText), options);
}

void CompressItems(const std::vector<std::string>& items, const BatchOptions& options) {
  ConvertAll(ListItemSources(items), options);
}

std::string MakeTargetPath(const std::string& sourcePath) {
  return MakeTargetPath(outputFolder, sourcePath, PlatformTextRules());
}

void ConvertOne(const std::string& sourcePath) {
  Convert(sourcePath, MakeTargetPath(sourcePath), ConversionSettings());
}

void ConvertFolder(const std::string& folderPath) {
  for (const BatchSource& source : ListFolderSources(folderPath)) ConvertOne(source.path);
}

}  // namespace dropshrink
