// Where the directory reader takes its bytes from: an open archive file, or a
// buffer in memory (tests and the fuzzer). Reads are positioned, so reading
// the whole central directory costs one system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace orn {

class ZipSource {
 public:
  virtual ~ZipSource() = default;
  virtual std::uint64_t Size() const = 0;
  // Reads up to `count` bytes at `offset` into `out`; answers how many were read.
  virtual std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const = 0;
  // Reads exactly `count` bytes (fewer near the end); the bytes read.
  std::string Read(std::uint64_t offset, std::size_t count) const;
};

// An archive file opened for reading; closed by the destructor.
class FileZipSource : public ZipSource {
 public:
  // Opens `path`; Ok() tells whether it worked, Error() why not.
  explicit FileZipSource(const std::string& path);
  ~FileZipSource() override;
  FileZipSource(const FileZipSource&) = delete;
  FileZipSource& operator=(const FileZipSource&) = delete;

  bool Ok() const { return fd_ >= 0; }
  const std::string& Error() const { return error_; }
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const override;

 private:
  int fd_ = -1;
  std::uint64_t size_ = 0;
  std::string error_;
};

// An archive already open elsewhere; the descriptor stays its owner's.
class FdZipSource : public ZipSource {
 public:
  FdZipSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
  std::uint64_t Size() const override { return size_; }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const override;

 private:
  int fd_;
  std::uint64_t size_;
};

// A view of bytes in memory; the caller keeps them alive.
class MemoryZipSource : public ZipSource {
 public:
  explicit MemoryZipSource(std::string_view bytes) : bytes_(bytes) {}
  std::uint64_t Size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, void* out, std::size_t count) const override;

 private:
  std::string_view bytes_;
};

}  // namespace orn
