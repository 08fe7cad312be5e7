// Writes the new archive into an open temporary file: entries kept from the
// old archive are copied raw (no recompression), new ones are read and
// deflated in pieces by the worker threads while this thread writes the
// finished pieces in order and does all the talking to the host.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FileCollector.h"
#include "Zip64Records.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

class Reporter;
class WorkerPool;

struct WriteItem {
  const ZipDirEntry* keep = nullptr;  // copy this entry of the old archive
  FileToAdd* add = nullptr;           // or add this file
  bool store = false;                 // store without compression
};

struct WriterOptions {
  int zipLevel = 9;     // 0 = store everything
  bool best = false;    // the deflate implementation's slowest, tightest level
  int aesStrength = 0;  // encrypted files: 0 the traditional zip encryption, 1-3 AES with 128, 192, 256-bit keys
  // Memory stays flat in the file size: at most two pieces per worker in
  // flight (never more than maxBytesInFlight), and a read and a deflate
  // buffer of one piece per worker (about 45 MB all told on two cores).
  std::size_t pieceSize = 4u << 20;
  std::size_t maxBytesInFlight = 32u << 20;
  Zip64Limits zip64;
};

// A stretch of one file, read and deflated by a worker.
struct Piece {
  const FileToAdd* file;
  std::uint64_t offset;
  std::size_t size;
  bool last;
  bool single;
  bool store;
  int level;
};

// The pieces of the items to add, in archive order; `firstPiece[i]` is the
// first piece of item i and `firstPiece[items.size()]` their number.
struct PiecePlan {
  std::vector<Piece> pieces;
  std::vector<std::size_t> firstPiece;
};
PiecePlan PlanPieces(const std::vector<WriteItem>& items, const WriterOptions& options);

// General purpose flag bits 1 and 2 for a deflated entry at `zipLevel`.
std::uint16_t DeflateLevelFlags(int zipLevel, bool best);
// External attributes: the Unix mode above, the DOS directory and read-only
// bits below.
std::uint32_t ExternalAttributes(mode_t mode, bool isDirectory);

class ArchiveWriter {
 public:
  struct PieceResult;
  ArchiveWriter(int outFd, int oldFd, std::string oldPath, Reporter& reporter, WorkerPool& pool, WriterOptions options);
  // Writes all items, the central directory and the end record. False after
  // a failure or a stop, which has been reported already.
  // The first `leadingBytes` of the old archive (a self-extractor stub) are
  // kept in front; offsets are written as positions in the whole file.
  bool Write(const std::vector<WriteItem>& items, const std::string& comment, std::uint64_t leadingBytes = 0);

  // Files that went into the archive (for moving), and the newest entry time.
  const std::vector<const FileToAdd*>& Added() const { return added_; }
  std::uint32_t NewestDosTime() const { return newest_; }

 private:
  class Output;
  class PieceQueue;

  bool CopyEntry(Output& out, const ZipDirEntry& e);
  bool CopyRange(Output& out, std::uint64_t from, std::uint64_t size, const std::string& what);
  // Each returns false when the job ends (a failure, reported, or a stop).
  bool WriteDirectoryEntry(Output& out, const FileToAdd& f);
  bool WriteFileEntry(Output& out, PieceQueue& queue, const FileToAdd& f, std::size_t firstPiece,
                      std::size_t pieceCount);
  bool WriteCentralDirectory(Output& out, const std::string& comment);
  void Record(WrittenEntry w, const FileToAdd* added);
  bool Fail(int code, const std::string& text);
  bool WriteFailed();

  int outFd_;
  int oldFd_;
  std::string oldPath_;
  Reporter& reporter_;
  WorkerPool& pool_;
  WriterOptions options_;
  std::vector<WrittenEntry> central_;
  std::vector<const FileToAdd*> added_;
  std::uint32_t newest_ = 0;
  bool failed_ = false;
};

}  // namespace orn::zipfmt
