// The unzip window's work without the window: any archive listed (names
// without the UTF-8 mark read in the language's code page, the one they
// show, or one the person chose for this archive, never stored), entries
// chosen by their places in that listing, extracted into a folder with or
// without their folders, each file that would be replaced asked about (Yes,
// Yes to all, No, No to all, Cancel, and in a flat extraction Keep both),
// and what the closing message says. The window shows and forwards; the
// zip engine stands behind the back-end.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "ArchiveBackend.h"

namespace orn {

class UnzipSession {
 public:
  explicit UnzipSession(ArchiveBackend& backend) : backend_(backend) {}

  // Lists `archive`, names read in `codePage` (0: the language's or the one
  // they show). False when it cannot be read (the back-end has said why).
  bool Open(const std::string& archive, int codePage = 0);
  const std::string& Archive() const { return archive_; }
  const ArchiveListing& Listing() const { return listing_; }

  // The person's answer to "replace FILE?".
  enum class Answer { Yes, YesToAll, No, NoToAll, KeepBoth, Cancel };
  // Asks about one file (`mayKeepBoth` in a flat extraction); unset, every
  // file is replaced.
  std::function<Answer(const std::string& file, bool mayKeepBoth)> askReplace;
  // The file being extracted (may be empty), and "let the windows run".
  std::function<void(const std::string& fileName)> onProgress;
  std::function<void()> letWindowsRun;

  struct Outcome {
    int requested = 0;     // files asked for
    int extracted = 0;     // written
    int keptExisting = 0;  // left alone because the person said so
    bool cancelled = false;
    std::vector<std::string> failures;  // what went wrong, one line each
  };
  // Extracts every listed entry (`all`), or those at the places `chosen`,
  // into `folder`, with the stored folders unless `flat`.
  Outcome Extract(const std::vector<std::size_t>& chosen, bool all, const std::string& folder, bool flat);

 private:
  ArchiveBackend& backend_;
  std::string archive_;
  ArchiveListing listing_;
};

}  // namespace orn
