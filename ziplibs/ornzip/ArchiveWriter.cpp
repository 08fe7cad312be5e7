#include "ArchiveWriter.h"

#include <fcntl.h>
#include <libdeflate.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <deque>
#include <future>

#include "ByteCursor.h"
#include "ChunkDeflater.h"
#include "CodePage.h"
#include "DosTime.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "Scratch.h"
#include "UniqueFd.h"
#include "WinZipAes.h"
#include "WorkerPool.h"
#include "Zip64Records.h"
#include "ZipCrypto.h"
#include "ZipHeaders.h"

namespace orn::zipfmt {

// Buffered sequential output that knows its position; a header written
// before its sizes were known is patched in place afterwards.
class ArchiveWriter::Output {
 public:
  explicit Output(int fd) : fd_(fd) { buf_.reserve(kBufSize); }
  bool Write(const void* data, std::size_t size) {
    if (buf_.size() + size > kBufSize) {
      if (!Flush()) return false;
      if (size >= kBufSize) {
        if (!WriteAll(data, size)) return false;
        pos_ += size;
        flushed_ = pos_;
        return true;
      }
    }
    buf_.append(static_cast<const char*>(data), size);
    pos_ += size;
    return true;
  }
  bool Write(const std::string& s) { return Write(s.data(), s.size()); }
  bool Patch(std::uint64_t offset, const std::string& bytes) {
    if (!Flush()) return false;
    return ::pwrite(fd_, bytes.data(), bytes.size(), off_t(offset)) == ssize_t(bytes.size());
  }
  // Drops everything from `offset` on (a file that failed half-way).
  bool Rewind(std::uint64_t offset) {
    if (!Flush()) return false;
    if (::ftruncate(fd_, off_t(offset)) != 0 || ::lseek(fd_, off_t(offset), SEEK_SET) < 0) return false;
    pos_ = flushed_ = offset;
    return true;
  }
  bool Flush() {
    if (buf_.empty()) return true;
    bool ok = WriteAll(buf_.data(), buf_.size());
    flushed_ = pos_;
    buf_.clear();
    return ok;
  }
  std::uint64_t Pos() const { return pos_; }

