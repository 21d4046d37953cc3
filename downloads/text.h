// Texts are GBK byte strings ended by a zero byte. nullptr is the absent text, which behaves as
// the empty text everywhere.
#pragma once

#include <cstddef>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>

namespace dl {

// Byte-exact three-way comparison (-1, 0, 1) of unsigned bytes; no folding of any kind.
int compareText(const char* a, const char* b);

// Bytes before the first zero byte; 0 for the absent text.
std::size_t textLength(const char* text);

// The parts joined in order; absent parts contribute nothing. Never absent itself.
std::string concatText(std::initializer_list<const char*> parts);

// A fresh copy of what a list shows right now, or nullopt when it shows nothing.
using ListTextReader = std::function<std::optional<std::string>()>;

}  // namespace dl
