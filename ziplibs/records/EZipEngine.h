// The zip engine's error: a text, whether a dialog shows it when the engine
// catches it, and the message identifier that callers test.
#pragma once

#include <stdexcept>
#include <string>

class EZipEngine : public std::runtime_error {
 public:
  // By identifier: the text of the identifier, shown.
  explicit EZipEngine(int ident);
  // By identifier with an integer formatted into the text (always shown).
  EZipEngine(int ident, long long value);
  // By identifier with a string formatted into the text (always shown).
  EZipEngine(int ident, const std::string& value);
  // The text given as is, for a detail that names the file or the offset.
  EZipEngine(int ident, const std::string& text, bool display);

  int Ident() const { return ident_; }
  bool Display() const { return display_; }

 private:
  int ident_;
  bool display_;
};
