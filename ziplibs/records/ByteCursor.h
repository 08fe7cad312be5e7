// One bounds-checked little-endian reader for every on-disk record of the zip
// format. It never reads past its window: a read that runs short answers zero
// and leaves the cursor marked, so a caller checks Ok() once per record
// instead of after every field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orn {

class ByteCursor {
 public:
  ByteCursor(const unsigned char* data, std::size_t size) : data_(data), size_(size) {}
  explicit ByteCursor(std::string_view bytes)
      : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

  bool Ok() const { return ok_; }
  std::size_t Offset() const { return pos_; }
  std::size_t Left() const { return size_ - pos_; }

  std::uint8_t U8() { return static_cast<std::uint8_t>(Take(1)); }
  std::uint16_t U16() { return static_cast<std::uint16_t>(Take(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Take(4)); }
  std::uint64_t U64() { return Take(8); }

  // The next `count` bytes as a view into the window; empty when short.
  std::string_view Bytes(std::size_t count) {
    if (!Has(count)) return {};
    std::string_view view(reinterpret_cast<const char*>(data_ + pos_), count);
    pos_ += count;
    return view;
  }
  void Skip(std::size_t count) {
    if (Has(count)) pos_ += count;
  }
  // Moves to an absolute offset in the window; beyond its end marks the cursor.
  void Seek(std::size_t offset) {
    if (offset > size_) {
      ok_ = false;
      pos_ = size_;
    } else {
      pos_ = offset;
    }
  }

 private:
  bool Has(std::size_t count) {
    if (ok_ && count <= size_ - pos_) return true;
    ok_ = false;
    return false;
  }
  std::uint64_t Take(std::size_t count) {
    if (!Has(count)) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < count; ++i) value |= static_cast<std::uint64_t>(data_[pos_ + i]) << (8 * i);
    pos_ += count;
    return value;
  }

  const unsigned char* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  bool ok_ = true;
};

}  // namespace orn
