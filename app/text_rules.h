// How the batch reads the texts of a drop: where a path separates, where a
// name's last dot is, where one dropped path ends and the next begins.
// Every rule here is a pure function of its arguments, so both platforms'
// rule sets can be checked on any build.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace dropshrink {

struct TextRules {
  // The byte that separates folders in a path.
  char separator;
  // Bytes of the character that begins at `at` (at < text.size()): never 0,
  // never past the end of the text.
  size_t (*CharLength)(const std::string& text, size_t at);
  // Appended to a source's base name to make its target's name.
  const char* targetSuffix;
};

// ANSI code page texts as the desktop program gets them: a byte of 0x80 or
// above begins a two-byte character, so its second byte is never taken for
// "\" or "."; the suffix is in GBK.
extern const TextRules kAnsiTextRules;

// UTF-8 texts as POSIX systems hand them over: whole UTF-8 sequences are
// stepped over; "/" separates.
extern const TextRules kUtf8TextRules;

// The rule set of the system this program was built for.
const TextRules& PlatformTextRules();

// Position of the last character that is `byte`, or npos. Only positions
// where a character begins are tried.
size_t FindLastChar(const std::string& text, char byte, const TextRules& rules);

// Position of the first CR LF at or after `from` that begins at a character
// boundary, or npos.
size_t FindCrLf(const std::string& text, size_t from, const TextRules& rules);

// The paths of a drop text: no CR LF means the whole text is one item;
// otherwise every CR LF ends an item, and an empty piece after the last one
// is not an item (empty pieces between two CR LFs are).
std::vector<std::string> SplitDropText(const std::string& dropText, const TextRules& rules);

// What lies between the last separator and the last dot of `sourcePath`,
// when that dot comes after that separator and leaves at least one byte;
// empty in every other case, including a path with no separator at all.
std::string BaseName(const std::string& sourcePath, const TextRules& rules);

// outputFolder + BaseName(sourcePath) + the target suffix. `outputFolder`
// is taken as it is: it already ends in a separator.
std::string MakeTargetPath(const std::string& outputFolder, const std::string& sourcePath,
                           const TextRules& rules);

}  // namespace dropshrink
