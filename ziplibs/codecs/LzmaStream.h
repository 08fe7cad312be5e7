// LZMA in the zip form (method 14) and XZ (method 95), both through
// liblzma. The zip form is a 4-byte header (the writer's version and the
// length of the properties, 5), the 5 bytes of LZMA properties, then a raw
// LZMA1 stream. General purpose bit 1 says whether the stream ends with an
// end marker; without one it ends at the uncompressed size the directory
// records. (liblzma can also look for a marker after a known size, but as
// Debian 12 has it that fails on some ways the input arrives in pieces.)
#pragma once

#include <lzma.h>

#include <cstdint>

#include "ByteStream.h"

namespace orn::zipfmt {

class LzmaStreamBase : public ByteStream {
 public:
  ~LzmaStreamBase() override;
  LzmaStreamBase(const LzmaStreamBase&) = delete;
  LzmaStreamBase& operator=(const LzmaStreamBase&) = delete;
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;

 protected:
  LzmaStreamBase(ByteStream& source, const char* format);
  // Throws the DecodeError that goes with a liblzma result.
  [[noreturn]] void Fail(lzma_ret rc) const;
  InputBuffer in_;
  lzma_stream strm_ = LZMA_STREAM_INIT;
  const char* format_;
  bool ended_ = false;
};

class ZipLzmaStream : public LzmaStreamBase {
 public:
  // `size`: the entry's uncompressed size; `endMarker`: its bit 1.
  ZipLzmaStream(ByteStream& source, std::uint64_t size, bool endMarker);
};

class XzStream : public LzmaStreamBase {
 public:
  explicit XzStream(ByteStream& source);
};

}  // namespace orn::zipfmt
