#include "ChunkDeflater.h"

#include <libdeflate.h>
#include <zlib.h>

#include <memory>
#include <vector>

#include "Scratch.h"

namespace orn::zipfmt {

namespace {

struct CompressorCache {
  int level = -1;
  libdeflate_compressor* compressor = nullptr;
  ~CompressorCache() {
    if (compressor) libdeflate_free_compressor(compressor);
  }
  libdeflate_compressor* For(int wanted) {
    if (compressor && level == wanted) return compressor;
    if (compressor) libdeflate_free_compressor(compressor);
    compressor = libdeflate_alloc_compressor(wanted);
    level = compressor ? wanted : -1;
    return compressor;
  }
};

thread_local CompressorCache tCompressor;
thread_local Scratch tDeflateOut;

// Fallback for a piece whose block boundaries cannot be found: zlib with a
// sync flush produces the non-final form directly.
bool DeflateWithZlib(int level, const std::uint8_t* data, std::size_t size, bool last, std::string& out) {
  z_stream zs{};
  if (deflateInit2(&zs, level, Z_DEFLATED, -15, 9, Z_DEFAULT_STRATEGY) != Z_OK) return false;
  out.resize(deflateBound(&zs, uLong(size)) + 16);
  zs.next_in = const_cast<Bytef*>(data);
  zs.avail_in = uInt(size);
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = uInt(out.size());
  int rc = deflate(&zs, last ? Z_FINISH : Z_SYNC_FLUSH);
  bool ok = last ? rc == Z_STREAM_END : (rc == Z_OK && zs.avail_in == 0);
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return ok;
}

}  // namespace

int LibdeflateLevelFor(int zipLevel) {
  // libdeflate's levels 1-9 match zlib's in ratio (within a few tenths of a
  // percent either way) at a fraction of the time; its levels 10-12 would
  // cost more time than zlib's 9.
  return zipLevel < 1 ? 1 : (zipLevel > 9 ? 9 : zipLevel);
}

bool MakeNonFinal(std::string& s) {
  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return false;
  std::vector<unsigned char> scratch(1 << 16);
  zs.next_in = reinterpret_cast<Bytef*>(s.data());
  zs.avail_in = uInt(s.size());
  std::uint64_t lastBlock = 0;
  std::uint64_t endBit = 0;
  bool found = false;
  for (;;) {
    zs.next_out = scratch.data();
    zs.avail_out = uInt(scratch.size());
    int rc = inflate(&zs, Z_BLOCK);
    if (rc != Z_OK && rc != Z_BUF_ERROR) break;
    if (zs.data_type & 128) {
      int unused = zs.data_type & 63;
      if (unused > 7) break;
      std::uint64_t pos = std::uint64_t(zs.total_in) * 8 - std::uint64_t(unused);
      if (zs.data_type & 64) {
        endBit = pos;
        found = true;
        break;
      }
      lastBlock = pos;
    }
    if (rc == Z_BUF_ERROR && zs.avail_in == 0 && zs.avail_out != 0) break;
  }
  inflateEnd(&zs);
  if (!found) return false;
  auto* b = reinterpret_cast<unsigned char*>(s.data());
  b[lastBlock / 8] &= static_cast<unsigned char>(~(1u << (lastBlock % 8)));
  // Cut after the final block's end code, then an empty non-final stored
  // block: three zero bits, padding to the byte, LEN 0000, NLEN FFFF.
  std::size_t bytes = std::size_t((endBit + 3 + 7) / 8);
  s.resize(bytes, '\0');
  b = reinterpret_cast<unsigned char*>(s.data());
  std::size_t endByte = std::size_t(endBit / 8);
  if (endByte < bytes) {
    b[endByte] &= static_cast<unsigned char>((1u << (endBit % 8)) - 1);
    for (std::size_t i = endByte + 1; i < bytes; ++i) b[i] = 0;
  }
  s.append("\x00\x00\xff\xff", 4);
  return true;
}

bool DeflatePiece(int level, const std::uint8_t* data, std::size_t size, bool last, std::string& out) {
  libdeflate_compressor* c = tCompressor.For(level);
  if (!c) return false;
  std::size_t bound = libdeflate_deflate_compress_bound(c, size);
  char* buffer = tDeflateOut.Get(bound);
  std::size_t n = libdeflate_deflate_compress(c, data, size, buffer, bound);
  if (n == 0) return false;
  out.assign(buffer, n);
  if (last || MakeNonFinal(out)) return true;
  return DeflateWithZlib(level > 9 ? 9 : level, data, size, last, out);
}

}  // namespace orn::zipfmt
