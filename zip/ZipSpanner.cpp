#include "ZipSpanner.h"

#include "FileSystem.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace orn {

SpanEvents ZipSpanner::Events() {
  SpanEvents events;
  events.message = [this](const std::string& text) {
    if (engine_.OnMessage) engine_.OnMessage(engine_, 0, text);
  };
  events.progress = [this](ProgressType type, const std::string& name, std::int64_t size) {
    if (engine_.OnProgress) engine_.OnProgress(engine_, type, name, size);
  };
  events.cancelled = [this] {
    engine_.LetWindowsRun();
    return engine_.Cancel();
  };
  if (!engine_.Unattended()) {
    events.overwrite = [this](const std::string& file) {
      ZipQuestions* questions = engine_.Questions();
      return questions && questions->AskOverwriteVolume(FormatZipMessage(ZipMessageText(kZipOverwriteFile), file));
    };
  }
  return events;
}

void ZipSpanner::Split(const std::string& tempZip, const std::string& target) {
  const SpanSettings settings{engine_.MaxVolumeSize(), engine_.KeepFreeOnDisk1(), engine_.MinFreeVolumeSize()};
  SplitZipToVolumes(tempZip, target, settings, Events());
}

std::string ZipSpanner::JoinIntoTemporary(const std::string& volume) {
  const std::string output = engine_.TemporaryZipName();
  JoinZipVolumes(volume, output, Events());
  return output;
}

}  // namespace orn
