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

const char* MethodName(std::uint16_t method) {
  switch (method) {
    case 0:
      return "stored";
    case 1:
      return "Shrink";
    case 2:
    case 3:
    case 4:
    case 5:
      return "Reduce";
    case 6:
      return "Implode";
    case 8:
      return "deflate";
    case kMethodDeflate64:
      return "Deflate64";
    case 10:
      return "PKWARE DCL Implode";
    case kMethodBzip2:
      return "bzip2";
    case kMethodLzma:
      return "LZMA";
    case 16:
      return "IBM z/OS CMPSC";
    case 18:
      return "IBM TERSE";
    case 19:
      return "IBM LZ77";
    case kMethodZstd:
      return "Zstandard";
    case 94:
      return "MP3";
    case kMethodXz:
      return "XZ";
    case 96:
      return "JPEG";
    case 97:
      return "WavPack";
    case 98:
      return "PPMd";
    case 99:
      return "AES";
    default:
      return nullptr;
  }
}

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
  const char* name = MethodName(method);
  return std::to_string(method) + (name ? std::string(" (") + name + ")" : std::string());
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
