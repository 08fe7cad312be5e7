#include "LzmaStream.h"

#include <cstdlib>
#include <string>

#include "OrnZipLib.h"

namespace orn::zipfmt {

LzmaStreamBase::LzmaStreamBase(ByteStream& source, const char* format) : in_(source, 256u << 10), format_(format) {}

LzmaStreamBase::~LzmaStreamBase() { lzma_end(&strm_); }

void LzmaStreamBase::Fail(lzma_ret rc) const {
  const std::string format = format_;
  switch (rc) {
    case LZMA_MEM_ERROR:
      throw DecodeError(ORN_ZE_MEMORY, "Out of memory for " + format);
    case LZMA_MEMLIMIT_ERROR:
      throw DecodeError(ORN_ZE_MEMORY, "The " + format + " data asks for more than " +
                                           std::to_string(kDecoderMemoryLimit >> 20) + " MiB of memory, not decoded");
    case LZMA_OPTIONS_ERROR:
      throw DecodeError(ORN_ZE_FORMAT, "The " + format + " data uses options this program does not know");
    case LZMA_BUF_ERROR:
      throw DecodeError(ORN_ZE_FORMAT, "The " + format + " data ends early");
    default:
      throw DecodeError(ORN_ZE_FORMAT, "The " + format + " data is damaged");
  }
}

std::size_t LzmaStreamBase::Read(std::uint8_t* out, std::size_t capacity) {
  if (ended_ || capacity == 0) return 0;
  strm_.next_out = out;
  strm_.avail_out = capacity;
  while (strm_.avail_out == capacity) {
    // At the end of the input liblzma is told so, and says whether the
    // stream was complete.
    const bool more = in_.Fill();
    strm_.next_in = in_.Next();
    strm_.avail_in = in_.Left();
    const lzma_ret rc = lzma_code(&strm_, more ? LZMA_RUN : LZMA_FINISH);
    in_.Consume(in_.Left() - strm_.avail_in);
    if (rc == LZMA_STREAM_END) {
      ended_ = true;
      break;
    }
    if (rc != LZMA_OK) Fail(rc);
    if (!more && strm_.avail_out == capacity) Fail(LZMA_BUF_ERROR);
  }
  return capacity - strm_.avail_out;
}

ZipLzmaStream::ZipLzmaStream(ByteStream& source, std::uint64_t size, bool endMarker) : LzmaStreamBase(source, "LZMA") {
  std::uint8_t header[9];
  for (std::size_t got = 0; got < sizeof header;) {
    if (!in_.Fill()) throw DecodeError(ORN_ZE_FORMAT, "The LZMA data ends inside its header");
    const std::size_t n = std::min(sizeof header - got, in_.Left());
    std::memcpy(header + got, in_.Next(), n);
    in_.Consume(n);
    got += n;
  }
  if ((header[2] | header[3] << 8) != 5) throw DecodeError(ORN_ZE_FORMAT, "The LZMA header is damaged");
  lzma_filter filters[2] = {{LZMA_FILTER_LZMA1, nullptr}, {LZMA_VLI_UNKNOWN, nullptr}};
  if (lzma_properties_decode(&filters[0], nullptr, header + 4, 5) != LZMA_OK)
    throw DecodeError(ORN_ZE_FORMAT, "The LZMA properties are damaged");
  auto* options = static_cast<lzma_options_lzma*>(filters[0].options);
  // No entry needs a dictionary larger than itself.
  if (size < options->dict_size) options->dict_size = std::uint32_t(std::max<std::uint64_t>(size, 4096));
  filters[0].id = LZMA_FILTER_LZMA1EXT;
  options->ext_flags = 0;
  lzma_set_ext_size(*options, endMarker ? UINT64_MAX : size);
  lzma_ret rc = LZMA_MEMLIMIT_ERROR;
  if (lzma_raw_decoder_memusage(filters) <= kDecoderMemoryLimit) rc = lzma_raw_decoder(&strm_, filters);
  std::free(options);
  if (rc != LZMA_OK) Fail(rc);
}

XzStream::XzStream(ByteStream& source) : LzmaStreamBase(source, "XZ") {
  const lzma_ret rc = lzma_stream_decoder(&strm_, kDecoderMemoryLimit, LZMA_CONCATENATED);
  if (rc != LZMA_OK) Fail(rc);
}

}  // namespace orn::zipfmt
