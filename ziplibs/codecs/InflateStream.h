// Deflate (method 8) through zlib, for entries that pass through the other
// stream layers (encrypted with AES, larger than what is inflated whole).
#pragma once

#include <zlib.h>

#include "ByteStream.h"

namespace orn::zipfmt {

class InflateStream : public ByteStream {
 public:
  explicit InflateStream(ByteStream& source);
  ~InflateStream() override;
  InflateStream(const InflateStream&) = delete;
  InflateStream& operator=(const InflateStream&) = delete;
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;

 private:
  InputBuffer in_;
  z_stream z_{};
  bool ended_ = false;
};

}  // namespace orn::zipfmt
