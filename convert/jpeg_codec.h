// The engine's JPEG object: the first reader of the decoder chain, and the
// writer of every conversion.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "convert/file_utils.h"
#include "convert/image_reader.h"

// jpeglib.h needs FILE and size_t declared first.
#include <jpeglib.h>

namespace dropshrink {

class JpegCodec : public ImageReader {
 public:
  JpegCodec();
  ~JpegCodec() override { Close(); }
  JpegCodec(const JpegCodec&) = delete;
  JpegCodec& operator=(const JpegCodec&) = delete;

  int Open(const std::string& path, DecodedImage& image) override;
  int Read() override;
  void Close() override;

  // 1 when the whole file was written, 0 otherwise. The file is encoded into
  // a new file beside the target, which replaces the target only when
  // complete, so a failure leaves an existing target untouched.
  int Write(const std::string& targetPath, const DecodedImage& image, int32_t quality, bool colour,
            bool optimizeCoding, int32_t smoothing);

 private:
  bool StartDecompress();
  bool DecodeRows();
  bool Compress(const DecodedImage& rows, int32_t quality, bool colour, bool optimizeCoding,
                int32_t smoothing);

  void RestErrors(j_common_ptr object);

  ScopedFile file_;
  jpeg_error_mgr restingErrors_;
  bool decompressorCreated_ = false;
  bool compressorCreated_ = false;
  jpeg_decompress_struct decompressor_;
  jpeg_compress_struct compressor_;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int depth_ = 0;
  DecodedImage* image_ = nullptr;
};

}  // namespace dropshrink