 private:
  static constexpr std::size_t kBufSize = 1u << 20;
  bool WriteAll(const void* data, std::size_t size) {
    auto* p = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = ::write(fd_, p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      size -= std::size_t(n);
    }
    return true;
  }
  int fd_;
  std::string buf_;
  std::uint64_t pos_ = 0;
  std::uint64_t flushed_ = 0;
};

struct ArchiveWriter::PieceResult {
  bool ok = false;
  std::string error;
  std::string data;
  std::uint32_t crc = 0;
  bool stored = false;
  bool changed = false;  // the file's size differed at its end from when it was listed
};

namespace {

// Runs on a worker thread: reads one piece of a file and deflates it.
ArchiveWriter::PieceResult RunPiece(const Piece& p) {
  ArchiveWriter::PieceResult r;
  if (p.file->isLink) {
    // A link's data is its target, read when the files were gathered.
    r.data = p.file->linkTarget;
    r.crc = std::uint32_t(libdeflate_crc32(0, r.data.data(), r.data.size()));
    r.stored = true;
    r.ok = true;
    return r;
  }
  UniqueFd fd(::open(p.file->diskPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    r.error = "Cannot open " + p.file->diskPath + ": " + std::strerror(errno);
    return r;
  }
  // A stored piece is read straight into its result; a deflated one into the
  // worker's buffer, which only its deflated form leaves.
  thread_local Scratch tIn;
  char* in;
  if (p.store) {
    r.data.resize(p.size);
    in = r.data.data();
  } else {
    in = tIn.Get(p.size);
  }
  if (p.size > 0 && !ReadAt(fd.Get(), in, p.size, p.offset)) {
    r.error = "Cannot read " + p.file->diskPath + " (it shrank or a read failed)";
    return r;
  }
  if (p.last) {
    struct stat st {};
    r.changed = ::fstat(fd.Get(), &st) == 0 && std::uint64_t(st.st_size) != p.file->size;
  }
  r.crc = std::uint32_t(libdeflate_crc32(0, in, p.size));
  if (p.store) {
    r.stored = true;
  } else {
    if (!DeflatePiece(p.level, reinterpret_cast<const std::uint8_t*>(in), p.size, p.last, r.data)) {
      r.error = "Out of memory compressing " + p.file->diskPath;
      return r;
    }
    if (p.single && r.data.size() >= p.size) {
      r.data.assign(in, p.size);
      r.stored = true;
    }
  }
  r.ok = true;
  return r;
}

std::uint16_t NameFlags(const std::string& name) {
  return (!orn::IsPlainAscii(name) && orn::IsValidUtf8(name)) ? kFlagUtf8Name : 0;
}

}  // namespace

PiecePlan PlanPieces(const std::vector<WriteItem>& items, const WriterOptions& options) {
  PiecePlan plan;
  plan.firstPiece.resize(items.size() + 1);
  const int libLevel = options.best ? kBestLibdeflateLevel : LibdeflateLevelFor(options.zipLevel);
  for (std::size_t i = 0; i < items.size(); ++i) {
    plan.firstPiece[i] = plan.pieces.size();
    const WriteItem& it = items[i];
    if (!it.add || it.add->isDirectory) continue;
    const std::uint64_t size = it.add->size;
    const std::size_t n = std::size_t(std::max<std::uint64_t>(1, (size + options.pieceSize - 1) / options.pieceSize));
    const bool store = it.store || it.add->isLink || options.zipLevel == 0;
    for (std::size_t k = 0; k < n; ++k) {
      const std::uint64_t off = std::uint64_t(k) * options.pieceSize;
      const std::size_t len = std::size_t(std::min<std::uint64_t>(options.pieceSize, size - off));
      plan.pieces.push_back({it.add, off, len, k + 1 == n, n == 1, store, libLevel});
    }
  }
  plan.firstPiece[items.size()] = plan.pieces.size();
  return plan;
}

std::uint16_t DeflateLevelFlags(int zipLevel, bool best) {
  if (best || zipLevel >= 8) return 0x2;  // maximum
  if (zipLevel == 2) return 0x4;          // fast
  if (zipLevel == 1) return 0x6;          // super fast
  return 0;
}

std::uint32_t ExternalAttributes(mode_t mode, bool isDirectory) {
  return (std::uint32_t(mode & 0xFFFF) << 16) | (isDirectory ? 0x10 : 0) | ((mode & 0200) ? 0 : 0x01);
}

// Pieces are queued ahead of the writer within a memory budget and come back
// in order. Small files travel in batches, so that thousands of tiny files do
// not cost a thread hand-over each. Whatever is still queued is waited for
// when the queue goes, so no worker outlives what it reads.
class ArchiveWriter::PieceQueue {
 public:
  PieceQueue(const std::vector<Piece>& pieces, WorkerPool& pool, std::size_t maxBytesInFlight)
      : pieces_(pieces),
        pool_(pool),
        maxBytes_(maxBytesInFlight),
        maxTasks_(std::max<std::size_t>(8, pool.Size() * 4)) {}
  ~PieceQueue() {
    for (auto& f : inflight_) f.wait();
  }
  PieceQueue(const PieceQueue&) = delete;
  PieceQueue& operator=(const PieceQueue&) = delete;

  // Hands more pieces to the workers while the budget allows.
  void Pump() {
    while (submitted_ < pieces_.size() &&
           (inflight_.empty() ||
            (bytesInFlight_ + pieces_[submitted_].size <= maxBytes_ && inflight_.size() < maxTasks_))) {
      std::vector<Piece> batch{pieces_[submitted_++]};
      std::uint64_t bytes = batch.back().size;
      while (batch.back().single && submitted_ < pieces_.size() && pieces_[submitted_].single &&
             batch.size() < kBatchFiles && bytes + pieces_[submitted_].size <= kBatchBytes) {
        batch.push_back(pieces_[submitted_++]);
        bytes += batch.back().size;
      }
      bytesInFlight_ += bytes;
      inflight_.push_back(pool_.Submit([batch = std::move(batch)] {
        std::vector<PieceResult> results;
        results.reserve(batch.size());
        for (const Piece& p : batch) results.push_back(RunPiece(p));
        return results;
      }));
    }
  }
  // The next piece in order, waiting for it.
  PieceResult Next() {
    if (currentPos_ == current_.size()) {
      Pump();
      current_ = inflight_.front().get();
      currentPos_ = 0;
      inflight_.pop_front();
    }
    PieceResult r = std::move(current_[currentPos_++]);
    bytesInFlight_ -= pieces_[consumed_++].size;
    Pump();
    return r;
  }
  // Passes over the pieces before `piece` (the rest of a skipped file).
  void SkipTo(std::size_t piece) {
    while (consumed_ < piece) Next();
  }

