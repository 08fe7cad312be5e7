#include "RunProgress.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <utility>

#include "FileSystem.h"

namespace orn {

std::string DurationText(std::int64_t seconds) {
  if (seconds < 0) seconds = 0;
  const long long h = seconds / 3600, m = seconds / 60 % 60, s = seconds % 60;
  char text[32];
  if (h > 0)
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld", h, m, s);
  else
    std::snprintf(text, sizeof text, "%lld:%02lld", m, s);
  return text;
}

std::int64_t SecondsLeft(std::int64_t done, std::int64_t total, std::int64_t elapsedMs) {
  if (done <= 0 || total <= 0 || elapsedMs < 1000) return -1;
  if (done >= total) return 0;
  const double perUnit = static_cast<double>(elapsedMs) / static_cast<double>(done);
  return static_cast<std::int64_t>(perUnit * static_cast<double>(total - done) / 1000.0 + 0.5);
}

std::string SizeText(std::int64_t bytes, const UnitWord& unitWord) {
  const auto word = [&](const char* key, const char* english) {
    return unitWord ? unitWord(key, english) : std::string(english);
  };
  if (bytes < 1024) return std::to_string(bytes) + " " + word("unit_Bytes", "bytes");
  static const std::pair<const char*, const char*> units[] = {
      {"unit_KB", "KB"}, {"unit_MB", "MB"}, {"unit_GB", "GB"}, {"unit_TB", "TB"}};
  double value = static_cast<double>(bytes);
  int unit = -1;
  while (value >= 1024.0 && unit < 3) {
    value /= 1024.0;
    ++unit;
  }
  char text[32];
  std::snprintf(text, sizeof text, value < 10 ? "%.1f" : "%.0f", value);
  return std::string(text) + " " + word(units[unit].first, units[unit].second);
}

namespace {
// Each stage's label name and its English text, in the order of the enum.
const char* const kStageTexts[][2] = {{"prg_Zipping", "ZIPPING"},
                                      {"prg_Verifying", "VERIFYING"},
                                      {"prg_Copying", "COPYING"},
                                      {"prg_Restoring", "RESTORING"}};
}  // namespace

const char* StageKey(ProgressStage stage) { return kStageTexts[static_cast<int>(stage)][0]; }

const char* StageEnglish(ProgressStage stage) { return kStageTexts[static_cast<int>(stage)][1]; }

// One stage of the job for as long as the back-end works on it: the
// observer hears of its start and, however the call ends, of its end.
class CountingBackend::Stage {
 public:
  Stage(CountingBackend& self, ProgressStage stage, int files, std::int64_t bytes) : self_(self), stage_(stage) {
    self_.counting_ = files > 0;
    self_.knowsBytes_ = bytes >= 0;
    self_.bytesDone_ = 0;
    self_.started_ = 0;
    self_.progress_.StageStarted(stage, files, bytes);
  }
  ~Stage() {
    self_.counting_ = false;
    self_.progress_.StageEnded(stage_);
  }
  Stage(const Stage&) = delete;
  Stage& operator=(const Stage&) = delete;

 private:
  CountingBackend& self_;
  ProgressStage stage_;
};

CountingBackend::CountingBackend(ArchiveBackend& inner, RunObserver& progress, const MessageTexts& texts)
    : inner_(inner), progress_(progress), texts_(texts) {
  inner_.SetObserver(this);
}

CountingBackend::~CountingBackend() { inner_.SetObserver(nullptr); }

int CountingBackend::NothingAfterCancel() {
  if (outer_) outer_->OnMessage(0, texts_.Text("msg_Cancelled"));
  return 0;
}

int CountingBackend::Add(const std::vector<std::string>& fileSpecs, const std::string& zipFileName) {
  if (progress_.CancelRequested()) return NothingAfterCancel();
  const int added = [&] {
    // The engine says how many bytes it will read once it has looked at the
    // files; looking at each of them here first would double that work.
    Stage stage(*this, ProgressStage::Zipping, static_cast<int>(fileSpecs.size()), -1);
    return inner_.Add(fileSpecs, zipFileName);
  }();
  // A cancelled archive is no archive, however much of it was written.
  return progress_.CancelRequested() ? NothingAfterCancel() : added;
}

bool CountingBackend::Test(const std::vector<std::string>& archiveFiles, std::string* error) {
  auto cancelled = [&] {
    if (error) *error = texts_.Text("msg_Cancelled");
    return false;
  };
  if (progress_.CancelRequested()) return cancelled();
  // Reading an archive back: activity is shown until the engine has read
  // its directory and says how much it holds (OnTotals).
  const bool ok = [&] {
    Stage stage(*this, ProgressStage::Verifying, 0, -1);
    if (!archiveFiles.empty()) progress_.SetFileName(archiveFiles.back());
    return inner_.Test(archiveFiles, error);
  }();
  return progress_.CancelRequested() ? cancelled() : ok;
}

int CountingBackend::Extract(const std::string& archivePath, const std::vector<std::string>& entries,
                             const std::string& baseDir) {
  if (progress_.CancelRequested()) return NothingAfterCancel();
  Stage stage(*this, ProgressStage::Restoring, static_cast<int>(entries.size()), -1);
  return inner_.Extract(archivePath, entries, baseDir);
}

void CountingBackend::OnProgress(const std::string& fileName) {
  if (counting_ && !fileName.empty()) {
    ++started_;
    progress_.ItemStarted(bytesDone_);
  }
  if (outer_) outer_->OnProgress(fileName);
}

void CountingBackend::OnBytes(std::int64_t bytes) {
  bytesDone_ += bytes;
  if (counting_) progress_.BytesDone(bytesDone_);
  if (outer_) outer_->OnBytes(bytes);
}

void CountingBackend::OnTotals(int files, std::int64_t bytes) {
  // A test or a restore learns its size from the archive: from here on the
  // bar counts, where it only showed activity.
  if (files > 0 && (!counting_ || !knowsBytes_)) {
    counting_ = true;
    knowsBytes_ = bytes >= 0;
    started_ = 0;
    bytesDone_ = 0;
    progress_.StageSized(files, bytes);
  }
  if (outer_) outer_->OnTotals(files, bytes);
}

void CountingBackend::OnMessage(int code, const std::string& text) {
  if (outer_) outer_->OnMessage(code, text);
}

void CountingBackend::OnFailure(const BackendFailure& failure) {
  if (outer_) outer_->OnFailure(failure);
}

}  // namespace orn
