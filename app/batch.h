// The batch: one drop of files or folders becomes one JPEG conversion per
// source, written into outputFolder. Portable; touches no window.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace dropshrink {

// Where targets are written. Set before every batch, always ending in the
// platform's separator.
extern std::string outputFolder;

// How each source is encoded; the defaults are the desktop program's.
struct ConversionSettings {
  bool greyscale = false;
  int32_t quality = 75;
  bool optimizeCoding = true;
  int32_t smoothing = 0;
};

// One source of a batch, in the order it is converted.
struct BatchSource {
  std::string path;
  // Found by scanning a dropped folder rather than dropped itself.
  bool fromFolderScan = false;
};

// Told about each conversion of a batch; the desktop program has none.
class BatchObserver {
 public:
  virtual ~BatchObserver() = default;
  // Before each conversion; `index` runs from 1 to `total`.
  virtual void OnConverting(size_t /*index*/, size_t /*total*/, const BatchSource& /*source*/) {}
  // After each conversion, with ConvertToJpeg's result.
  virtual void OnConverted(const BatchSource& /*source*/, const std::string& /*target*/,
                           int32_t /*result*/) {}
};

struct BatchOptions {
  ConversionSettings settings;
  BatchObserver* observer = nullptr;
};

// A single dropped item is converted and also scanned as a folder, one level
// deep; several items (each path followed by CR LF) are converted one by one
// and never scanned.
void CompressDropped(const std::string& dropText);
void CompressDropped(const std::string& dropText, const BatchOptions& options);

// outputFolder + the source's base name + the target suffix.
std::string MakeTargetPath(const std::string& sourcePath);

void ConvertOne(const std::string& sourcePath);

// Converts each file directly inside the folder; subfolders are ignored.
void ConvertFolder(const std::string& folderPath);

// CompressDropped for items handed over one by one, as the command line has
// them: the same meaning, without joining them into one text first.
void CompressItems(const std::vector<std::string>& items, const BatchOptions& options);

// The sources a drop converts, in order. A dropped folder is listed before
// anything is converted, so targets written into it are never taken for
// sources of the same batch.
std::vector<BatchSource> ListDropSources(const std::string& dropText);
std::vector<BatchSource> ListItemSources(const std::vector<std::string>& items);

// folderPath, with a separator appended when it has none at its end, plus
// each file name directly inside it, in the order the system lists them.
// Empty for a path that is not a folder, and for an empty path.
std::vector<BatchSource> ListFolderSources(const std::string& folderPath);

}  // namespace dropshrink
