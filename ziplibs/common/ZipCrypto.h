// Traditional zip encryption ("ZipCrypto"): the only encryption every zip
// tool reads. Weak by today's measure; it is what the archives have always
// carried, so both libraries speak it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orn::zipfmt {

class ZipCrypto {
 public:
  explicit ZipCrypto(std::string_view password);
  void Encrypt(std::uint8_t* data, std::size_t size);
  void Decrypt(std::uint8_t* data, std::size_t size);

 private:
  std::uint8_t KeyByte() const {
    std::uint32_t t = (k2_ | 2) & 0xFFFF;  // unsigned: the product passes INT_MAX
    return std::uint8_t((t * (t ^ 1)) >> 8);
  }
  void Update(std::uint8_t plain);
  std::uint32_t k0_ = 305419896u;
  std::uint32_t k1_ = 591751049u;
  std::uint32_t k2_ = 878082192u;
};

// Fills the 12-byte encryption header (random bytes ending with `checkByte`)
// and encrypts it, leaving `crypto` ready for the entry's data.
void MakeCryptHeader(ZipCrypto& crypto, std::uint8_t checkByte, std::uint8_t header[12]);

}  // namespace orn::zipfmt
