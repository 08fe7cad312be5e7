#include "WinZipAes.h"

#include <nettle/memops.h>
#include <nettle/pbkdf2.h>
#include <sys/random.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include "ByteCursor.h"
#include "OrnZipLib.h"
#include "ZipHeaders.h"

namespace orn::zipfmt {

namespace {
constexpr unsigned kIterations = 1000;
constexpr std::size_t kBlock = 16;

std::size_t KeySize(int strength) { return 8 + 8 * std::size_t(strength); }
}  // namespace

std::optional<AesExtra> FindAesExtra(std::string_view extra) {
  std::string_view body;
  if (!FindExtraBlock(extra, kExtraAes, body)) return std::nullopt;
  ByteCursor f(body);
  AesExtra aes;
  aes.vendorVersion = f.U16();
  std::string_view vendor = f.Bytes(2);
  aes.strength = f.U8();
  aes.method = f.U16();
  if (!f.Ok() || vendor != "AE" || aes.strength < 1 || aes.strength > 3) return std::nullopt;
  return aes;
}

std::string AesExtraField(const AesExtra& aes) {
  const unsigned char bytes[11] = {kExtraAes & 0xFF,
                                   kExtraAes >> 8,
                                   7,
                                   0,
                                   std::uint8_t(aes.vendorVersion),
                                   std::uint8_t(aes.vendorVersion >> 8),
                                   'A',
                                   'E',
                                   std::uint8_t(aes.strength),
                                   std::uint8_t(aes.method),
                                   std::uint8_t(aes.method >> 8)};
  return std::string(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

std::size_t AesSaltSize(int strength) { return KeySize(strength) / 2; }

std::size_t AesOverhead(int strength) { return AesSaltSize(strength) + kAesVerifierSize + kAesMacSize; }

AesCtrHmac::AesCtrHmac(std::string_view password, const std::uint8_t* salt, int strength) : strength_(strength) {
  if (strength < 1 || strength > 3) throw std::invalid_argument("AES strength must be 1, 2 or 3");
  const std::size_t keySize = KeySize(strength);
  std::uint8_t derived[2 * 32 + kAesVerifierSize];
  pbkdf2_hmac_sha1(password.size(), reinterpret_cast<const std::uint8_t*>(password.data()), kIterations,
                   AesSaltSize(strength), salt, 2 * keySize + kAesVerifierSize, derived);
  switch (strength) {
    case 1:
      aes128_set_encrypt_key(&aes_.aes128, derived);
      break;
    case 2:
      aes192_set_encrypt_key(&aes_.aes192, derived);
      break;
    default:
      aes256_set_encrypt_key(&aes_.aes256, derived);
      break;
  }
  hmac_sha1_set_key(&mac_, keySize, derived + keySize);
  std::memcpy(verifier_, derived + 2 * keySize, kAesVerifierSize);
}

// XORs the key stream into `data`: block n of the stream is the cipher of
// the counter n, written as a little-endian number into 16 bytes.
void AesCtrHmac::Xor(std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    if (used_ == sizeof stream_) {
      std::memset(stream_, 0, sizeof stream_);
      for (std::size_t b = 0; b < sizeof stream_; b += kBlock) {
        const std::uint64_t n = ++counter_;
        for (int i = 0; i < 8; ++i) stream_[b + std::size_t(i)] = std::uint8_t(n >> (8 * i));
      }
      switch (strength_) {
        case 1:
          aes128_encrypt(&aes_.aes128, sizeof stream_, stream_, stream_);
          break;
        case 2:
          aes192_encrypt(&aes_.aes192, sizeof stream_, stream_, stream_);
          break;
        default:
          aes256_encrypt(&aes_.aes256, sizeof stream_, stream_, stream_);
          break;
      }
      used_ = 0;
    }
    const std::size_t n = std::min(size, sizeof stream_ - used_);
    memxor(data, stream_ + used_, n);
    used_ += n;
    data += n;
    size -= n;
  }
}

void AesCtrHmac::Encrypt(std::uint8_t* data, std::size_t size) {
  Xor(data, size);
  hmac_sha1_update(&mac_, size, data);
}

void AesCtrHmac::Decrypt(std::uint8_t* data, std::size_t size) {
  hmac_sha1_update(&mac_, size, data);
  Xor(data, size);
}

void AesCtrHmac::Mac(std::uint8_t out[kAesMacSize]) { hmac_sha1_digest(&mac_, kAesMacSize, out); }

std::string NewAesSalt(int strength) {
  std::string salt(AesSaltSize(strength), '\0');
  for (std::size_t done = 0; done < salt.size();) {
    const ssize_t n = ::getrandom(salt.data() + done, salt.size() - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) throw std::runtime_error(std::string("No random numbers for the salt: ") + std::strerror(errno));
    done += std::size_t(n);
  }
  return salt;
}

AesDecryptStream::AesDecryptStream(ByteStream& source, std::uint64_t size, int strength, std::string_view password)
    : source_(source) {
  const std::size_t saltSize = AesSaltSize(strength);
  if (size < AesOverhead(strength)) throw DecodeError(ORN_ZE_FORMAT, "The encrypted data is too short");
  std::uint8_t head[16 + kAesVerifierSize];
  ReadExactly(source_, head, saltSize + kAesVerifierSize, ORN_ZE_EOF, "The archive ends early");
  cipher_.emplace(password, head, strength);
  fits_ = std::memcmp(cipher_->Verifier(), head + saltSize, kAesVerifierSize) == 0;
  left_ = size - AesOverhead(strength);
}

std::size_t AesDecryptStream::Read(std::uint8_t* out, std::size_t capacity) {
  if (!fits_) throw DecodeError(ORN_ZE_PASSWORD, "The password is wrong");
  if (left_ == 0) {
    CheckMac();
    return 0;
  }
  const std::size_t n = source_.Read(out, std::size_t(std::min<std::uint64_t>(capacity, left_)));
  if (n == 0) throw DecodeError(ORN_ZE_EOF, "The archive ends early");
  cipher_->Decrypt(out, n);
  left_ -= n;
  return n;
}

void AesDecryptStream::Finish() {
  std::uint8_t rest[16384];
  while (Read(rest, sizeof rest) > 0) {
  }
}

void AesDecryptStream::CheckMac() {
  if (checked_) return;
  std::uint8_t stored[kAesMacSize], computed[kAesMacSize];
  ReadExactly(source_, stored, sizeof stored, ORN_ZE_EOF, "The archive ends early");
  cipher_->Mac(computed);
  if (!memeql_sec(stored, computed, kAesMacSize))
    throw DecodeError(ORN_ZE_CRC, "The authentication code does not match: the data is damaged or the password wrong");
  checked_ = true;
}

}  // namespace orn::zipfmt
