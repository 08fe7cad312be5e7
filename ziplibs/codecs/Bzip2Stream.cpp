#include "Bzip2Stream.h"

#include <climits>

#include "OrnZipLib.h"

namespace orn::zipfmt {

Bzip2Stream::Bzip2Stream(ByteStream& source) : in_(source, 256u << 10) { Start(); }

Bzip2Stream::~Bzip2Stream() {
  if (open_) BZ2_bzDecompressEnd(&bz_);
}

void Bzip2Stream::Start() {
  if (open_) BZ2_bzDecompressEnd(&bz_);
  open_ = false;
  bz_ = bz_stream{};
  if (BZ2_bzDecompressInit(&bz_, 0, 0) != BZ_OK) throw DecodeError(ORN_ZE_MEMORY, "Out of memory for bzip2");
  open_ = true;
}

std::size_t Bzip2Stream::Read(std::uint8_t* out, std::size_t capacity) {
  if (ended_ || capacity == 0) return 0;
  const unsigned int room = unsigned(std::min<std::size_t>(capacity, UINT_MAX));
  bz_.next_out = reinterpret_cast<char*>(out);
  bz_.avail_out = room;
  while (bz_.avail_out == room) {
    // Without more input a block may still have output to hand out.
    const bool more = in_.Fill();
    const unsigned int given = unsigned(std::min<std::size_t>(in_.Left(), UINT_MAX));
    bz_.next_in = const_cast<char*>(reinterpret_cast<const char*>(in_.Next()));
    bz_.avail_in = given;
    const int rc = BZ2_bzDecompress(&bz_);
    in_.Consume(given - bz_.avail_in);
    if (rc == BZ_STREAM_END) {
      // Another stream may follow the one that ended.
      if (!in_.Fill()) {
        ended_ = true;
        break;
      }
      char* next = bz_.next_out;
      const unsigned int left = bz_.avail_out;
      Start();
      bz_.next_out = next;
      bz_.avail_out = left;
      continue;
    }
    if (rc == BZ_MEM_ERROR) throw DecodeError(ORN_ZE_MEMORY, "Out of memory for bzip2");
    if (rc != BZ_OK) throw DecodeError(ORN_ZE_FORMAT, "The bzip2 data is damaged");
    if (!more && bz_.avail_out == room) throw DecodeError(ORN_ZE_FORMAT, "The bzip2 data ends early");
  }
  return room - bz_.avail_out;
}

}  // namespace orn::zipfmt
