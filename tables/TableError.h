// The table layer's one failure type. Every failure of the layer (a missing
// or damaged file, an unknown alias, a field that is not there, a change the
// layer refuses) arrives as a TableError naming the file and what failed, so
// that the caller can log or show it as it is.
#pragma once

#include <stdexcept>
#include <string>

namespace orn {

class TableError : public std::runtime_error {
 public:
  TableError(const std::string& fileName, const std::string& whatFailed)
      : std::runtime_error(whatFailed + (fileName.empty() ? std::string() : " (" + fileName + ")")),
        fileName_(fileName),
        whatFailed_(whatFailed) {}

  const std::string& FileName() const { return fileName_; }
  const std::string& WhatFailed() const { return whatFailed_; }

 private:
  std::string fileName_;
  std::string whatFailed_;
};

}  // namespace orn
