#include "Decompressors.h"

#include "Bzip2Stream.h"
#include "Deflate64Stream.h"
#include "InflateStream.h"
#include "LzmaStream.h"
#include "OrnZipLib.h"
#include "ZstdStream.h"

namespace orn::zipfmt {

namespace {

// Stored data passes as it is.
class StoredStream : public ByteStream {
 public:
  explicit StoredStream(ByteStream& source) : source_(source) {}
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override { return source_.Read(out, capacity); }

 private:
  ByteStream& source_;
};

}  // namespace

bool MethodSupported(std::uint16_t method) {
  switch (method) {
    case 0:
    case 8:
    case kMethodDeflate64:
    case kMethodBzip2:
    case kMethodLzma:
    case kMethodZstd:
    case kMethodXz:
      return true;
    default:
      return false;
  }
}

std::string MethodDescription(std::uint16_t method) {
  const std::string name = MethodName(method);
  return std::to_string(method) + (name.empty() ? std::string() : " (" + name + ")");
}

std::unique_ptr<ByteStream> OpenDecompressor(std::uint16_t method, ByteStream& source, std::uint64_t size,
                                             std::uint16_t flags) {
  switch (method) {
    case 0:
      return std::make_unique<StoredStream>(source);
    case 8:
      return std::make_unique<InflateStream>(source);
    case kMethodDeflate64:
      return std::make_unique<Deflate64Stream>(source);
    case kMethodBzip2:
      return std::make_unique<Bzip2Stream>(source);
    case kMethodLzma:
      return std::make_unique<ZipLzmaStream>(source, size, (flags & kFlagLzmaEndMarker) != 0);
    case kMethodZstd:
      return std::make_unique<ZstdStream>(source);
    case kMethodXz:
      return std::make_unique<XzStream>(source);
    default:
      throw DecodeError(ORN_ZE_FORMAT, "Compression method " + MethodDescription(method) + " is not supported");
  }
}

}  // namespace orn::zipfmt
