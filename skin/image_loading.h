// The bottom of the skin toolkit: GDI+ start-up, images made from byte
// arrays through memory streams, text and colour conversions for GDI+.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "skin/gdiplus_flat.h"

using ByteArray = std::vector<unsigned char>;

extern ULONG_PTR gdiplusToken;
extern GUID frameDimensionTime;

// Starts GDI+ for the life of the process; call once, before any window.
void InitSkinToolkit();
// The GdiplusStartup status, 0 on success.
int StartGdiplus();
// UTF-16LE of an ANSI text, terminating zero unit included.
ByteArray AnsiToWide(const char* text);
// 0x00BBGGRR and an alpha to GDI+'s 0xAARRGGBB.
uint32_t ArgbFromColor(uint32_t colour, uint32_t alpha);
// A GDI+ image decoded from the bytes, positioned on its first frame; 0 when
// the bytes are no image. The memory behind it lives as long as the image.
Gdiplus::GpImage* LoadImageFromBytes(const void* bytes, size_t size);
Gdiplus::GpImage* LoadImageFromBytes(const ByteArray& bytes);
// Disposes an image made by LoadImageFromBytes and frees the memory behind it.
// The toolkit never calls it; it is for owners that replace their images.
void DisposeImage(Gdiplus::GpImage* image);

// A global memory block with an IStream on it. The object that made the
// block owns it; a copy shares block and stream without owning either.
class HGlobalStream {
 public:
  HGlobalStream() = default;
  ~HGlobalStream();
  HGlobalStream(const HGlobalStream& other);
  HGlobalStream& operator=(const HGlobalStream&) = delete;
  HGlobalStream(HGlobalStream&& other) noexcept;
  HGlobalStream& operator=(HGlobalStream&&) = delete;

  // Lets go of the block and the stream; the owner frees them.
  void FreeBlock();
  // With fromBytes, a stream over a copy of the bytes; without, an empty
  // stream that grows as it is written. 0 when either could not be made.
  IStream* CreateStream(const void* bytes, size_t size, bool fromBytes);
  IStream* CreateStream(const ByteArray& bytes, bool fromBytes);
  IStream* GetStream() const { return stream; }
  uint32_t GetSize() const;
  ByteArray GetBytes() const;

 private:
  HGLOBAL CurrentBlock() const;

  HGLOBAL block = nullptr;
  IStream* stream = nullptr;
  // A growing stream reallocates and frees its own block.
  bool blockBelongsToStream = false;
  bool owner = false;
};
