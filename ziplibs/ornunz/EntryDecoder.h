// Decoding one entry on a worker thread: read its data, decrypt, inflate,
// check the CRC and write the result to an already opened file (or nowhere
// when testing). Entries of moderate size are inflated whole with libdeflate;
// large ones stream through zlib so memory stays bounded. Entries of the
// other methods, and entries encrypted with AES, pass through the stream
// layers instead (DecodeLayered).
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "ZipRecords.h"

namespace orn::zipfmt {

struct DecodeJob {
  int archiveFd = -1;
  const ZipDirEntry* entry = nullptr;
  std::uint64_t dataOffset = 0;  // behind the local header
  std::string password;          // set for encrypted entries
  int outFd = -1;                // -1 when testing
  char* outBuffer = nullptr;     // or decode into this memory
  std::uint64_t outCapacity = 0;
  // Counts the bytes decoded as they come, so that the job can report
  // progress inside a large entry; may be null.
  std::atomic<std::uint64_t>* decoded = nullptr;
};

struct DecodeResult {
  bool ok = false;    // data decoded and written (CRC checked separately)
  int errorCode = 0;  // OrnZipError when !ok
  std::string error;
  std::uint32_t crc = 0;       // of the decoded data (an AE-2 entry, which has none: the recorded one)
  bool wrongPassword = false;  // an AES password did not give the entry's verifier; nothing was written
};

// Largest entry inflated in one piece.
constexpr std::uint64_t kWholeEntryLimit = 32u << 20;

DecodeResult DecodeEntry(const DecodeJob& job);

// The part of DecodeEntry for entries of methods other than stored and
// deflated, and for AES-encrypted entries: the archive's bytes, then
// decryption, then the method's decompressor, one stream layer each.
DecodeResult DecodeLayered(const DecodeJob& job);

// Writes all of `n` bytes to `fd`; false when it cannot (a full disk).
bool WriteAll(int fd, const char* p, std::size_t n);

}  // namespace orn::zipfmt
