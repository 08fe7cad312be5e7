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

#include "ChunkDeflater.h"
#include "CodePage.h"
#include "DosTime.h"
#include "OrnZipLib.h"
#include "Reporter.h"
#include "Scratch.h"
#include "UniqueFd.h"
#include "WorkerPool.h"
#include "ZipCrypto.h"

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

struct ArchiveWriter::Piece {
  const FileToAdd* file;
  std::uint64_t offset;
  std::size_t size;
  bool last;
  bool single;
  bool store;
  int level;
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

std::string LocalHeader(std::uint16_t needed, std::uint16_t flags, std::uint16_t method, std::uint32_t dos,
                        std::uint32_t crc, std::uint32_t csize, std::uint32_t usize, const std::string& name) {
  std::string h;
  h.reserve(kLocalHeaderSize + name.size());
  LeWriter w(h);
  w.U32(kLocalSig);
  w.U16(needed);
  w.U16(flags);
  w.U16(method);
  w.U16(std::uint16_t(dos & 0xFFFF));
  w.U16(std::uint16_t(dos >> 16));
  w.U32(crc);
  w.U32(csize);
  w.U32(usize);
  w.U16(std::uint16_t(name.size()));
  w.U16(0);
  w.Bytes(name);
  return h;
}

}  // namespace

