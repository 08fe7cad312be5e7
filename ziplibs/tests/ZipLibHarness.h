// Test harness: loads the two built libraries the way the engine does,
// fills their blocks, records every callback, and runs peer zip tools.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "OrnZipLib.h"

namespace ziplibtest {

struct Report {
  int action;
  int errorCode;
  std::int64_t size;
  std::string text;
};

// Collects the reports of one job and answers its questions.
class Recorder {
 public:
  std::vector<Report> reports;
  std::vector<std::thread::id> threads;
  std::string passwordAnswer;                // answer to password requests; empty = refuse
  std::vector<std::string> passwordAnswers;  // answered first, in order, before passwordAnswer
  int overwriteAnswer = -1;                  // -1 = leave the library's default
  int stopAtItem = -1;                       // answer -1 at this item start (0-based)
  bool dieAtStop = false;                    // end the process there instead, as a kill would
  int itemStarts = 0;

  static int32_t Callback(OrnCallbackStruct* rec);
  std::vector<std::string> Texts(int action) const;
  std::vector<Report> Of(int action) const;
};

struct AddLine {
  std::string pattern;
  bool recurse = true;
  std::string password;  // non-empty: encrypt this line
  std::string rootDir;
};

struct AddOptions {
  int level = 9;
  bool freshen = false, update = false, move = false, hidden = false, junkDirs = false, dirEntries = false;
  bool zipTime = false;
  bool storeLinks = false, best = false;
  int aesStrength = 0;  // encrypted lines: 0 traditional, 1-3 AES
  std::string suffixes;
  std::vector<std::string> excludes;
  std::string tempDir;
};

struct ExtractOptions {
  bool test = false, overwrite = false, freshen = false, update = false, dirNames = true;
  std::string password;
  unsigned passwordRequests = 1;
  std::vector<std::string> names;
};

class ZipLibTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  int Add(const std::string& archive, const std::vector<AddLine>& lines, const AddOptions& o, Recorder& rec);
  int Extract(const std::string& archive, const std::string& baseDir, const ExtractOptions& o, Recorder& rec);

  std::string Path(const std::string& rel) const { return dir_ + "/" + rel; }
  void Write(const std::string& rel, const std::string& content, std::int64_t mtime = 0);
  std::string Read(const std::string& path) const;
  bool Exists(const std::string& path) const;
  static bool HaveTool(const std::string& tool);
  // Runs a shell command; returns its exit status and fills `output`.
  static int Run(const std::string& command, std::string* output = nullptr);
  static std::string Quote(const std::string& s);
  // Runs a python3 snippet with sys.argv[1:] = args.
  static int Python(const std::string& code, const std::vector<std::string>& args, std::string* output = nullptr);

  std::string dir_;
  OrnZipExecFunc zipExec_ = nullptr;
  OrnUnzExecFunc unzExec_ = nullptr;
  void* zipLib_ = nullptr;
  void* unzLib_ = nullptr;
};

}  // namespace ziplibtest
