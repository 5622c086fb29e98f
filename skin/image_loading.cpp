#include "skin/image_loading.h"

#include <cstring>
#include <map>

#include <objbase.h>

ULONG_PTR gdiplusToken = 0;
GUID frameDimensionTime = {};

namespace {

// Images from LoadImageFromBytes keep reading their stream after loading
// (GDI+ may decode lazily, and an animated GIF is decoded frame by frame),
// so each one's block and stream are kept here until the image is disposed.
std::map<Gdiplus::GpImage*, HGlobalStream>& LoadedImageStreams() {
  static std::map<Gdiplus::GpImage*, HGlobalStream> streams;
  return streams;
}

}  // namespace

void InitSkinToolkit() {
  StartGdiplus();
  frameDimensionTime = GUID{};
  ByteArray name = AnsiToWide("{6AEDBD6D-3FB5-418A-83A6-7F45229DC872}");
  CLSIDFromString(reinterpret_cast<LPCOLESTR>(name.data()), &frameDimensionTime);

  WNDCLASSEXA cls = {};
  cls.cbSize = sizeof(cls);
  cls.style = CS_HREDRAW | CS_VREDRAW;
  cls.lpfnWndProc = DefWindowProcA;
  cls.hInstance = GetModuleHandleA(nullptr);
  cls.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
  cls.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
  cls.lpszClassName = "BexilLoadDialog";
  RegisterClassExA(&cls);
}

int StartGdiplus() {
  Gdiplus::GdiplusStartupInput input;
  input.GdiplusVersion = 1;
  input.DebugEventCallback = nullptr;
  input.SuppressBackgroundThread = FALSE;
  input.SuppressExternalCodecs = FALSE;
  return Gdiplus::GdiplusStartup(&gdiplusToken, &input, nullptr);
}

ByteArray AnsiToWide(const char* text) {
  if (!text) {
    text = "";
  }
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) {
    return ByteArray(2, 0);
  }
  ByteArray wide(static_cast<size_t>(n) * 2, 0);
  MultiByteToWideChar(CP_ACP, 0, text, -1, reinterpret_cast<LPWSTR>(wide.data()), n);
  return wide;
}

uint32_t ArgbFromColor(uint32_t colour, uint32_t alpha) {
  uint32_t red = colour & 0xFF;
  uint32_t green = (colour >> 8) & 0xFF;
  uint32_t blue = (colour >> 16) & 0xFF;
  return (blue + green * 256 + red * 65536) | (alpha << 24);
}

Gdiplus::GpImage* LoadImageFromBytes(const void* bytes, size_t size) {
  HGlobalStream source;
  IStream* stream = source.CreateStream(bytes, size, true);
  if (!stream) {
    return nullptr;
  }
  Gdiplus::GpImage* image = nullptr;
  if (Gdiplus::DllExports::GdipLoadImageFromStream(stream, &image) != Gdiplus::Ok) {
    return nullptr;
  }
  // Fails without effect for formats that have no time frames.
  Gdiplus::DllExports::GdipImageSelectActiveFrame(image, &frameDimensionTime, 0);
  LoadedImageStreams().emplace(image, std::move(source));
  return image;
}

Gdiplus::GpImage* LoadImageFromBytes(const ByteArray& bytes) {
  return LoadImageFromBytes(bytes.data(), bytes.size());
}

void DisposeImage(Gdiplus::GpImage* image) {
  if (!image) {
    return;
  }
  Gdiplus::DllExports::GdipDisposeImage(image);
  LoadedImageStreams().erase(image);
}

HGlobalStream::~HGlobalStream() { FreeBlock(); }

HGlobalStream::HGlobalStream(const HGlobalStream& other)
    : block(other.block),
      stream(other.stream),
      blockBelongsToStream(other.blockBelongsToStream),
      owner(false) {}

HGlobalStream::HGlobalStream(HGlobalStream&& other) noexcept
    : block(other.block),
      stream(other.stream),
      blockBelongsToStream(other.blockBelongsToStream),
      owner(other.owner) {
  other.block = nullptr;
  other.stream = nullptr;
  other.owner = false;
}

void HGlobalStream::FreeBlock() {
  // The stream goes first: it must never outlive the memory it reads.
  if (owner) {
    if (stream) {
      stream->Release();
    }
    if (block && !blockBelongsToStream) {
      GlobalFree(block);
    }
  }
  stream = nullptr;
  block = nullptr;
  blockBelongsToStream = false;
  owner = false;
}

IStream* HGlobalStream::CreateStream(const void* bytes, size_t size, bool fromBytes) {
  FreeBlock();
  owner = true;
  if (fromBytes) {
    if (size > 0 && !bytes) {
      return nullptr;
    }
    block = GlobalAlloc(GMEM_FIXED, size);
    if (!block) {
      return nullptr;
    }
    void* data = GlobalLock(block);
    if (data && size > 0) {
      std::memcpy(data, bytes, size);
    }
    GlobalUnlock(block);
    if (FAILED(CreateStreamOnHGlobal(block, FALSE, &stream))) {
      stream = nullptr;
    }
  } else {
    block = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (!block) {
      return nullptr;
    }
    if (FAILED(CreateStreamOnHGlobal(block, TRUE, &stream))) {
      stream = nullptr;
    } else {
      blockBelongsToStream = true;
    }
  }
  return stream;
}

IStream* HGlobalStream::CreateStream(const ByteArray& bytes, bool fromBytes) {
  return CreateStream(bytes.data(), bytes.size(), fromBytes);
}

HGLOBAL HGlobalStream::CurrentBlock() const {
  HGLOBAL current = block;
  if (stream && blockBelongsToStream) {
    GetHGlobalFromStream(stream, &current);
  }
  return current;
}

uint32_t HGlobalStream::GetSize() const {
  HGLOBAL current = CurrentBlock();
  return current ? static_cast<uint32_t>(GlobalSize(current)) : 0;
}

ByteArray HGlobalStream::GetBytes() const {
  HGLOBAL current = CurrentBlock();
  ByteArray bytes(GetSize());
  if (!current || bytes.empty()) {
    return bytes;
  }
  const void* data = GlobalLock(current);
  if (data) {
    std::memcpy(bytes.data(), data, bytes.size());
  }
  GlobalUnlock(current);
  return bytes;
}
