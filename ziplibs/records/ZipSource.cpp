#include "ZipSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace orn {

std::string ZipSource::Read(std::uint64_t offset, std::size_t count) const {
  std::string bytes(count, '\0');
  bytes.resize(ReadAt(offset, bytes.data(), count));
  return bytes;
}

FileZipSource::FileZipSource(const std::string& path) {
  fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd_ < 0) {
    error_ = path + ": " + std::strerror(errno);
    return;
  }
  struct stat st {};
  if (::fstat(fd_, &st) != 0 || !S_ISREG(st.st_mode)) {
    error_ = path + ": not a regular file";
    ::close(fd_);
    fd_ = -1;
    return;
  }
  size_ = static_cast<std::uint64_t>(st.st_size);
}

FileZipSource::~FileZipSource() {
  if (fd_ >= 0) ::close(fd_);
}

namespace {

std::size_t ReadFully(int fd, std::uint64_t offset, void* out, std::size_t count) {
  std::size_t done = 0;
  auto* dst = static_cast<char*>(out);
  while (done < count) {
    ssize_t n = ::pread(fd, dst + done, count - done, static_cast<off_t>(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

}  // namespace

std::size_t FileZipSource::ReadAt(std::uint64_t offset, void* out, std::size_t count) const {
  return ReadFully(fd_, offset, out, count);
}

std::size_t FdZipSource::ReadAt(std::uint64_t offset, void* out, std::size_t count) const {
  return ReadFully(fd_, offset, out, count);
}

std::size_t MemoryZipSource::ReadAt(std::uint64_t offset, void* out, std::size_t count) const {
  if (offset >= bytes_.size()) return 0;
  std::size_t n = std::min<std::uint64_t>(count, bytes_.size() - offset);
  std::memcpy(out, bytes_.data() + offset, n);
  return n;
}

}  // namespace orn
