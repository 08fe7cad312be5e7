#include "ZstdStream.h"

#include <string>

#include "OrnZipLib.h"

namespace orn::zipfmt {

namespace {
// A 64 MiB window at most, within kDecoderMemoryLimit.
constexpr int kWindowLogLimit = 26;
static_assert((1ull << kWindowLogLimit) < kDecoderMemoryLimit);
}  // namespace

ZstdStream::ZstdStream(ByteStream& source) : in_(source, ZSTD_DStreamInSize()), ctx_(ZSTD_createDCtx()) {
  if (!ctx_) throw DecodeError(ORN_ZE_MEMORY, "Out of memory for Zstandard");
  ZSTD_DCtx_setParameter(ctx_, ZSTD_d_windowLogMax, kWindowLogLimit);
}

ZstdStream::~ZstdStream() { ZSTD_freeDCtx(ctx_); }

std::size_t ZstdStream::Read(std::uint8_t* out, std::size_t capacity) {
  if (ended_ || capacity == 0) return 0;
  ZSTD_outBuffer output{out, capacity, 0};
  while (output.pos == 0) {
    // Without more input a frame may still have output to hand out.
    const bool more = in_.Fill();
    if (!more && !inFrame_) {
      ended_ = true;
      break;
    }
    ZSTD_inBuffer input{in_.Next(), in_.Left(), 0};
    const std::size_t rc = ZSTD_decompressStream(ctx_, &output, &input);
    in_.Consume(input.pos);
    if (ZSTD_isError(rc)) {
      if (ZSTD_getErrorCode(rc) == ZSTD_error_frameParameter_windowTooLarge)
        throw DecodeError(ORN_ZE_MEMORY, "The Zstandard data asks for more than " +
                                             std::to_string(kDecoderMemoryLimit >> 20) + " MiB of memory, not decoded");
      throw DecodeError(ORN_ZE_FORMAT, std::string("The Zstandard data is damaged (") + ZSTD_getErrorName(rc) + ")");
    }
    // 0 means a frame has just ended; another may follow.
    inFrame_ = rc != 0;
    if (!more && inFrame_ && output.pos == 0) throw DecodeError(ORN_ZE_FORMAT, "The Zstandard data ends early");
  }
  return output.pos;
}

}  // namespace orn::zipfmt
