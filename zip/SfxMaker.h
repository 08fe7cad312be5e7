// Self-extractors as the engine makes them: ConvertToSFX, and the ".exe"
// that Add makes from a temporary zip. The file format is SfxWriter's; this
// finds the stub and feeds it the engine's SFX settings.
#pragma once

#include <string>

class TZipEngine;

namespace orn {

class SfxMaker {
 public:
  explicit SfxMaker(TZipEngine& engine) : engine_(engine) {}

  // TZipEngine::ConvertToSFX: 0, or the identifier reported.
  int Convert();
  // Writes `exe` from the stub, the header and `archive` (empty: an empty
  // archive); raises EZipEngine (10801, 10802, 10304) on failure.
  void Write(const std::string& archive, const std::string& exe);

 private:
  std::string FindStub() const;

  TZipEngine& engine_;
};

}  // namespace orn
