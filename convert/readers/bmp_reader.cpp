#include "convert/readers/bmp_reader.h"

#include <cstdint>
#include <memory>
#include <new>

#include "convert/decoded_image.h"

namespace dropshrink {

namespace {

constexpr size_t kFileHeaderSize = 14;
// The fields read from the bitmap header reach this far into it: the
// compression word of the Windows kind, the bit count of the OS/2 kind.
constexpr size_t kWindowsFieldsEnd = 20;
constexpr size_t kOs2FieldsEnd = 12;
constexpr uint32_t kOs2HeaderSize = 12;

constexpr uint32_t kCompressionNone = 0;
constexpr uint32_t kCompressionRle8 = 1;
constexpr uint32_t kCompressionRle4 = 2;
constexpr uint32_t kCompressionBitFields = 3;

uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

// Bytes of one stored row of 24-bit pixels: padded to a multiple of 4.
uint64_t RowSize(uint32_t width) { return ((uint64_t{width} * 24 + 31) / 8) & ~uint64_t{3}; }

}  // namespace

void BmpReader::Close() {
  file_.Close();
  pixelDataOffset_ = 0;
  std::vector<uint8_t>().swap(headerBlock_);
  os2Kind_ = false;
  width_ = 0;
  height_ = 0;
  bottomUp_ = false;
  bitCount_ = 0;
  compression_ = 0;
  target_ = nullptr;
  opened_ = false;
}

int BmpReader::Open(const std::string& path, DecodedImage& image) {
  Close();
  file_.Reset(OpenForReading(path));
  if (!file_ || !ParseHeader()) {
    Close();
    return 0;
  }
  target_ = &image;
  opened_ = true;
  // The header of any depth is understood, but only 24-bit rows are decoded;
  // RLE pictures have a smaller effective depth and end here too.
  if (bitCount_ != 24) {
    Close();
    return 0;
  }
  return 1;
}

bool BmpReader::ParseHeader() {
  FILE* file = file_.Get();
  const uint32_t fileLength = FileLength(file);
  uint8_t fileHeader[kFileHeaderSize];
  if (std::fseek(file, 0, SEEK_SET) != 0 ||
      std::fread(fileHeader, 1, kFileHeaderSize, file) != kFileHeaderSize)
    return false;
  if (!(fileHeader[0] == 'B' && (fileHeader[1] == 'M' || fileHeader[1] == 'A'))) return false;

  // The header block is everything between the file header and the pixel
  // rows. An offset that lies past the end of the file could never be read
  // in full, so no buffer of that size is asked for.
  pixelDataOffset_ = Le32(fileHeader + 10);
  if (pixelDataOffset_ <= kFileHeaderSize || pixelDataOffset_ > fileLength) return false;
  const size_t blockLength = pixelDataOffset_ - kFileHeaderSize;
  try {
    headerBlock_.resize(blockLength);
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (std::fseek(file, static_cast<long>(kFileHeaderSize), SEEK_SET) != 0 ||
      std::fread(headerBlock_.data(), 1, blockLength, file) != blockLength)
    return false;

  // A block too short for the fields below would have them read from past
  // its end.
  if (blockLength < 4) return false;
  const uint8_t* block = headerBlock_.data();
  os2Kind_ = Le32(block) == kOs2HeaderSize;
  if (blockLength < (os2Kind_ ? kOs2FieldsEnd : kWindowsFieldsEnd)) return false;

  // Both kinds pass through these two tests on the 32-bit words at 4 and 8;
  // for the OS/2 kind they combine two 16-bit fields each.
  const int32_t word4 = static_cast<int32_t>(Le32(block + 4));
  const int32_t word8 = static_cast<int32_t>(Le32(block + 8));
  if (word4 < 1 || word8 == 0) return false;

  if (os2Kind_) {
    width_ = Le16(block + 4);
    height_ = Le16(block + 6);
    bottomUp_ = true;
    compression_ = kCompressionNone;
    bitCount_ = Le16(block + 10);
    return bitCount_ == 1 || bitCount_ == 4 || bitCount_ == 8 || bitCount_ == 24;
  }

  compression_ = Le32(block + 16);
  if (compression_ > kCompressionBitFields) return false;
  width_ = static_cast<uint32_t>(word4);
  // The magnitude of INT32_MIN does not fit in int32, but does in uint32.
  height_ = word8 < 0 ? 0u - static_cast<uint32_t>(word8) : static_cast<uint32_t>(word8);
  bottomUp_ = word8 >= 0;
  if (compression_ == kCompressionRle8) {
    bitCount_ = 8;
  } else if (compression_ == kCompressionRle4) {
    bitCount_ = 4;
  } else {
    bitCount_ = Le16(block + 14);
    if (bitCount_ != 1 && bitCount_ != 4 && bitCount_ != 8 && bitCount_ != 16 && bitCount_ != 24 &&
        bitCount_ != 32)
      return false;
  }
  return true;
}

int BmpReader::Read() {
  if (!opened_ || width_ > INT32_MAX || height_ > INT32_MAX) {
    Close();
    return 0;
  }
  DecodedImage& image = *target_;
  const uint64_t rowSize = RowSize(width_);
  // A file too short for every row fails before a store of the full size is
  // made for it.
  FILE* file = file_.Get();
  const uint64_t fileLength = FileLength(file);
  if (uint64_t{pixelDataOffset_} + rowSize * height_ > fileLength ||
      !image.Allocate(static_cast<int32_t>(width_), static_cast<int32_t>(height_), 24, 0)) {
    Close();
    return 0;
  }
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[static_cast<size_t>(rowSize)]);
  if (!row || std::fseek(file, static_cast<long>(pixelDataOffset_), SEEK_SET) != 0) {
    Close();
    return 0;
  }
  for (uint32_t i = 0; i < height_; ++i) {
    if (std::fread(row.get(), 1, static_cast<size_t>(rowSize), file) != rowSize) {
      Close();
      return 0;
    }
    uint8_t* out = image.Row(static_cast<int32_t>(bottomUp_ ? height_ - 1 - i : i));
    const uint8_t* in = row.get();
    for (uint32_t x = 0; x < width_; ++x, in += 3, out += 3) {
      out[0] = in[2];
      out[1] = in[1];
      out[2] = in[0];
    }
  }
  Close();
  return 1;
}

}  // namespace dropshrink
