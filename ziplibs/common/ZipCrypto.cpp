#include "ZipCrypto.h"

#include <zlib.h>

#include <random>

namespace orn::zipfmt {

namespace {
const z_crc_t* CrcTable() {
  static const z_crc_t* table = get_crc_table();
  return table;
}
inline std::uint32_t CrcStep(std::uint32_t crc, std::uint8_t b) { return CrcTable()[(crc ^ b) & 0xFF] ^ (crc >> 8); }
}  // namespace

ZipCrypto::ZipCrypto(std::string_view password) {
  for (char c : password) Update(std::uint8_t(c));
}

void ZipCrypto::Update(std::uint8_t plain) {
  k0_ = CrcStep(k0_, plain);
  k1_ = (k1_ + (k0_ & 0xFF)) * 134775813u + 1;
  k2_ = CrcStep(k2_, std::uint8_t(k1_ >> 24));
}

void ZipCrypto::Encrypt(std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    std::uint8_t plain = data[i];
    data[i] = plain ^ KeyByte();
    Update(plain);
  }
}

void ZipCrypto::Decrypt(std::uint8_t* data, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) {
    std::uint8_t plain = data[i] ^ KeyByte();
    data[i] = plain;
    Update(plain);
  }
}

void MakeCryptHeader(ZipCrypto& crypto, std::uint8_t checkByte, std::uint8_t header[12]) {
  thread_local std::mt19937 gen{std::random_device{}()};
  for (int i = 0; i < 11; ++i) header[i] = std::uint8_t(gen() & 0xFF);
  header[11] = checkByte;
  crypto.Encrypt(header, 12);
}

}  // namespace orn::zipfmt