 private:
  static constexpr std::size_t kBatchFiles = 64;
  static constexpr std::size_t kBatchBytes = 1u << 20;
  const std::vector<Piece>& pieces_;
  WorkerPool& pool_;
  const std::size_t maxBytes_;
  const std::size_t maxTasks_;
  std::deque<std::future<std::vector<PieceResult>>> inflight_;
  std::vector<PieceResult> current_;
  std::size_t currentPos_ = 0;
  std::size_t submitted_ = 0;
  std::size_t consumed_ = 0;
  std::uint64_t bytesInFlight_ = 0;
};

ArchiveWriter::ArchiveWriter(int outFd, int oldFd, std::string oldPath, Reporter& reporter, WorkerPool& pool,
                             WriterOptions options)
    : outFd_(outFd), oldFd_(oldFd), oldPath_(std::move(oldPath)), reporter_(reporter), pool_(pool), options_(options) {}

bool ArchiveWriter::Fail(int code, const std::string& text) {
  if (!failed_) reporter_.Message(code, text);
  failed_ = true;
  return false;
}

bool ArchiveWriter::WriteFailed() { return Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)"); }

void ArchiveWriter::Record(WrittenEntry w, const FileToAdd* added) {
  newest_ = std::max(newest_, w.entry.DosDateTime());
  central_.push_back(std::move(w));
  if (added) added_.push_back(added);
}

bool ArchiveWriter::CopyEntry(Output& out, const ZipDirEntry& e) {
  std::string hdr(kLocalHeaderSize, '\0');
  if (!ReadAt(oldFd_, hdr.data(), hdr.size(), e.LocalHeaderPosition))
    return Fail(ORN_ZE_EOF, "Archive ends inside a local header: " + oldPath_ + " (" + e.Name + ")");
  ByteCursor r(hdr);
  if (r.U32() != kLocalHeaderSig) return Fail(ORN_ZE_FORMAT, "Local header missing: " + oldPath_ + " (" + e.Name + ")");
  r.Skip(22);
  const std::uint64_t nameLen = r.U16();
  const std::uint64_t extraLen = r.U16();
  std::string localExtra(std::size_t(extraLen), '\0');
  if (extraLen > 0 &&
      !ReadAt(oldFd_, localExtra.data(), localExtra.size(), e.LocalHeaderPosition + kLocalHeaderSize + nameLen))
    return Fail(ORN_ZE_EOF, "Archive ends inside a local header: " + oldPath_ + " (" + e.Name + ")");
  // Sizes in a Zip64 local field mean 64-bit sizes in the data descriptor too.
  std::string_view zip64Block;
  const bool localZip64 = FindExtraBlock(localExtra, kExtraZip64, zip64Block);
  std::uint64_t total = kLocalHeaderSize + nameLen + extraLen + e.PackedSize64;
  if (e.GeneralFlags & kFlagDescriptor) {
    char d[4] = {};
    ReadAt(oldFd_, d, 4, e.LocalHeaderPosition + total);
    const std::uint64_t body = localZip64 ? 20 : 12;
    total += ByteCursor(std::string_view(d, 4)).U32() == kDataDescriptorSig ? body + 4 : body;
  }
  WrittenEntry w{e, localZip64};
  w.entry.LocalHeaderOffset64 = out.Pos();
  // The Zip64 block is written anew for the entry's new offset.
  w.entry.Extra = WithoutExtraBlock(e.Extra, kExtraZip64);
  if (!CopyRange(out, e.LocalHeaderPosition, total, e.Name)) return false;
  Record(std::move(w), nullptr);
  return true;
}

bool ArchiveWriter::CopyRange(Output& out, std::uint64_t from, std::uint64_t size, const std::string& what) {
  std::string buf(std::size_t(std::min<std::uint64_t>(size, 1u << 20)), '\0');
  for (std::uint64_t left = size; left > 0;) {
    std::size_t n = std::size_t(std::min<std::uint64_t>(left, buf.size()));
    if (!ReadAt(oldFd_, buf.data(), n, from))
      return Fail(ORN_ZE_EOF, "Archive ends early: " + oldPath_ + " (" + what + ")");
    if (!out.Write(buf.data(), n)) return WriteFailed();
    from += n;
    left -= n;
  }
  return true;
}

bool ArchiveWriter::WriteDirectoryEntry(Output& out, const FileToAdd& f) {
  const std::uint32_t dos = ToDosDateTime(f.mtime);
  WrittenEntry w{NewEntry(f.storedName)};
  ZipDirEntry& c = w.entry;
  c.GeneralFlags = NameFlags(f.storedName);
  c.Method = kMethodStore;
  c.ModTime = std::uint16_t(dos);
  c.ModDate = std::uint16_t(dos >> 16);
  c.LocalHeaderOffset64 = out.Pos();
  c.ExternalAttr = ExternalAttributes(f.mode, true);
  if (!reporter_.ItemStart(f.storedName, 0)) return false;
  if (!out.Write(LocalHeader(kVersionStore, c.GeneralFlags, kMethodStore, dos, 0, 0, 0, f.storedName, false)))
    return WriteFailed();
  Record(std::move(w), nullptr);
  return true;
}

bool ArchiveWriter::WriteFileEntry(Output& out, PieceQueue& queue, const FileToAdd& f, std::size_t firstPiece,
                                   std::size_t pieceCount) {
  const std::string& name = f.storedName;
  const std::uint32_t dos = ToDosDateTime(f.mtime);
  const std::uint64_t offset = out.Pos();
  const std::uint64_t usize = f.size;
  auto pieceSize = [&](std::size_t k) {
    return std::min<std::uint64_t>(options_.pieceSize, usize - std::uint64_t(k) * options_.pieceSize);
  };
  if (!reporter_.ItemStart(name, std::int64_t(usize))) return false;
  PieceResult piece = queue.Next();
  if (!piece.ok) {
    reporter_.Message(ORN_ZE_OPEN, piece.error + ", skipped");
    queue.SkipTo(firstPiece + pieceCount);
    return true;
  }

  // With more than one piece the header goes out before the sizes are
  // known: it is patched afterwards, or, encrypted, followed by a data
  // descriptor. Zip64 sizes are decided from the file's size up front, so
  // the patched header keeps its length.
  const bool encrypt = f.encrypt && !f.password.empty();
  const int aesStrength = encrypt ? options_.aesStrength : 0;
  const bool zip64 = options_.zip64.LocalNeedsZip64(usize);
  WrittenEntry w{NewEntry(name), zip64};
  ZipDirEntry& c = w.entry;
  c.Method = piece.stored ? kMethodStore : kMethodDeflate;
  c.GeneralFlags = NameFlags(name);
  if (c.Method == kMethodDeflate) c.GeneralFlags |= DeflateLevelFlags(options_.zipLevel, options_.best);
  if (encrypt) c.GeneralFlags |= kFlagEncrypted | kFlagDescriptor;
  c.VersionNeeded = zip64 ? kVersionZip64 : (c.Method == kMethodDeflate || encrypt) ? kVersionDeflate : kVersionStore;
  // AES: the method goes into the extra field. A file of less than 20
  // bytes gets no CRC (AE-2), which would tell too much about so little
  // data; the others keep it (AE-1) as a second check after unpacking.
  AesExtra aes{std::uint16_t(usize < 20 ? 2 : 1), aesStrength, c.Method};
  if (aesStrength > 0) {
    c.Method = kMethodAes;
    c.Extra = AesExtraField(aes);
    c.VersionNeeded = kVersionAes;
  }
  c.ModTime = std::uint16_t(dos);
  c.ModDate = std::uint16_t(dos >> 16);
  c.UnpackedSize64 = usize;
  c.LocalHeaderOffset64 = offset;
  c.ExternalAttr = ExternalAttributes(f.mode, false);
  const bool sizesKnown = !encrypt && pieceCount == 1;
  const std::string header =
      sizesKnown ? LocalHeader(c.VersionNeeded, c.GeneralFlags, c.Method, dos, piece.crc, piece.data.size(), usize,
                               name, zip64, c.Extra)
                 : LocalHeader(c.VersionNeeded, c.GeneralFlags, c.Method, dos, 0, 0, 0, name, zip64, c.Extra);
  if (!out.Write(header)) return WriteFailed();
  std::unique_ptr<ZipCrypto> crypto;
  std::unique_ptr<AesCtrHmac> aesCipher;
  if (aesStrength > 0) {
    const std::string salt = NewAesSalt(aesStrength);
    aesCipher =
        std::make_unique<AesCtrHmac>(f.password, reinterpret_cast<const std::uint8_t*>(salt.data()), aesStrength);
    if (!out.Write(salt) || !out.Write(aesCipher->Verifier(), kAesVerifierSize)) return WriteFailed();
    c.PackedSize64 += salt.size() + kAesVerifierSize;
  } else if (encrypt) {
    crypto = std::make_unique<ZipCrypto>(f.password);
    std::uint8_t ch[kCryptHeaderSize];
    MakeCryptHeader(*crypto, std::uint8_t(dos >> 8), ch);
    if (!out.Write(ch, sizeof ch)) return WriteFailed();
    c.PackedSize64 += sizeof ch;
  }
  c.Crc32 = piece.crc;
  bool changed = piece.changed;
  for (std::size_t k = 0;; ++k) {
    if (aesCipher) aesCipher->Encrypt(reinterpret_cast<std::uint8_t*>(piece.data.data()), piece.data.size());
    if (crypto) crypto->Encrypt(reinterpret_cast<std::uint8_t*>(piece.data.data()), piece.data.size());
    if (!out.Write(piece.data)) return WriteFailed();
    c.PackedSize64 += piece.data.size();
    if (!reporter_.BytesDone(std::int64_t(pieceSize(k)))) return false;
    if (k + 1 == pieceCount) break;
    piece = queue.Next();
    if (!piece.ok) {
      // A file that cannot be read to its end is left out whole.
      reporter_.Message(ORN_ZE_READ, piece.error + ", skipped");
      queue.SkipTo(firstPiece + pieceCount);
      if (!out.Rewind(offset)) return WriteFailed();
      return true;
    }
    c.Crc32 = std::uint32_t(crc32_combine(c.Crc32, piece.crc, z_off_t(pieceSize(k + 1))));
    changed = changed || piece.changed;
  }
  if (aesCipher) {
    std::uint8_t mac[kAesMacSize];
    aesCipher->Mac(mac);
    if (!out.Write(mac, sizeof mac)) return WriteFailed();
    c.PackedSize64 += sizeof mac;
    if (aes.vendorVersion == 2) c.Crc32 = 0;
  }
  if (!zip64 && c.PackedSize64 >= options_.zip64.size)
    return Fail(ORN_ZE_BIG, "Entry grew past its local header's 32-bit size: " + f.diskPath + "; nothing was written");
  bool ok = true;
  if (encrypt)
    ok = out.Write(DataDescriptor(c.Crc32, c.PackedSize64, usize, zip64));
  else if (pieceCount > 1)
    ok = out.Patch(offset, LocalHeader(c.VersionNeeded, c.GeneralFlags, c.Method, dos, c.Crc32, c.PackedSize64, usize,
                                       name, zip64));
  if (!ok) return WriteFailed();
  if (changed)
    reporter_.Message(ORN_ZE_READ, "File changed while it was being added: " + f.diskPath +
                                       "; the entry holds its first " + std::to_string(usize) + " bytes");
  Record(std::move(w), &f);
  return true;
}

bool ArchiveWriter::WriteCentralDirectory(Output& out, const std::string& comment) {
  const std::uint64_t cdStart = out.Pos();
  std::string cd;
  for (const WrittenEntry& w : central_) {
    AppendWrittenHeader(cd, w, options_.zip64);
    if (cd.size() >= (1u << 20)) {
      if (!out.Write(cd)) return WriteFailed();
      cd.clear();
    }
  }
  if (!out.Write(cd)) return WriteFailed();
  const std::uint64_t cdSize = out.Pos() - cdStart;
  if (!out.Write(EndRecords(central_.size(), cdStart, cdSize, comment, options_.zip64)) || !out.Flush())
    return WriteFailed();
  return true;
}

bool ArchiveWriter::Write(const std::vector<WriteItem>& items, const std::string& comment, std::uint64_t leadingBytes) {
  Output out(outFd_);
  if (leadingBytes > 0 && !CopyRange(out, 0, leadingBytes, "the data in front of the archive")) return false;
  const PiecePlan plan = PlanPieces(items, options_);
  {
    // Two pieces per worker keep every worker busy; more would only hold memory.
    const std::size_t budget = std::min(options_.maxBytesInFlight, options_.pieceSize * 2 * pool_.Size());
    PieceQueue queue(plan.pieces, pool_, budget);
    for (std::size_t i = 0; i < items.size(); ++i) {
      const WriteItem& it = items[i];
      bool goOn;
      if (it.keep) {
        queue.Pump();
        goOn = CopyEntry(out, *it.keep);
      } else if (it.add->isDirectory) {
        goOn = WriteDirectoryEntry(out, *it.add);
      } else {
        goOn = WriteFileEntry(out, queue, *it.add, plan.firstPiece[i], plan.firstPiece[i + 1] - plan.firstPiece[i]);
      }
      if (!goOn || failed_ || reporter_.Stopped()) break;
    }
  }
  if (failed_) return false;
  if (reporter_.Stopped()) return Fail(ORN_ZE_ABORT, "Cancelled, the archive was not changed");
  return WriteCentralDirectory(out, comment);
}

}  // namespace orn::zipfmt
