#include "ZipSpanner.h"

#include "FileSystem.h"
#include "ZipEngine.h"
#include "ZipMessages.h"
#include "ZipQuestions.h"

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
  // A host that answers disk questions itself (a terminal) is asked even
  // when unattended; otherwise only a person in front of a window can answer.
  ZipQuestions* questions = engine_.Unattended() ? nullptr : engine_.Questions();
  if (engine_.OnGetNextDisk || questions)
    events.nextDisk = [this, questions](int diskSeqNo, int diskTotal, const std::string& drive,
                                        const std::string& text) {
      if (!engine_.OnGetNextDisk) return questions->AskNextDisk(text);
      bool abortAction = false;
      engine_.OnGetNextDisk(engine_, diskSeqNo, diskTotal, drive, abortAction);
      return !abortAction;
    };
  if (engine_.OnStatusDisk || questions)
    events.diskStatus = [this, questions](int previousDisk, const std::string& previousFile, TZipDiskStatus status,
                                          const std::string& text) {
      if (!engine_.OnStatusDisk) return questions->AskAboutDisk(status, text);
      TZipDiskAction action = zdaOk;
      engine_.OnStatusDisk(engine_, previousDisk, previousFile, status, action);
      return action;
    };
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
