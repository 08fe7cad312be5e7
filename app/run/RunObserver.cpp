#include "RunObserver.h"

#include "DialogService.h"

namespace orn {

bool RunObserver::AskCopyToFloppies(const std::string& text) { return Dialogs().Question(text, "Yes", "No"); }

ProgressScope::ProgressScope(RunObserver& observer, ArchiveBackend& backend) : observer_(observer), backend_(backend) {
  observer_.RunStarted();
  backend_.SetObserver(this);
}

ProgressScope::~ProgressScope() {
  backend_.SetObserver(nullptr);
  observer_.RunFinished();
}

void ProgressScope::OnProgress(const std::string& fileName) {
  if (!fileName.empty()) observer_.SetFileName(fileName);
  observer_.ProcessMessages();
}

void ProgressScope::OnMessage(int /*code*/, const std::string& text) {
  if (text.empty()) return;
  lastMessage_ = text;
  messages_.push_back(text);
}

}  // namespace orn
