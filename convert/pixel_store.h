// File-backed pixel memory: a hidden temporary file mapped into memory,
// deleted again on Release.
#pragma once

#include <cstdint>
#include <string>

namespace dropshrink {

class PixelStore {
 public:
  PixelStore() = default;
  ~PixelStore() { Release(); }
  PixelStore(const PixelStore&) = delete;
  PixelStore& operator=(const PixelStore&) = delete;

  // Creates the temporary file, `size` zero bytes, and maps it. The store
  // must be empty.
  bool Create(uint32_t size, const char* prefix = kDefaultPrefix);
  // Unmaps, closes and deletes the file. Harmless on an empty store.
  void Release();
  void Flush();

  uint8_t* Data() const { return data_; }
  uint32_t Size() const { return size_; }
  const std::string& Path() const { return path_; }

  static constexpr const char* kDefaultPrefix = "KVTCLASS";

 private:
#ifdef _WIN32
  void* file_ = nullptr;     // HANDLE of the open file
  void* mapping_ = nullptr;  // HANDLE of its mapping
#else
  int file_ = -1;
#endif
  uint8_t* data_ = nullptr;
  std::string path_;
  uint32_t size_ = 0;
};

}  // namespace dropshrink
