// Extracting: what TZipEngine::Extract does. The choice (FSpecArgs lines,
// or places in DirEntries) is resolved once against the directory the
// listing read; entries whose names the reader found unsafe are reported
// and left out; the unzip library is handed the chosen places with that
// directory, so it neither reads nor decodes it again.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "ZipTypes.h"

class TZipEngine;

namespace orn {

class ZipExtractor {
 public:
  explicit ZipExtractor(TZipEngine& engine) : engine_(engine) {}

  // The entries `lines` choose (all with none).
  void Extract(const std::vector<std::string>& lines);
  // The entries at these places of DirEntries.
  void ExtractListed(const std::vector<std::size_t>& listed);
  bool Running() const { return running_; }
  // Why the library skipped `forFile`, in words that name the method, the
  // encryption, the damage or the unsafe name.
  std::string SkipReason(const std::string& forFile, UnZipSkipTypes type) const;

 private:
  // The archive is there and listed as it stands; false (reported) when not.
  bool Prepare();
  // The chosen entries without those whose names are unsafe (reported once,
  // each told to OnExtractSkipped) or only name the target folder.
  std::vector<std::size_t> SafeToWrite(const std::vector<std::size_t>& indexes);
  // Hands the entries at these places of the directory to the library;
  // `lines` chose them (null: the caller did).
  void Run(std::vector<std::size_t> indexes, const std::vector<std::string>* lines);

  TZipEngine& engine_;
  bool running_ = false;
};

}  // namespace orn
