// The shape every reader of the decoder chain has.
#pragma once

#include <string>

namespace dropshrink {

class DecodedImage;

class ImageReader {
 public:
  virtual ~ImageReader() = default;
  // 1 when the file is in this reader's format and will be decoded into
  // `image`, 0 otherwise. Does not allocate the image.
  virtual int Open(const std::string& path, DecodedImage& image) = 0;
  // Allocates the image, decodes every row, closes the file: 1, or 0 on any
  // failure.
  virtual int Read() = 0;
  // Frees everything; harmless at any time, any number of times.
  virtual void Close() = 0;
};

}  // namespace dropshrink
