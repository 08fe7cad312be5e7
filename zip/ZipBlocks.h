// The parameter blocks handed to the libraries, built for the version the
// library reports: the long blocks with plain arrays of lines for libraries
// before 151 (adding) and 152 (extracting), the short ones after. A block
// object owns every string and array it points to, for the length of a job.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "OrnZipLib.h"
#include "ZipDirReader.h"

class TZipEngine;

namespace orn {

constexpr int kLongBlockLines = 4097;

// Zip block of libraries before version 151: the short block's fields up to
// the archive name, the end mark, then the lines of FSpecArgs as they are.
struct OrnZipParamsLong {
  void* Handle;
  void* Caller;
  int32_t Version;
  OrnZipCallback ZCallbackFunc;
  int32_t fTraceEnabled;
  const char* pZipPassword;
  const char* pSuffix;
  int32_t fEncrypt;
  int32_t fSystem;
  int32_t fVolume;
  int32_t fExtra;
  int32_t fNoDirEntries;
  int32_t fDate;
  int32_t fVerbose;
  int32_t fQuiet;
  int32_t fLevel;
  int32_t fComprSpecial;
  int32_t fCRLF_LF;
  int32_t fJunkDir;
  int16_t fRecurse;
  int16_t fNoRecurseFiles;
  int32_t fGrow;
  int32_t fForce;
  int32_t fMove;
  int32_t fDeleteEntries;
  int32_t fUpdate;
  int32_t fFreshen;
  int32_t fJunkSFX;
  int32_t fLatestTime;
  char Date[8];
  int32_t Argc;
  const char* pZipFN;
  int32_t fSeven;
  const char* FNV[kLongBlockLines];
};

// Unzip block of libraries before version 152.
struct OrnUnzipParamsLong {
  void* Handle;
  void* Caller;
  int32_t Version;
  OrnZipCallback ZCallbackFunc;
  int32_t fTraceEnabled;
  int32_t fWantedCodePage;
  const char* pZipPassword;
  int32_t fTest;
  int32_t fComments;
  int32_t fConvert;
  int32_t fQuiet;
  int32_t fVerbose;
  int32_t fUpdate;
  int32_t fFreshen;
  int32_t fDirectories;
  int32_t fOverwrite;
  int32_t Argc;
  const char* pZipFN;
  int32_t fSeven;
  const char* FNV[kLongBlockLines];
};

// One line of FSpecArgs for Add: ">" recurses, "|" does not, "<" followed by
// a password encrypts the line's files with it, a bare "<" not at all.
struct ZipSpecLine {
  std::string fileSpec;
  int recurse = 0;  // -1 or 0, the block's default unless a prefix says otherwise
  bool hasPasswordPart = false;
  std::string password;
};
ZipSpecLine ParseSpecLine(const std::string& line, int defaultRecurse);

class ZipParamBlock {
 public:
  // Throws EZipEngine (10101) when a long block cannot hold every line.
  ZipParamBlock(TZipEngine& engine, int libVersion, const std::string& archive, const std::string& comment,
                OrnZipCallback callback);
  void* Address() { return long_ ? static_cast<void*>(long_.get()) : static_cast<void*>(short_.get()); }
  const OrnZipParams* Short() const { return short_.get(); }
  const OrnZipParamsLong* Long() const { return long_.get(); }

 private:
  const char* Keep(const std::string& text);
  std::deque<std::string> strings_;
  std::vector<OrnZipFileData> specs_;
  std::vector<const char*> excluded_;
  std::unique_ptr<OrnZipParams> short_;
  std::unique_ptr<OrnZipParamsLong> long_;
};

class UnzipParamBlock {
 public:
  // `fileSpecs` are the lines for a library that chooses by them;
  // `entries` the places in the directory chosen (checked already), and
  // `directory` the directory they index when the library may take it as
  // read (null: the library reads the archive).
  UnzipParamBlock(TZipEngine& engine, int libVersion, const std::string& archive,
                  const std::vector<std::string>& fileSpecs, const std::vector<std::size_t>& entries,
                  const ZipDirectory* directory, const std::string& password, unsigned passwordReqCount,
                  const std::string& baseDir, OrnZipCallback callback);
  void* Address() { return long_ ? static_cast<void*>(long_.get()) : static_cast<void*>(short_.get()); }
  const OrnUnzipParams* Short() const { return short_.get(); }
  const OrnUnzipParamsLong* Long() const { return long_.get(); }

 private:
  const char* Keep(const std::string& text);
  std::deque<std::string> strings_;
  std::vector<OrnUnzipFileData> specs_;
  std::vector<std::uint32_t> entries_;
  std::unique_ptr<OrnUnzipParams> short_;
  std::unique_ptr<OrnUnzipParamsLong> long_;
};

// The store-suffix list of the zip block (".gif:.png:..."); empty for an empty set.
std::string StoreSuffixList(const TZipEngine& engine);

}  // namespace orn
