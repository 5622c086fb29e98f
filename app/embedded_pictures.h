// The pictures built into the program, as the PNG files of app/assets/.
#pragma once

#include <cstddef>

namespace dropshrink {

struct EmbeddedBytes {
  const unsigned char* data;
  size_t size;
};

extern const EmbeddedBytes MainBackgroundPng;
extern const EmbeddedBytes IdleOverlayPng;
extern const EmbeddedBytes BusyOverlayPng;
extern const EmbeddedBytes HelpBackgroundPng;

}  // namespace dropshrink
