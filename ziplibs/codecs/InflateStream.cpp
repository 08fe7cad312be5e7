#include "InflateStream.h"

#include <climits>

#include "OrnZipLib.h"

namespace orn::zipfmt {

InflateStream::InflateStream(ByteStream& source) : in_(source, 256u << 10) {
  if (inflateInit2(&z_, -MAX_WBITS) != Z_OK) throw DecodeError(ORN_ZE_MEMORY, "Out of memory for deflate");
}

InflateStream::~InflateStream() { inflateEnd(&z_); }

std::size_t InflateStream::Read(std::uint8_t* out, std::size_t capacity) {
  if (ended_ || capacity == 0) return 0;
  const uInt room = uInt(std::min<std::size_t>(capacity, UINT_MAX));
  z_.next_out = out;
  z_.avail_out = room;
  while (z_.avail_out == room) {
    const bool more = in_.Fill();
    const uInt given = uInt(std::min<std::size_t>(in_.Left(), UINT_MAX));
    z_.next_in = const_cast<Bytef*>(in_.Next());
    z_.avail_in = given;
    const int rc = inflate(&z_, Z_NO_FLUSH);
    in_.Consume(given - z_.avail_in);
    if (rc == Z_STREAM_END) {
      ended_ = true;
      break;
    }
    if (rc == Z_MEM_ERROR) throw DecodeError(ORN_ZE_MEMORY, "Out of memory for deflate");
    if (rc != Z_OK && rc != Z_BUF_ERROR) throw DecodeError(ORN_ZE_FORMAT, "The deflated data is damaged");
    if (!more && z_.avail_out == room) throw DecodeError(ORN_ZE_FORMAT, "The deflated data ends early");
  }
  return room - z_.avail_out;
}

}  // namespace orn::zipfmt
