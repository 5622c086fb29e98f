// PCX pictures: 8-bit palette indices (one plane) or 24-bit colour (three
// planes of red, green and blue), run-length decoded by the program itself.
#pragma once

#include <cstdint>
#include <string>

#include "convert/file_utils.h"
#include "convert/image_reader.h"

namespace dropshrink {

// Decodes exactly `count` bytes into `destination` from the run-length codes
// in [source, sourceEnd). A run that reaches past the line's end is cut
// there and its remainder lost; the code byte 192 writes nothing. Returns the
// position just after the last code byte used, or nullptr when the codes
// ran out before `count` bytes were decoded: nothing at or past `sourceEnd`
// is ever read.
const uint8_t* DecodePcxLine(uint8_t* destination, const uint8_t* source, const uint8_t* sourceEnd,
                             uint32_t count);

class PcxReader : public ImageReader {
 public:
  static constexpr uint32_t kHeaderSize = 128;
  static constexpr uint32_t kPaletteBytes = 768;

  PcxReader() = default;
  ~PcxReader() override { Close(); }
  PcxReader(const PcxReader&) = delete;
  PcxReader& operator=(const PcxReader&) = delete;

  int Open(const std::string& path, DecodedImage& image) override;
  int Read() override;
  void Close() override;

 private:
  bool ReadIndexed(int64_t dataLength);
  bool ReadColour(int64_t dataLength);
  uint32_t LineSize() const { return uint32_t{planes_} * bytesPerLine_; }

  ScopedFile file_;
  std::string path_;
  DecodedImage* image_ = nullptr;
  bool opened_ = false;
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t bits_ = 0;
  uint8_t planes_ = 0;
  uint16_t bytesPerLine_ = 0;
};

}  // namespace dropshrink
