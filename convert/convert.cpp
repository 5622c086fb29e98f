#include "convert/convert.h"

#include <memory>

#include "convert/decoded_image.h"
#include "convert/file_utils.h"
#include "convert/image_reader.h"
#include "convert/jpeg_codec.h"
#include "convert/readers/bmp_reader.h"
#include "convert/readers/pcx_reader.h"
#include "convert/readers/photocd_reader.h"
#include "convert/readers/png_reader.h"
#include "convert/readers/tiff_reader.h"

namespace dropshrink {

namespace {

using ReaderFactory = std::unique_ptr<ImageReader> (*)();

template <class Reader>
std::unique_ptr<ImageReader> MakeReader() {
  return std::unique_ptr<ImageReader>(new Reader);
}

// The decoder chain, tried in this order; each reader knows its format by
// content alone. The weakest test comes last.
const ReaderFactory kReaderChain[] = {
    MakeReader<JpegCodec>, MakeReader<BmpReader>, MakeReader<TiffReader>,
    MakeReader<PngReader>, MakeReader<PcxReader>, MakeReader<PhotoCdReader>,
};

}  // namespace

int32_t DecodeImageFile(const std::string& sourcePath, DecodedImage& image) {
  if (!FileExists(sourcePath)) return kSourceMissing;
  for (ReaderFactory make : kReaderChain) {
    std::unique_ptr<ImageReader> reader = make();
    if (reader->Open(sourcePath, image) != 1) {
      reader->Close();
      continue;
    }
    // The first reader that accepts the file is the only one to decode it.
    const int read = reader->Read();
    reader->Close();
    if (read == 1) return kConverted;
    image.Release();
    return kNotDecodable;
  }
  return kNotDecodable;
}

int32_t ConvertToJpeg(const char* sourcePath, const char* targetPath, bool greyscale,
                      int32_t quality, bool optimizeCoding, int32_t smoothing) {
  if (!sourcePath || !targetPath || quality < 1 || quality > 100 || smoothing < 0 ||
      smoothing > 100)
    return kBadArgument;
  DecodedImage image;
  const int32_t decoded = DecodeImageFile(sourcePath, image);
  if (decoded != kConverted) return decoded;
  // Every reader is closed by now, so a target that is the source itself
  // can be written.
  JpegCodec writer;
  const int written =
      writer.Write(targetPath, image, quality, !greyscale, optimizeCoding, smoothing);
  writer.Close();
  image.Release();
  return written == 1 ? kConverted : kWriteFailed;
}

const char* DescribeResult(int32_t result) {
  switch (result) {
    case kConverted:
      return "converted";
    case kSourceMissing:
      return "not found";
    case kNotDecodable:
      return "not an image or undecodable";
    case kWriteFailed:
      return "could not write";
    case kBadArgument:
      return "bad argument";
    default:
      return "unknown result";
  }
}

}  // namespace dropshrink
