#include "downloads/text.h"

#include <cstring>

namespace dl {

int compareText(const char* a, const char* b) {
  if (a == nullptr) return (b == nullptr || *b == '\0') ? 0 : -1;
  if (b == nullptr) return *a == '\0' ? 0 : 1;
  const int order = std::strcmp(a, b);  // compares as unsigned char
  return (order > 0) - (order < 0);
}

std::size_t textLength(const char* text) {
  return text == nullptr ? 0 : std::strlen(text);
}

std::string concatText(std::initializer_list<const char*> parts) {
  std::size_t total = 0;
  for (const char* part : parts) total += textLength(part);
  std::string joined;
  joined.reserve(total);
  for (const char* part : parts) {
    if (part != nullptr) joined += part;
  }
  return joined;
}

}  // namespace dl
