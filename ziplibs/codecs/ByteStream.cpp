#include "ByteStream.h"

#include <unistd.h>

#include <cerrno>

#include "OrnZipLib.h"

namespace orn::zipfmt {

std::size_t FileRangeStream::Read(std::uint8_t* out, std::size_t capacity) {
  const std::size_t want = std::size_t(std::min<std::uint64_t>(capacity, left_));
  std::size_t done = 0;
  while (done < want) {
    const ssize_t n = ::pread(fd_, out + done, want - done, off_t(offset_ + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw DecodeError(ORN_ZE_EOF, "The archive ends early");
    done += std::size_t(n);
  }
  offset_ += done;
  left_ -= done;
  return done;
}

}  // namespace orn::zipfmt
