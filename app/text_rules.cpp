#include "app/text_rules.h"

namespace dropshrink {

namespace {

size_t AnsiCharLength(const std::string& text, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  return lead >= 0x80 && at + 1 < text.size() ? 2 : 1;
}

// Only continuation bytes are stepped over: POSIX file names may hold any
// bytes, and a "/" after a broken sequence still separates for the system.
size_t Utf8CharLength(const std::string& text, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  size_t expected = 1;
  if (lead >= 0xF0 && lead <= 0xF7) {
    expected = 4;
  } else if (lead >= 0xE0) {
    expected = lead <= 0xEF ? 3 : 1;
  } else if (lead >= 0xC0) {
    expected = 2;
  }
  size_t length = 1;
  while (length < expected && at + length < text.size() &&
         (static_cast<unsigned char>(text[at + length]) & 0xC0) == 0x80)
    ++length;
  return length;
}

}  // namespace

const TextRules kAnsiTextRules = {'\\', AnsiCharLength, "_\xD1\xB9\xCB\xF5.jpg"};
const TextRules kUtf8TextRules = {'/', Utf8CharLength, "_\xE5\x8E\x8B\xE7\xBC\xA9.jpg"};

const TextRules& PlatformTextRules() {
#ifdef _WIN32
  return kAnsiTextRules;
#else
  return kUtf8TextRules;
#endif
}

size_t FindLastChar(const std::string& text, char byte, const TextRules& rules) {
  size_t found = std::string::npos;
  for (size_t i = 0; i < text.size(); i += rules.CharLength(text, i)) {
    if (text[i] == byte) found = i;
  }
  return found;
}

size_t FindCrLf(const std::string& text, size_t from, const TextRules& rules) {
  for (size_t i = from; i < text.size(); i += rules.CharLength(text, i)) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') return i;
  }
  return std::string::npos;
}

std::vector<std::string> SplitDropText(const std::string& dropText, const TextRules& rules) {
  size_t end = FindCrLf(dropText, 0, rules);
  if (end == std::string::npos) return {dropText};
  std::vector<std::string> items;
  size_t start = 0;
  while (end != std::string::npos) {
    items.push_back(dropText.substr(start, end - start));
    start = end + 2;
    end = FindCrLf(dropText, start, rules);
  }
  if (start < dropText.size()) items.push_back(dropText.substr(start));
  return items;
}

std::string BaseName(const std::string& sourcePath, const TextRules& rules) {
  const size_t dot = FindLastChar(sourcePath, '.', rules);
  const size_t slash = FindLastChar(sourcePath, rules.separator, rules);
  if (dot == std::string::npos || slash == std::string::npos || dot <= slash + 1)
    return std::string();
  return sourcePath.substr(slash + 1, dot - slash - 1);
}

std::string MakeTargetPath(const std::string& outputFolder, const std::string& sourcePath,
                           const TextRules& rules) {
  return outputFolder + BaseName(sourcePath, rules) + rules.targetSuffix;
}

}  // namespace dropshrink
