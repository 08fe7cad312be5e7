// AES encryption of zip entries in the form every current archiver reads
// (method 99 with the 0x9901 extra field, "AE-1" and "AE-2"): keys derived
// from the password and a random salt with PBKDF2-HMAC-SHA1 (1000 rounds),
// a 2-byte password verifier, AES in counter mode with a little-endian
// counter starting at 1, and the first 10 bytes of an HMAC-SHA1 over the
// encrypted data as its authentication code. AE-1 keeps the CRC of the
// plain data, AE-2 stores none and relies on the authentication code.
// The cipher, the MAC and the key derivation are nettle's; only the counter
// layout, which nettle's counter mode does not offer, is laid out here.
//
// An entry's data: salt (8, 12 or 16 bytes), verifier (2), the encrypted
// payload, the authentication code (10). The extra field carries the
// vendor version (1 or 2), "AE", the strength (1, 2, 3 for 128, 192, 256
// bit keys) and the real compression method.
#pragma once

#include <nettle/aes.h>
#include <nettle/hmac.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "ByteStream.h"
#include "ZipFormat.h"

namespace orn::zipfmt {

constexpr std::size_t kAesVerifierSize = 2;
constexpr std::size_t kAesMacSize = 10;

struct AesExtra {
  std::uint16_t vendorVersion = 2;  // 1: AE-1 (CRC kept), 2: AE-2 (no CRC)
  int strength = 3;                 // 1, 2, 3: 128, 192, 256-bit keys
  std::uint16_t method = 0;         // the compression method of the payload
};

// The AES extra field among an entry's extra fields; nothing when there is
// none or it is malformed.
std::optional<AesExtra> FindAesExtra(std::string_view extra);
// The extra field (id, size and the 7 bytes) for `aes`.
std::string AesExtraField(const AesExtra& aes);
// The salt's length for a strength (8, 12, 16), and all the bytes AES adds
// to an entry's data.
std::size_t AesSaltSize(int strength);
std::size_t AesOverhead(int strength);

// The keys of one entry and the cipher and MAC running over its data.
class AesCtrHmac {
 public:
  // Derives the keys from `password` and the entry's salt; strength 1 to 3.
  AesCtrHmac(std::string_view password, const std::uint8_t* salt, int strength);
  // The verifier the password gives; it must equal the stored one.
  const std::uint8_t* Verifier() const { return verifier_; }
  void Encrypt(std::uint8_t* data, std::size_t size);  // then authenticates what it wrote
  void Decrypt(std::uint8_t* data, std::size_t size);  // authenticates what it reads first
  // The authentication code of everything encrypted or decrypted so far.
  void Mac(std::uint8_t out[kAesMacSize]);

 private:
  void Xor(std::uint8_t* data, std::size_t size);
  union {
    aes128_ctx aes128;
    aes192_ctx aes192;
    aes256_ctx aes256;
  } aes_;
  int strength_;
  hmac_sha1_ctx mac_;
  std::uint64_t counter_ = 0;  // of the last block of key stream made
  std::uint8_t stream_[4096];  // key stream not used yet: stream_[used_..]
  std::size_t used_ = sizeof stream_;
  std::uint8_t verifier_[kAesVerifierSize];
};

// Random salt for a new entry, from the system's random source.
std::string NewAesSalt(int strength);

// The layer that decrypts an entry: reads the salt and the verifier, hands
// out the decrypted payload, and checks the authentication code when the
// payload ends. A code that does not match throws DecodeError: the data is
// damaged (or, once in 65536 times, the password is wrong).
class AesDecryptStream : public ByteStream {
 public:
  // `source` holds the entry's data, `size` bytes of it.
  AesDecryptStream(ByteStream& source, std::uint64_t size, int strength, std::string_view password);
  // False when the password does not give the stored verifier; then
  // nothing may be read.
  bool PasswordFits() const { return fits_; }
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override;
  // Reads and authenticates whatever of the payload the layer above left
  // unread (a decompressor that ended before its input did).
  void Finish();

 private:
  void CheckMac();
  ByteStream& source_;
  std::optional<AesCtrHmac> cipher_;
  std::uint64_t left_ = 0;
  bool fits_ = false;
  bool checked_ = false;
};

}  // namespace orn::zipfmt
