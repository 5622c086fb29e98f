// The conversion engine's interface: one command.
#pragma once

#include <cstdint>
#include <string>

namespace dropshrink {

class DecodedImage;

enum ConvertResult : int32_t {
  kConverted = 1,
  kSourceMissing = -1,
  kNotDecodable = -3,
  kWriteFailed = -4,
  kBadArgument = -7,
};

// Reads `sourcePath` in any known format and writes it as a baseline JPEG to
// `targetPath`. Returns one of ConvertResult. A failed write leaves an
// existing target as it was.
int32_t ConvertToJpeg(const char* sourcePath, const char* targetPath, bool greyscale,
                      int32_t quality, bool optimizeCoding, int32_t smoothing);

// 1 (decoded into `image`), -1 (no such path) or -3 (no reader decoded it).
int32_t DecodeImageFile(const std::string& sourcePath, DecodedImage& image);

// A word or two for a result code, for the command line.
const char* DescribeResult(int32_t result);

}  // namespace dropshrink
