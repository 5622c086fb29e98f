// One libFuzzer target per reader, built from this file with the reader
// chosen by DROPSHRINK_FUZZ_HEADER and DROPSHRINK_FUZZ_READER. Each input
// becomes a file that the reader decodes on its own and that the whole chain
// decodes; afterwards no temporary pixel file may be left in the private
// temporary folder.
#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "convert/convert.h"
#include "convert/decoded_image.h"
#include DROPSHRINK_FUZZ_HEADER

namespace {

using namespace dropshrink;

constexpr rlim_t kLargestFile = 256u << 20;

std::string tempFolder;
std::string inputPath;

[[noreturn]] void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "fuzz check failed: %s %s\n", what, detail.c_str());
  std::abort();
}

void RemoveFolder() {
  if (tempFolder.empty()) return;
  std::remove(inputPath.c_str());
  rmdir(tempFolder.c_str());
}

void CheckNoPixelFiles(const char* after) {
  DIR* dir = opendir(tempFolder.c_str());
  if (!dir) Fail("cannot list", tempFolder);
  std::string left;
  while (dirent* entry = readdir(dir)) {
    if (std::strncmp(entry->d_name, PixelStore::kDefaultPrefix,
                     std::strlen(PixelStore::kDefaultPrefix)) == 0)
      left = entry->d_name;
  }
  closedir(dir);
  if (!left.empty()) Fail(after, "left " + left);
}

bool WriteInput(const uint8_t* data, size_t size, size_t minimumLength) {
  FILE* file = std::fopen(inputPath.c_str(), "wb");
  if (!file) return false;
  bool ok = std::fwrite(data, 1, size, file) == size;
  ok = std::fclose(file) == 0 && ok;
  // Sparse padding: a pac must reach the reader's size threshold, and
  // writing a megabyte of zeros per input would dominate the run.
  if (ok && size < minimumLength)
    ok = truncate(inputPath.c_str(), static_cast<off_t>(minimumLength)) == 0;
  return ok;
}

template <class Reader, class OpenFn>
void DecodeWithReader(OpenFn open) {
  DecodedImage image;
  Reader reader;
  if (open(reader, image) == 1) {
    if (image.Pixels()) Fail("Open allocated the image", "");
    reader.Read();
  } else if (image.Pixels()) {
    Fail("a declining Open allocated the image", "");
  }
  reader.Close();
  reader.Close();
  image.Release();
}

void DecodeWithChain() {
  DecodedImage image;
  const int32_t result = DecodeImageFile(inputPath, image);
  if (result != kConverted && image.Pixels()) Fail("a failed decode kept its image", "");
  image.Release();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Memory-backed when the system has it: on a disk, creating, mapping and
  // deleting the pixel files of every input costs ten times the decoding.
  // DROPSHRINK_FUZZ_ROOT lets a driver collect the folders of runs that end
  // in a finding, which exit without cleaning up.
  const char* root = std::getenv("DROPSHRINK_FUZZ_ROOT");
  std::string inMemory = std::string(root && *root ? root : "/dev/shm") + "/fuzz-XXXXXX";
  char onDisk[] = "/tmp/dropshrink-fuzz-XXXXXX";
  char* folder = mkdtemp(&inMemory[0]);
  if (!folder) folder = mkdtemp(onDisk);
  if (!folder) Fail("mkdtemp", onDisk);
  tempFolder = folder;
  inputPath = tempFolder + "/input";
  setenv("TMPDIR", folder, 1);
  std::atexit(RemoveFolder);
  // A header of a few bytes may declare a picture of gigabytes, which the
  // engine would map and fill in memory-backed files. Capping the file size
  // turns such pictures into failed allocations, so the fuzzer stays fast
  // and walks the failure paths instead; the rows of a big picture are
  // decoded by the same code as those of a small one.
  // libFuzzer takes SIGXFSZ for a finding; it is ignored once the engine
  // runs (see LLVMFuzzerTestOneInput), so a refused size is a failed call.
  const rlimit fileSize = {kLargestFile, kLargestFile};
  if (setrlimit(RLIMIT_FSIZE, &fileSize) != 0) Fail("setrlimit", "RLIMIT_FSIZE");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  // libFuzzer installs its handlers after LLVMFuzzerInitialize.
  static const bool sizeSignalIgnored = std::signal(SIGXFSZ, SIG_IGN) != SIG_ERR;
  if (!sizeSignalIgnored) Fail("signal", "SIGXFSZ");
#ifdef DROPSHRINK_FUZZ_PHOTOCD
  // The first byte is never looked at by the reader, so it picks the
  // resolution: mostly the smallest, which keeps runs fast, now and then
  // Base/4, and Base through the chain as a conversion would. Every
  // resolution decodes its rows the same way; only the offsets differ.
  const int selector = size > 0 ? data[0] % 8 : 7;
  const int resolution = selector == 7 ? 2 : selector == 6 ? 1 : 0;
  if (!WriteInput(data, size, PhotoCdReader::kMinimumFileLength)) Fail("write", inputPath);
  if (resolution == PhotoCdReader::kBaseResolution) {
    DecodeWithChain();
  } else {
    DecodeWithReader<PhotoCdReader>([resolution](PhotoCdReader& reader, DecodedImage& image) {
      return reader.Open(inputPath, image, resolution);
    });
  }
#else
  if (!WriteInput(data, size, 0)) Fail("write", inputPath);
  DecodeWithReader<DROPSHRINK_FUZZ_READER>([](DROPSHRINK_FUZZ_READER& reader, DecodedImage& image) {
    return reader.Open(inputPath, image);
  });
  CheckNoPixelFiles("after the reader");
  DecodeWithChain();
#endif
  CheckNoPixelFiles("after the chain");
  return 0;
}
