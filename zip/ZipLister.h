// Listing: what TZipEngine::List does. The directory is read once per
// archive (through the record layer's reader, or through a joined copy of a
// volume set whose directory starts on an earlier volume) and kept whole,
// folders too; DirEntries is the published view of it. Extracting uses this
// same reading unless the archive changed since.
#pragma once

#include <string>

#include "ZipDirEntries.h"
#include "ZipDirReader.h"

class TZipEngine;

namespace orn {

class ZipLister {
 public:
  explicit ZipLister(TZipEngine& engine) : engine_(engine) {}

  // Reads the directory of the engine's ZipFileName; a failure is reported
  // and leaves ZipFileName empty.
  void List();
  // True when the archive is still what was read (size, time and file).
  bool StillListed() const;

  const ZipDirectory& Directory() const { return directory_; }
  const ZipDirEntries& Entries() const { return entries_; }

 private:
  void Read();
  // The set whose last volume is ZipFileName, through a joined copy;
  // raises EZipEngine when it cannot be joined.
  void ReadJoined(const ZipDirOptions& options, const ZipEndRecord& end);
  void Publish();
  std::string Stamp() const;

  TZipEngine& engine_;
  ZipDirectory directory_;
  ZipDirEntries entries_;
  std::string stamp_;
};

}  // namespace orn
