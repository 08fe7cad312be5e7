// Support code of the zip tests: scratch folders, archives built in memory, a
// record of the messages an engine reported, and the fake libraries' hook.
#pragma once

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ScriptedDialogService.h"
#include "ZipEngine.h"
#include "ZipQuestions.h"

namespace ziptest {

// A fresh folder under the system's temporary directory, removed afterwards.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  const std::string& Path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

void WriteFile(const std::string& path, const std::string& bytes);
std::string ReadFile(const std::string& path);

struct MemEntry {
  std::string name;
  std::string data;
  std::uint8_t host = 0;  // 0 MS-DOS, 3 Unix
  std::uint8_t madeBy = 20;
  std::uint16_t flags = 0;
  std::uint32_t externalAttr = 0;
  std::string comment{};
};

// A stored (uncompressed) archive. Offsets are relative to the archive's
// own start, so `prefix` stands in front of it like a self-extractor stub.
std::string MakeZip(const std::vector<MemEntry>& entries, const std::string& comment = "",
                    const std::string& prefix = "");

// Every identifier an engine reported through OnMessage, in order.
struct MessageLog {
  std::vector<int> idents;
  std::vector<std::string> texts;
  void Attach(TZipEngine& zip);
  bool Has(int ident) const;
};

// Installs a scripted dialog service for the test's length (the windows ask
// through it).
class InstalledDialogs {
 public:
  InstalledDialogs();
  ~InstalledDialogs();
  orn::ScriptedDialogService& operator*() { return *service_; }
  orn::ScriptedDialogService* operator->() { return service_; }

 private:
  orn::ScriptedDialogService* service_;
  std::unique_ptr<orn::DialogService> previous_;
};

// Answers an engine's questions from a script and records each one asked
// ("dialog: TEXT", "password: PROMPT", "volume: TEXT", "overwrite: FILE");
// hand it to the engine with SetQuestions. An empty queue answers as nobody
// would.
class ScriptedDialogs : public orn::ZipQuestions {
 public:
  std::vector<std::string> asked;
  std::deque<std::optional<std::string>> passwords;
  std::deque<Overwrite> overwrites;
  int windowsRun = 0;

  ScriptedDialogs* operator->() { return this; }
  void ShowMessage(const std::string& text) override { asked.push_back("dialog: " + text); }
  std::optional<std::string> AskPassword(const std::string& caption, const std::string& prompt) override;
  bool AskOverwriteVolume(const std::string& question) override {
    asked.push_back("volume: " + question);
    return false;
  }
  Overwrite AskOverwrite(const std::string& file, bool older, bool writtenByThisJob, bool mayKeepBoth) override;
  void LetWindowsRun() override { ++windowsRun; }
};

// The fake library folder for a version ("fake150", "fake151", "fake160", "fakenoexec").
std::string FakeDir(const std::string& name);
using FakeHook = int32_t (*)(void* block, int isZip);
// Sets the hook of the fake library loaded from `path` (already loaded).
bool SetFakeHook(const std::string& libraryPath, FakeHook hook);

}  // namespace ziptest
