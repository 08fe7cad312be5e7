// The stream layers an entry's data passes through on its way out of the
// archive: a range of the archive file, then decryption, then one
// decompressor. Each layer pulls from the one below through the same small
// interface, so every decompressor can be tested over a buffer in memory and
// stacked over any other layer.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orn::zipfmt {

// A failure inside a layer: one of the protocol's error codes (OrnZipError)
// and what went wrong, without the entry's name, which the caller adds.
class DecodeError : public std::runtime_error {
 public:
  DecodeError(int code, const std::string& what) : std::runtime_error(what), code_(code) {}
  int Code() const { return code_; }

 private:
  int code_;
};

class ByteStream {
 public:
  virtual ~ByteStream() = default;
  // Fills up to `capacity` bytes of `out`; returns how many, 0 only at the
  // end of the stream. Throws DecodeError when the data is damaged or cut
  // short.
  virtual std::size_t Read(std::uint8_t* out, std::size_t capacity) = 0;
};

// Reads `size` bytes exactly, or throws DecodeError with `code` and `what`.
inline void ReadExactly(ByteStream& in, std::uint8_t* out, std::size_t size, int code, const char* what) {
  while (size > 0) {
    const std::size_t n = in.Read(out, size);
    if (n == 0) throw DecodeError(code, what);
    out += n;
    size -= n;
  }
}

// A buffer in memory as a stream (tests, and data already read whole). It
// reads the caller's bytes, which must outlive it.
class MemoryStream : public ByteStream {
 public:
  explicit MemoryStream(std::string_view data) : data_(data) {}
  explicit MemoryStream(std::string&&) = delete;
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override {
    const std::size_t n = std::min(capacity, data_.size() - pos_);
    std::memcpy(out, data_.data() + pos_, n);
    pos_ += n;
    return n;
  }

 private:
  std::string_view data_;
  std::size_t pos_ = 0;
};

// `size` bytes of an open file from `offset` on, read in large pieces;
// a file that ends sooner is an archive cut short.
class FileRangeStream : public ByteStream {
 public:
  FileRangeStream(int fd, std::uint64_t offset, std::uint64_t size) : fd_(fd), offset_(offset), left_(size) {}
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;

 private:
  int fd_;
  std::uint64_t offset_;
  std::uint64_t left_;
};

// The input side of a decompressor: a buffer refilled from the layer below
// once everything in it was used.
class InputBuffer {
 public:
  InputBuffer(ByteStream& source, std::size_t size) : source_(source), data_(new std::uint8_t[size]), size_(size) {}
  // Makes sure bytes are waiting; false when the layer below has no more.
  bool Fill() {
    if (next_ < end_) return true;
    next_ = data_.get();
    end_ = next_ + source_.Read(data_.get(), size_);
    return next_ < end_;
  }
  const std::uint8_t* Next() const { return next_; }
  std::size_t Left() const { return std::size_t(end_ - next_); }
  void Consume(std::size_t n) { next_ += n; }

 private:
  ByteStream& source_;
  std::unique_ptr<std::uint8_t[]> data_;
  std::size_t size_;
  const std::uint8_t* next_ = nullptr;
  const std::uint8_t* end_ = nullptr;
};

// How much memory one decompressor may take for its window or dictionary.
// The common presets need at most 64 MiB (xz -9, 7-Zip's strongest LZMA);
// an entry asking for more is refused rather than given it, so a few bytes
// that claim a 4 GiB dictionary cannot take the machine's memory.
constexpr std::uint64_t kDecoderMemoryLimit = 80ull << 20;

}  // namespace orn::zipfmt
