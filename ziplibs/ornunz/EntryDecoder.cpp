#include "EntryDecoder.h"

#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "ByteCursor.h"
#include "OrnZipLib.h"
#include "Scratch.h"
#include "ZipCrypto.h"
#include "ZipMessages.h"

namespace orn::zipfmt {

namespace {

struct DecompressorHolder {
  libdeflate_decompressor* d = libdeflate_alloc_decompressor();
  ~DecompressorHolder() {
    if (d) libdeflate_free_decompressor(d);
  }
};
thread_local DecompressorHolder tDecompressor;
thread_local Scratch tIn;
thread_local Scratch tOut;

DecodeResult Failed(int code, std::string text) {
  DecodeResult r;
  r.errorCode = code;
  r.error = std::move(text);
  return r;
}

}  // namespace

bool WriteAll(int fd, const char* p, std::size_t n) {
  while (n > 0) {
    ssize_t w = ::write(fd, p, n);
    if (w < 0 && errno == EINTR) continue;
    if (w <= 0) return false;
    p += w;
    n -= std::size_t(w);
  }
  return true;
}

namespace {

// Reads what is there, up to `size` bytes; returns the count.
std::size_t ReadSome(int fd, char* p, std::size_t size, std::uint64_t offset) {
  std::size_t done = 0;
  while (done < size) {
    ssize_t n = ::pread(fd, p + done, size - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += std::size_t(n);
  }
  return done;
}

}  // namespace

DecodeResult DecodeEntry(const DecodeJob& job) {
  const ZipDirEntry& e = *job.entry;
  if (e.Method != kMethodStore && e.Method != kMethodDeflate) return DecodeLayered(job);
  std::uint64_t csize = e.PackedSize64;
  std::uint64_t offset = job.dataOffset;
  // A small entry is read with its local header in one go (one read per
  // file counts when there are tens of thousands of them).
  const char* whole = nullptr;
  if (offset == 0 && !e.IsEncrypted && csize <= kWholeEntryLimit) {
    std::size_t want = kLocalHeaderSize + e.RawName.size() + e.Extra.size() + std::size_t(csize) + 64;
    char* buf = tIn.Get(want);
    std::size_t got = ReadSome(job.archiveFd, buf, want, e.LocalHeaderPosition);
    ByteCursor r(reinterpret_cast<const unsigned char*>(buf), got);
    if (r.U32() != kLocalHeaderSig) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzNoLocalHeader, {e.Name}));
    r.Skip(22);
    std::size_t nameLen = r.U16();
    std::size_t extraLen = r.U16();
    if (!r.Ok()) return Failed(ORN_ZE_EOF, LibraryMessage(kUnzEndsEarly, {e.Name}));
    offset = e.LocalHeaderPosition + kLocalHeaderSize + nameLen + extraLen;
    if (kLocalHeaderSize + nameLen + extraLen + csize <= got) whole = buf + kLocalHeaderSize + nameLen + extraLen;
  } else if (offset == 0) {
    try {
      struct stat st {};
      ::fstat(job.archiveFd, &st);
      offset = LocalDataOffset(FdZipSource(job.archiveFd, std::uint64_t(st.st_size)), e);
    } catch (const EZipEngine& err) {
      return Failed(ProtocolCode(err.Ident()), err.what());
    }
  }
  std::unique_ptr<ZipCrypto> crypto;
  if (e.IsEncrypted) {
    if (csize < kCryptHeaderSize) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzDamagedEncrypted, {e.Name}));
    crypto = std::make_unique<ZipCrypto>(job.password);
    std::uint8_t h[kCryptHeaderSize];
    if (!ReadAt(job.archiveFd, h, sizeof h, offset)) return Failed(ORN_ZE_EOF, LibraryMessage(kUnzEndsEarly, {e.Name}));
    crypto->Decrypt(h, sizeof h);
    offset += kCryptHeaderSize;
    csize -= kCryptHeaderSize;
  }
  const std::uint64_t usize = e.UnpackedSize64;
  DecodeResult r;
  std::uint64_t written = 0;
  auto emit = [&](const char* p, std::size_t n) {
    r.crc = std::uint32_t(libdeflate_crc32(r.crc, p, n));
    if (job.decoded) job.decoded->fetch_add(n, std::memory_order_relaxed);
    if (job.outBuffer) {
      if (written + n > job.outCapacity) return false;
      std::memcpy(job.outBuffer + written, p, n);
      written += n;
      return true;
    }
    return job.outFd < 0 || WriteAll(job.outFd, p, n);
  };
  const std::string writeError = LibraryMessage(kUnzDiskFull, {e.Name});

  if (whole && e.Method == kMethodStore) {
    if (csize != usize) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzSizesDiffer, {e.Name}));
    if (!emit(whole, std::size_t(csize))) return Failed(ORN_ZE_WRITE, writeError);
    r.ok = true;
    return r;
  }
  if (e.Method == kMethodDeflate && usize <= kWholeEntryLimit && csize <= kWholeEntryLimit && tDecompressor.d) {
    const char* in = whole;
    if (!in) {
      char* buf = tIn.Get(std::size_t(csize));
      if (!ReadAt(job.archiveFd, buf, std::size_t(csize), offset))
        return Failed(ORN_ZE_EOF, LibraryMessage(kUnzEndsEarly, {e.Name}));
      if (crypto) crypto->Decrypt(reinterpret_cast<std::uint8_t*>(buf), std::size_t(csize));
      in = buf;
    }
    char* out = tOut.Get(std::size_t(usize));
    std::size_t actual = 0;
    libdeflate_result rc =
        libdeflate_deflate_decompress(tDecompressor.d, in, std::size_t(csize), out, std::size_t(usize), &actual);
    if (rc != LIBDEFLATE_SUCCESS || actual != usize)
      return Failed(crypto ? ORN_ZE_PASSWORD : ORN_ZE_FORMAT,
                    LibraryMessage(crypto ? kUnzWrongPasswordOrDamaged : kUnzDamagedData, {e.Name}));
    if (!emit(out, std::size_t(usize))) return Failed(ORN_ZE_WRITE, writeError);
    r.ok = true;
    return r;
  }

  constexpr std::size_t kStep = 1u << 20;
  std::string in(std::size_t(std::min<std::uint64_t>(csize, kStep)), '\0');
  if (e.Method == kMethodStore) {
    if (csize != usize) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzSizesDiffer, {e.Name}));
    for (std::uint64_t done = 0; done < csize;) {
      std::size_t n = std::size_t(std::min<std::uint64_t>(csize - done, kStep));
      if (!ReadAt(job.archiveFd, in.data(), n, offset + done))
        return Failed(ORN_ZE_EOF, LibraryMessage(kUnzEndsEarly, {e.Name}));
      if (crypto) crypto->Decrypt(reinterpret_cast<std::uint8_t*>(in.data()), n);
      if (!emit(in.data(), n)) return Failed(ORN_ZE_WRITE, writeError);
      done += n;
    }
    r.ok = true;
    return r;
  }

  z_stream zs{};
  if (inflateInit2(&zs, -15) != Z_OK) return Failed(ORN_ZE_MEMORY, "Out of memory: " + e.Name);
  struct Ender {
    z_stream* z;
    ~Ender() { inflateEnd(z); }
  } ender{&zs};
  std::string out(kStep, '\0');
  std::uint64_t done = 0;
  std::uint64_t produced = 0;
  int rc = Z_OK;
  while (rc != Z_STREAM_END) {
    if (zs.avail_in == 0) {
      if (done >= csize) break;
      std::size_t n = std::size_t(std::min<std::uint64_t>(csize - done, kStep));
      if (!ReadAt(job.archiveFd, in.data(), n, offset + done))
        return Failed(ORN_ZE_EOF, LibraryMessage(kUnzEndsEarly, {e.Name}));
      if (crypto) crypto->Decrypt(reinterpret_cast<std::uint8_t*>(in.data()), n);
      done += n;
      zs.next_in = reinterpret_cast<Bytef*>(in.data());
      zs.avail_in = uInt(n);
    }
    zs.next_out = reinterpret_cast<Bytef*>(out.data());
    zs.avail_out = uInt(out.size());
    rc = inflate(&zs, Z_NO_FLUSH);
    if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR)
      return Failed(crypto ? ORN_ZE_PASSWORD : ORN_ZE_FORMAT,
                    LibraryMessage(crypto ? kUnzWrongPasswordOrDamaged : kUnzDamagedData, {e.Name}));
    std::size_t n = out.size() - zs.avail_out;
    produced += n;
    if (produced > usize) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzDataTooLong, {e.Name}));
    if (n > 0 && !emit(out.data(), n)) return Failed(ORN_ZE_WRITE, writeError);
    if (rc == Z_BUF_ERROR && zs.avail_in == 0 && done >= csize) break;
  }
  if (rc != Z_STREAM_END || produced != usize) return Failed(ORN_ZE_FORMAT, LibraryMessage(kUnzDataTooShort, {e.Name}));
  r.ok = true;
  return r;
}

}  // namespace orn::zipfmt
