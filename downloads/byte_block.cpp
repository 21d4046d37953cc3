#include "downloads/byte_block.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <utility>

namespace dl {

ByteBlock::ByteBlock(ByteBlock&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)),
      size_(std::exchange(other.size_, 0)),
      capacity_(std::exchange(other.capacity_, 0)) {}

ByteBlock& ByteBlock::operator=(ByteBlock&& other) noexcept {
  if (this != &other) {
    std::free(data_);
    data_ = std::exchange(other.data_, nullptr);
    size_ = std::exchange(other.size_, 0);
    capacity_ = std::exchange(other.capacity_, 0);
  }
  return *this;
}

ByteBlock::~ByteBlock() {
  std::free(data_);
}

bool ByteBlock::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return true;
  // realloc may grow a large block in place, so peak memory stays near the final size.
  void* grown = std::realloc(data_, capacity);
  if (grown == nullptr) return false;
  data_ = static_cast<std::byte*>(grown);
  capacity_ = capacity;
  return true;
}

std::byte* ByteBlock::tailSpace(std::size_t count) {
  if (capacity_ - size_ < count) {
    if (count > SIZE_MAX - size_) return nullptr;
    const std::size_t needed = size_ + count;
    const std::size_t doubled = capacity_ <= SIZE_MAX / 2 ? 2 * capacity_ : SIZE_MAX;
    // Prefer doubling; when that much cannot be had, take just what is needed.
    if (!reserve(std::max(needed, doubled)) && !reserve(needed)) return nullptr;
  }
  return data_ + size_;
}

}  // namespace dl
