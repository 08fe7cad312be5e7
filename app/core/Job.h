// One backup job as the main window holds it and a job file (.arh) stores it.
// The job is plain data; the main window shows it and the job file reader and
// writer (JobFile.h) move it to and from disk. No job is open while the job
// file path is empty.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "DateTime.h"

namespace orn {

struct Job {
  std::string jobFilePath;       // empty = no job
  bool saved = true;             // no unsaved changes
  std::string archiveDirectory;  // kept with a trailing delimiter when not empty
  std::string archiveName;       // base name of every archive file, no '.'
  std::string registerFile;      // the register table SprFiles.db
  std::string uniqueFolder = "New_Folder";
  std::string plusPath;       // directory of the second copy
  char rotationScheme = 'N';  // N, W, M, Y
  char uniqueScheme = 'N';    // N, W, M, Y
  bool volumesOn = false;
  int volumeSize = 0;  // thousands of bytes
  bool copyToFloppies = false;
  DateTime lastArchivingDate = 0;    // zero date = never
  bool loadFromRegister = false;     // kept, used by nothing else
  std::vector<std::string> jobList;  // extra files and patterns, in order

  bool IsOpen() const { return !jobFilePath.empty(); }
};

// A job file that cannot be read or written, or is no job file at all. The
// message names the file and what failed.
class EJobFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline bool IsSchemeLetter(char c) { return c == 'N' || c == 'W' || c == 'M' || c == 'Y'; }

}  // namespace orn
