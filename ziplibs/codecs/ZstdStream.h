// Zstandard (method 93) through libzstd. Frames one after the other decode
// as one; the window is limited to what kDecoderMemoryLimit allows.
#pragma once

#include <zstd.h>
#include <zstd_errors.h>

#include "ByteStream.h"

namespace orn::zipfmt {

class ZstdStream : public ByteStream {
 public:
  explicit ZstdStream(ByteStream& source);
  ~ZstdStream() override;
  ZstdStream(const ZstdStream&) = delete;
  ZstdStream& operator=(const ZstdStream&) = delete;
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;

 private:
  InputBuffer in_;
  ZSTD_DCtx* ctx_;
  bool inFrame_ = false;  // a frame was begun and has not ended
  bool ended_ = false;
};

}  // namespace orn::zipfmt
