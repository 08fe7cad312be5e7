// Entries the fast paths of EntryDecoder do not take: bzip2, LZMA, XZ,
// Zstandard and Deflate64, and anything encrypted with AES. Their data
// passes through the stream layers: the range of the archive, then
// decryption (AES or the traditional zip encryption), then the method's
// decompressor. Decoding stops as soon as more comes out than the directory
// records, so a small entry that would unpack to gigabytes costs no more than
// its recorded size; data that ends early, or an AES entry whose
// authentication code does not match, ends the entry with an error before it
// is put in place.
#include <libdeflate.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "ByteStream.h"
#include "Decompressors.h"
#include "EntryDecoder.h"
#include "OrnZipLib.h"
#include "WinZipAes.h"
#include "ZipCrypto.h"
#include "ZipMessages.h"

namespace orn::zipfmt {

namespace {

// The traditional zip encryption as a stream layer, behind its 12-byte
// header (which the caller has checked against the password already).
class ZipCryptoStream : public ByteStream {
 public:
  ZipCryptoStream(ByteStream& source, const std::string& password) : source_(source), crypto_(password) {
    std::uint8_t header[kCryptHeaderSize];
    ReadExactly(source_, header, sizeof header, ORN_ZE_EOF, "the archive ends early");
    crypto_.Decrypt(header, sizeof header);
  }
  std::size_t Read(std::uint8_t* out, std::size_t capacity) override {
    const std::size_t n = source_.Read(out, capacity);
    crypto_.Decrypt(out, n);
    return n;
  }

 private:
  ByteStream& source_;
  ZipCrypto crypto_;
};

// The archive as a record-layer source, for its local headers.
FdZipSource FileSource(int fd) {
  struct stat st {};
  ::fstat(fd, &st);
  return FdZipSource(fd, std::uint64_t(st.st_size));
}

DecodeResult Failed(int code, std::string text) {
  DecodeResult r;
  r.errorCode = code;
  r.error = std::move(text);
  return r;
}

constexpr std::size_t kStep = 1u << 20;

}  // namespace

DecodeResult DecodeLayered(const DecodeJob& job) {
  const ZipDirEntry& e = *job.entry;
  DecodeResult r;
  try {
    const std::uint64_t offset = job.dataOffset != 0 ? job.dataOffset : LocalDataOffset(FileSource(job.archiveFd), e);
    FileRangeStream file(job.archiveFd, offset, e.PackedSize64);
    ByteStream* data = &file;
    std::uint16_t method = e.Method;
    std::optional<AesExtra> aes;
    std::optional<AesDecryptStream> aesStream;
    std::optional<ZipCryptoStream> zipCrypto;
    if (e.Method == kMethodAes) {
      aes = FindAesExtra(e.Extra);
      if (!aes || !e.IsEncrypted) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzDamagedAes, {e.Name}));
      aesStream.emplace(file, e.PackedSize64, aes->strength, job.password);
      if (!aesStream->PasswordFits()) {
        r = Failed(ORN_ZE_PASSWORD, LibraryMessage(kUnzWrongPassword, {e.Name}));
        r.wrongPassword = true;
        return r;
      }
      data = &*aesStream;
      method = aes->method;
    } else if (e.IsEncrypted) {
      zipCrypto.emplace(file, job.password);
      data = &*zipCrypto;
    }
    std::unique_ptr<ByteStream> decoder = OpenDecompressor(method, *data, e.UnpackedSize64, e.GeneralFlags);

    thread_local std::unique_ptr<char[]> tBuffer;
    if (!tBuffer) tBuffer.reset(new char[kStep]);
    char* const buf = tBuffer.get();
    std::uint64_t produced = 0;
    for (;;) {
      const std::size_t n = decoder->Read(reinterpret_cast<std::uint8_t*>(buf), kStep);
      if (n == 0) break;
      produced += n;
      if (produced > e.UnpackedSize64) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzDataTooLong, {e.Name}));
      r.crc = std::uint32_t(libdeflate_crc32(r.crc, buf, n));
      bool written = true;
      if (job.outBuffer) {
        written = produced <= job.outCapacity;
        if (written) std::memcpy(job.outBuffer + (produced - n), buf, n);
      } else if (job.outFd >= 0) {
        written = WriteAll(job.outFd, buf, n);
      }
      if (!written) return Failed(ORN_ZE_WRITE, LibraryMessage(kUnzDiskFull, {e.Name}));
    }
    if (produced != e.UnpackedSize64) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzDataTooShort, {e.Name}));
    if (aesStream) {
      aesStream->Finish();
      // AE-2 stores no CRC: the authentication code checked the data.
      if (aes->vendorVersion == 2) r.crc = e.Crc32;
    }
    r.ok = true;
    return r;
  } catch (const DecodeError& err) {
    return Failed(err.Code(), std::string(err.what()) + ": " + e.Name);
  } catch (const EZipEngine& err) {
    return Failed(ProtocolCode(err.Ident()), std::string(err.what()) + ": " + e.Name);
  } catch (const std::bad_alloc&) {
    return Failed(ORN_ZE_MEMORY, "Out of memory: " + e.Name);
  }
}

}  // namespace orn::zipfmt
