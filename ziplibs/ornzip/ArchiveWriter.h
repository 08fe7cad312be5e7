// Writes the new archive into an open temporary file: entries kept from the
// old archive are copied raw (no recompression), new ones are read and
// deflated in pieces by the worker threads while this thread writes the
// finished pieces in order and does all the talking to the host.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "FileCollector.h"
#include "ZipRecords.h"

namespace orn::zipfmt {

class Reporter;
class WorkerPool;

struct WriteItem {
  const CentralEntry* keep = nullptr;  // copy this entry of the old archive
  FileToAdd* add = nullptr;            // or add this file
  bool store = false;                  // store without compression
};

struct WriterOptions {
  int zipLevel = 9;  // 0 = store everything
  std::size_t pieceSize = 8u << 20;
  std::size_t maxBytesInFlight = 48u << 20;
};

class ArchiveWriter {
 public:
  struct Piece;  // a stretch of one file, deflated by a worker
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
  struct Central {
    std::uint16_t madeBy, needed, flags, method, time, date;
    std::uint32_t crc;
    std::uint64_t csize, usize, offset;
    std::uint16_t internalAttr;
    std::uint32_t externalAttr;
    std::string name, extra, comment;
  };
  class Output;

  bool CopyEntry(Output& out, const CentralEntry& e);
  bool CopyRange(Output& out, std::uint64_t from, std::uint64_t size, const std::string& what);
  bool Fail(int code, const std::string& text);

  int outFd_;
  int oldFd_;
  std::string oldPath_;
  Reporter& reporter_;
  WorkerPool& pool_;
  WriterOptions options_;
  std::vector<Central> central_;
  std::vector<const FileToAdd*> added_;
  std::uint32_t newest_ = 0;
  bool failed_ = false;
};

}  // namespace orn::zipfmt
