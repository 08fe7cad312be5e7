// The self-extractor file: the stub program, then the "OZX" header carrying
// a flag byte and four texts, then the archive with every offset raised by
// the length of stub and header, so that the file is itself a valid zip.
// The writer (the zip engine) and the reader (the stub) share this code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "ZipTypes.h"

namespace orn {

struct SfxTexts {
  std::string caption;
  std::string defaultDir;
  std::string commandLine;
  std::string message;
};

// Flag bits of the header.
enum SfxFlag : std::uint8_t {
  kSfxAskCmdLine = 1,
  kSfxAskFiles = 2,
  kSfxHideOverwriteBox = 4,
  kSfxOverwriteAlways = 8,
  kSfxOverwriteNever = 16,
  kSfxNoSizeCheck = 32,
  kSfxAutoRun = 64,
  kSfxNoSuccessMessage = 128,
};

std::uint8_t SfxFlagByte(SFXOpts options, OvrOpts overwrite);

// "OZX", the flags, 0, 1, the header's length (a multiple of 4) in 16 bits,
// then each text as a length byte and its characters, zero-padded. Texts
// must be shorter than 256 characters each.
std::string SfxHeader(std::uint8_t flags, const SfxTexts& texts);

struct SfxHeaderInfo {
  std::uint8_t flags = 0;
  std::size_t length = 0;
  SfxTexts texts;
};

// Reads a header at the start of `bytes`; false when it is none or its
// lengths do not fit within it.
bool ParseSfxHeader(std::string_view bytes, SfxHeaderInfo& info);

// Writes `exe`: the stub file, `header`, and the zip `archive` with its
// offsets raised (with an empty `archive`, an empty end record that points
// behind the header). The file is written under a temporary name and renamed
// once its size is checked; raises EZipEngine (10304) on any failure and
// leaves nothing behind.
void WriteSelfExtractor(const std::string& stub, const std::string& header, const std::string& archive,
                        const std::string& exe);

}  // namespace orn
