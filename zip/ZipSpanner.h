// Spanning as the engine runs it: splitting the temporary zip of an Add
// over the volumes of ZipFileName, and joining a set into a temporary zip
// for listing and extracting. The copying itself is Spanning.cpp's; this
// feeds it the engine's settings, events and questions. Failures are
// EZipEngine, reported where the published operation catches them.
#pragma once

#include <string>

#include "Spanning.h"

class TZipEngine;

namespace orn {

class ZipSpanner {
 public:
  explicit ZipSpanner(TZipEngine& engine) : engine_(engine) {}

  // Copies the ordinary zip `tempZip` onto the volumes of `target`.
  void Split(const std::string& tempZip, const std::string& target);
  // Joins the set whose last volume is `volume` into a new zip in the
  // temporary folder (TempDir, else the system's); answers its name.
  std::string JoinIntoTemporary(const std::string& volume);

 private:
  SpanEvents Events();

  TZipEngine& engine_;
};

}  // namespace orn
