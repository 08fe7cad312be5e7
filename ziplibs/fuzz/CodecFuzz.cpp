// Feeds arbitrary bytes to each decompressing stream layer and to AES
// decryption: the first byte chooses the layer, the next four the
// uncompressed size the directory would record, the rest is the data. A
// layer may refuse, never crash, overrun or hang, and never hands out more
// than it is asked for.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "ByteStream.h"
#include "Decompressors.h"
#include "WinZipAes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace orn::zipfmt;
  if (size < 5) return 0;
  static const std::uint16_t kMethods[] = {0, 8, kMethodDeflate64, kMethodBzip2, kMethodLzma, kMethodZstd, kMethodXz};
  const unsigned choice = data[0] % (sizeof kMethods / sizeof kMethods[0] + 1);
  const std::uint64_t recorded = data[1] | data[2] << 8 | data[3] << 16 | std::uint64_t(data[4]) << 24;
  MemoryStream source(std::string_view(reinterpret_cast<const char*>(data) + 5, size - 5));
  static std::uint8_t out[1 << 16];
  constexpr std::size_t kMaxOut = 8u << 20;
  try {
    std::optional<AesDecryptStream> aes;
    ByteStream* input = &source;
    std::uint16_t method = 0;
    if (choice == sizeof kMethods / sizeof kMethods[0]) {
      aes.emplace(source, size - 5, 1 + data[1] % 3, "password");
      if (!aes->PasswordFits()) return 0;
      input = &*aes;
    } else {
      method = kMethods[choice];
    }
    auto decoder = OpenDecompressor(method, *input, recorded);
    std::size_t total = 0;
    while (total < kMaxOut) {
      const std::size_t want = 1 + (total % sizeof out);
      const std::size_t n = decoder->Read(out, want);
      if (n > want) __builtin_trap();
      if (n == 0) break;
      total += n;
    }
  } catch (const DecodeError&) {
  }
  return 0;
}
