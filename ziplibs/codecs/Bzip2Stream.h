// bzip2 (method 12) through libbz2. Several streams one after the other, as
// parallel bzip2 writers make them, decode as one.
#pragma once

#include <bzlib.h>

#include "ByteStream.h"

namespace orn::zipfmt {

class Bzip2Stream : public ByteStream {
 public:
  explicit Bzip2Stream(ByteStream& source);
  ~Bzip2Stream() override;
  Bzip2Stream(const Bzip2Stream&) = delete;
  Bzip2Stream& operator=(const Bzip2Stream&) = delete;
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;

 private:
  void Start();
  InputBuffer in_;
  bz_stream bz_{};
  bool open_ = false;
  bool ended_ = false;
};

}  // namespace orn::zipfmt
