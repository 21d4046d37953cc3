// A counted block of bytes that owns one contiguous buffer. A fetch reads straight into its tail,
// so the body is never copied once it has arrived.
#pragma once

#include <cstddef>
#include <span>

namespace dl {

class ByteBlock {
 public:
  ByteBlock() = default;
  ByteBlock(ByteBlock&& other) noexcept;
  ByteBlock& operator=(ByteBlock&& other) noexcept;
  ByteBlock(const ByteBlock&) = delete;
  ByteBlock& operator=(const ByteBlock&) = delete;
  ~ByteBlock();

  const std::byte* data() const { return data_; }
  std::size_t size() const { return size_; }
  std::size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  std::span<const std::byte> bytes() const { return {data_, size_}; }

  // Room for at least `count` more bytes after the current end, or nullptr when the memory cannot
  // be had (the block is then unchanged). Grows geometrically beyond what was asked.
  std::byte* tailSpace(std::size_t count);
  // Marks `count` bytes written into the tail space as part of the block.
  void commit(std::size_t count) { size_ += count; }
  // Makes the capacity exactly `capacity` bytes when it is smaller; false when it cannot be had.
  bool reserve(std::size_t capacity);

 private:
  std::byte* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t capacity_ = 0;
};

}  // namespace dl