// Runs on a worker thread: reads one piece of a file and deflates it.
namespace {
ArchiveWriter::PieceResult RunPiece(const ArchiveWriter::Piece& p) {
  ArchiveWriter::PieceResult r;
  UniqueFd fd(::open(p.file->diskPath.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) {
    r.error = "Cannot open " + p.file->diskPath + ": " + std::strerror(errno);
    return r;
  }
  thread_local Scratch tIn;
  char* in = tIn.Get(p.size);
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
    r.data.assign(in, p.size);
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
}  // namespace

ArchiveWriter::ArchiveWriter(int outFd, int oldFd, std::string oldPath, Reporter& reporter, WorkerPool& pool,
                             WriterOptions options)
    : outFd_(outFd), oldFd_(oldFd), oldPath_(std::move(oldPath)), reporter_(reporter), pool_(pool), options_(options) {}

bool ArchiveWriter::Fail(int code, const std::string& text) {
  if (!failed_) reporter_.Message(code, text);
  failed_ = true;
  return false;
}

bool ArchiveWriter::CopyEntry(Output& out, const CentralEntry& e) {
  if (e.zip64 || e.compressedSize > kMax32 || e.uncompressedSize > kMax32)
    return Fail(ORN_ZE_BIG, "Entry too large to keep without Zip64 records: " + e.name);
  char hdr[kLocalHeaderSize];
  if (!ReadAt(oldFd_, hdr, sizeof hdr, e.localOffset))
    return Fail(ORN_ZE_EOF, "Archive ends inside a local header: " + oldPath_ + " (" + e.name + ")");
  LeReader r(hdr, sizeof hdr);
  if (r.U32() != kLocalSig) return Fail(ORN_ZE_FORMAT, "Local header missing: " + oldPath_ + " (" + e.name + ")");
  r.Skip(22);
  std::uint64_t nameLen = r.U16();
  std::uint64_t extraLen = r.U16();
  std::uint64_t total = kLocalHeaderSize + nameLen + extraLen + e.compressedSize;
  if (e.flags & kFlagDescriptor) {
    char d[4] = {};
    ReadAt(oldFd_, d, 4, e.localOffset + total);
    total += std::memcmp(d, "PK\x07\x08", 4) == 0 ? 16 : 12;
  }
  Central c{e.versionMadeBy,  e.versionNeeded,    e.flags,   e.method,       e.modTime,      e.modDate, e.crc,
            e.compressedSize, e.uncompressedSize, out.Pos(), e.internalAttr, e.externalAttr, e.rawName, e.extra,
            e.comment};
  if (!CopyRange(out, e.localOffset, total, e.name)) return false;
  newest_ = std::max(newest_, e.DosDateTime());
  central_.push_back(std::move(c));
  return true;
}

bool ArchiveWriter::CopyRange(Output& out, std::uint64_t from, std::uint64_t size, const std::string& what) {
  std::string buf(std::size_t(std::min<std::uint64_t>(size, 1u << 20)), '\0');
  for (std::uint64_t left = size; left > 0;) {
    std::size_t n = std::size_t(std::min<std::uint64_t>(left, buf.size()));
    if (!ReadAt(oldFd_, buf.data(), n, from))
      return Fail(ORN_ZE_EOF, "Archive ends early: " + oldPath_ + " (" + what + ")");
    if (!out.Write(buf.data(), n)) return Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
    from += n;
    left -= n;
  }
  return true;
}

bool ArchiveWriter::Write(const std::vector<WriteItem>& items, const std::string& comment, std::uint64_t leadingBytes) {
  Output out(outFd_);
  if (leadingBytes > 0 && !CopyRange(out, 0, leadingBytes, "the data in front of the archive")) return false;
  std::vector<Piece> pieces;
  std::vector<std::size_t> firstPiece(items.size() + 1);
  int libLevel = LibdeflateLevelFor(options_.zipLevel);
  for (std::size_t i = 0; i < items.size(); ++i) {
    firstPiece[i] = pieces.size();
    const WriteItem& it = items[i];
    if (!it.add || it.add->isDirectory) continue;
    std::uint64_t size = it.add->size;
    std::size_t n = std::size_t(std::max<std::uint64_t>(1, (size + options_.pieceSize - 1) / options_.pieceSize));
    bool store = it.store || options_.zipLevel == 0;
    for (std::size_t k = 0; k < n; ++k) {
      std::uint64_t off = std::uint64_t(k) * options_.pieceSize;
      std::size_t len = std::size_t(std::min<std::uint64_t>(options_.pieceSize, size - off));
      pieces.push_back({it.add, off, len, k + 1 == n, n == 1, store, libLevel});
    }
  }
  firstPiece[items.size()] = pieces.size();

  // Pieces are queued ahead of the writer within a memory budget and come
  // back in order. Small files travel in batches, so that thousands of tiny
  // files do not cost a thread hand-over each.
  constexpr std::size_t kBatchFiles = 64;
  constexpr std::size_t kBatchBytes = 1u << 20;
  std::deque<std::future<std::vector<PieceResult>>> inflight;
  std::vector<PieceResult> current;
  std::size_t currentPos = 0;
  std::size_t submitted = 0;
  std::size_t consumed = 0;
  std::uint64_t bytesInFlight = 0;
  const std::size_t maxTasks = std::max<std::size_t>(8, pool_.Size() * 4);
  auto pump = [&] {
    while (submitted < pieces.size() &&
           (inflight.empty() ||
            (bytesInFlight + pieces[submitted].size <= options_.maxBytesInFlight && inflight.size() < maxTasks))) {
      std::vector<Piece> batch{pieces[submitted++]};
      std::uint64_t bytes = batch.back().size;
      while (batch.back().single && submitted < pieces.size() && pieces[submitted].single &&
             batch.size() < kBatchFiles && bytes + pieces[submitted].size <= kBatchBytes) {
        batch.push_back(pieces[submitted++]);
        bytes += batch.back().size;
      }
      bytesInFlight += bytes;
      inflight.push_back(pool_.Submit([batch = std::move(batch)] {
        std::vector<PieceResult> results;
        results.reserve(batch.size());
        for (const Piece& p : batch) results.push_back(RunPiece(p));
        return results;
      }));
    }
  };
  auto next = [&] {
    if (currentPos == current.size()) {
      pump();
      current = inflight.front().get();
      currentPos = 0;
      inflight.pop_front();
    }
    PieceResult r = std::move(current[currentPos++]);
    bytesInFlight -= pieces[consumed++].size;
    pump();
    return r;
  };
  auto drain = [&] {
    for (auto& f : inflight) f.wait();
    inflight.clear();
  };
  auto skipTo = [&](std::size_t piece) {
    while (consumed < piece) next();
  };

  for (std::size_t i = 0; i < items.size() && !failed_; ++i) {
    const WriteItem& it = items[i];
    if (it.keep) {
      pump();
      CopyEntry(out, *it.keep);
      continue;
    }
    const FileToAdd& f = *it.add;
    std::uint32_t dos = ToDosDateTime(f.mtime);
    const std::string& name = f.storedName;
    std::uint16_t flags = (!orn::IsPlainAscii(name) && orn::IsValidUtf8(name)) ? kFlagUtf8 : 0;
    std::uint32_t extAttr =
        (std::uint32_t(f.mode & 0xFFFF) << 16) | (f.isDirectory ? 0x10 : 0) | ((f.mode & 0200) ? 0 : 0x01);
    std::uint64_t offset = out.Pos();
    if (offset > kMax32) return drain(), Fail(ORN_ZE_BIG, "The archive would pass 4 GiB, it was not written");
    if (!reporter_.ItemStart(name, std::int64_t(f.size))) break;
    if (f.isDirectory) {
      if (!out.Write(LocalHeader(10, flags, kMethodStore, dos, 0, 0, 0, name)))
        return drain(), Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
      central_.push_back({0x031E,
                          10,
                          flags,
                          kMethodStore,
                          std::uint16_t(dos),
                          std::uint16_t(dos >> 16),
                          0,
                          0,
                          0,
                          offset,
                          0,
                          extAttr,
                          name,
                          {},
                          {}});
      newest_ = std::max(newest_, dos);
      continue;
    }
    bool encrypt = f.encrypt && !f.password.empty();
    std::size_t n = firstPiece[i + 1] - firstPiece[i];
    PieceResult first = next();
    if (!first.ok) {
      reporter_.Message(ORN_ZE_OPEN, first.error + ", skipped");
      skipTo(firstPiece[i + 1]);
      continue;
    }
    bool stored = first.stored;
    std::uint16_t method = stored ? kMethodStore : kMethodDeflate;
    if (method == kMethodDeflate) {
      if (options_.zipLevel >= 8)
        flags |= 0x2;
      else if (options_.zipLevel == 2)
        flags |= 0x4;
      else if (options_.zipLevel == 1)
        flags |= 0x6;
    }
    if (encrypt) flags |= kFlagEncrypted | kFlagDescriptor;
    std::uint16_t needed = (method == kMethodDeflate || encrypt) ? 20 : 10;
    std::uint64_t usize = f.size;
    std::unique_ptr<ZipCrypto> crypto;
    std::string header = encrypt || n > 1 ? LocalHeader(needed, flags, method, dos, 0, 0, 0, name)
                                          : LocalHeader(needed, flags, method, dos, first.crc,
                                                        std::uint32_t(first.data.size()), std::uint32_t(usize), name);
    bool ok = out.Write(header);
    std::uint64_t csize = 0;
    if (ok && encrypt) {
      crypto = std::make_unique<ZipCrypto>(f.password);
      std::uint8_t ch[kCryptHeaderSize];
      MakeCryptHeader(*crypto, std::uint8_t(dos >> 8), ch);
      ok = out.Write(ch, sizeof ch);
      csize += sizeof ch;
    }
    std::uint32_t crc = first.crc;
    bool readFailed = false;
    bool changed = first.changed;
    PieceResult piece = std::move(first);
    for (std::size_t k = 0; ok; ++k) {
      if (crypto) crypto->Encrypt(reinterpret_cast<std::uint8_t*>(piece.data.data()), piece.data.size());
      ok = out.Write(piece.data);
      csize += piece.data.size();
      std::size_t done = pieces[firstPiece[i] + k].size;
      if (!reporter_.BytesDone(std::int64_t(done))) break;
      if (k + 1 == n) break;
      piece = next();
      if (!piece.ok) {
        reporter_.Message(ORN_ZE_READ, piece.error + ", skipped");
        readFailed = true;
        break;
      }
      crc = std::uint32_t(crc32_combine(crc, piece.crc, z_off_t(pieces[firstPiece[i] + k + 1].size)));
      changed = changed || piece.changed;
    }
    if (!ok) return drain(), Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
    if (reporter_.Stopped()) break;
    if (readFailed) {
      skipTo(firstPiece[i + 1]);
      if (!out.Rewind(offset)) return drain(), Fail(ORN_ZE_WRITE, "Cannot write the new archive");
      continue;
    }
    if (csize > kMax32 || out.Pos() > kMax32)
      return drain(), Fail(ORN_ZE_BIG, "The archive would pass 4 GiB (at " + f.diskPath + "), it was not written");
    if (encrypt) {
      std::string d;
      LeWriter w(d);
      w.U32(kDescriptorSig);
      w.U32(crc);
      w.U32(std::uint32_t(csize));
      w.U32(std::uint32_t(usize));
      ok = out.Write(d);
    } else if (n > 1) {
      std::string patch;
      LeWriter w(patch);
      w.U32(crc);
      w.U32(std::uint32_t(csize));
      w.U32(std::uint32_t(usize));
      ok = out.Patch(offset + 14, patch);
    }
    if (!ok) return drain(), Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
    if (changed)
      reporter_.Message(ORN_ZE_READ, "File changed while it was being added: " + f.diskPath +
                                         "; the entry holds its first " + std::to_string(usize) + " bytes");
    central_.push_back({0x031E,
                        needed,
                        flags,
                        method,
                        std::uint16_t(dos),
                        std::uint16_t(dos >> 16),
                        crc,
                        csize,
                        usize,
                        offset,
                        0,
                        extAttr,
                        name,
                        {},
                        {}});
    newest_ = std::max(newest_, dos);
    added_.push_back(&f);
  }
  drain();
  if (failed_) return false;
  if (reporter_.Stopped()) return Fail(ORN_ZE_ABORT, "Cancelled, the archive was not changed");

  if (central_.size() > kMaxEntries) return Fail(ORN_ZE_BIG, "More than 65535 entries, the archive was not written");
  std::uint64_t cdStart = out.Pos();
  std::string cd;
  for (const Central& c : central_) {
    LeWriter w(cd);
    w.U32(kCentralSig);
    w.U16(c.madeBy);
    w.U16(c.needed);
    w.U16(c.flags);
    w.U16(c.method);
    w.U16(c.time);
    w.U16(c.date);
    w.U32(c.crc);
    w.U32(std::uint32_t(c.csize));
    w.U32(std::uint32_t(c.usize));
    w.U16(std::uint16_t(c.name.size()));
    w.U16(std::uint16_t(c.extra.size()));
    w.U16(std::uint16_t(c.comment.size()));
    w.U16(0);
    w.U16(c.internalAttr);
    w.U32(c.externalAttr);
    w.U32(std::uint32_t(c.offset));
    w.Bytes(c.name);
    w.Bytes(c.extra);
    w.Bytes(c.comment);
    if (cd.size() >= (1u << 20)) {
      if (!out.Write(cd)) return Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
      cd.clear();
    }
  }
  if (!out.Write(cd)) return Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
  std::uint64_t cdSize = out.Pos() - cdStart;
  if (cdStart > kMax32 || out.Pos() > kMax32)
    return Fail(ORN_ZE_BIG, "The archive would pass 4 GiB, it was not written");
  std::string end;
  LeWriter w(end);
  std::string shownComment = comment.substr(0, 0xFFFF);
  w.U32(kEndSig);
  w.U16(0);
  w.U16(0);
  w.U16(std::uint16_t(central_.size()));
  w.U16(std::uint16_t(central_.size()));
  w.U32(std::uint32_t(cdSize));
  w.U32(std::uint32_t(cdStart));
  w.U16(std::uint16_t(shownComment.size()));
  w.Bytes(shownComment);
  if (!out.Write(end) || !out.Flush()) return Fail(ORN_ZE_WRITE, "Cannot write the new archive (disk full?)");
  return true;
}

}  // namespace orn::zipfmt
