#include "UnzipSession.h"

namespace orn {

namespace {

// Collects what the back-end reports during one extraction and passes its
// progress on.
class FailureList : public ArchiveBackendObserver {
 public:
  explicit FailureList(const UnzipSession& session) : session_(session) {}
  std::vector<std::string> lines;
  void OnProgress(const std::string& fileName) override {
    if (session_.onProgress) session_.onProgress(fileName);
  }
  void OnMessage(int, const std::string&) override {}
  void OnFailure(const BackendFailure& failure) override { lines.push_back(failure.Describe()); }
  void LetWindowsRun() override {
    if (session_.letWindowsRun) session_.letWindowsRun();
  }

 private:
  const UnzipSession& session_;
};

}  // namespace

bool UnzipSession::Open(const std::string& archive, int codePage) {
  archive_ = archive;
  listing_ = backend_.ListEntries(archive, codePage);
  return listing_.readable;
}

UnzipSession::Outcome UnzipSession::Extract(const std::vector<std::size_t>& chosen, bool all, const std::string& folder,
                                            bool flat) {
  Outcome outcome;
  std::vector<bool> wanted(listing_.entries.size(), all);
  for (std::size_t i : chosen)
    if (i < wanted.size()) wanted[i] = true;
  std::vector<std::size_t> listed;
  for (std::size_t i = 0; i < listing_.entries.size(); ++i)
    if (wanted[i] && !listing_.entries[i].folder) listed.push_back(i);
  outcome.requested = static_cast<int>(listed.size());
  if (all)
    for (std::size_t i = 0; i < listing_.entries.size(); ++i)
      if (listing_.entries[i].folder) listed.push_back(i);  // empty folders come back too
  if (listed.empty()) return outcome;

  ExtractRequest request;
  request.baseDir = folder;
  request.withFolders = !flat;
  // "Yes to all" and "No to all" hold for the rest of this extraction.
  enum class Standing { Ask, Replace, Keep } standing = Standing::Ask;
  if (askReplace)
    request.askReplace = [&](const std::string& file, bool, bool mayKeepBoth) {
      if (standing == Standing::Replace) return ReplaceAnswer::Replace;
      if (standing == Standing::Keep) {
        ++outcome.keptExisting;
        return ReplaceAnswer::Skip;
      }
      switch (askReplace(file, mayKeepBoth)) {
        case Answer::YesToAll:
          standing = Standing::Replace;
          [[fallthrough]];
        case Answer::Yes:
          return ReplaceAnswer::Replace;
        case Answer::NoToAll:
          standing = Standing::Keep;
          [[fallthrough]];
        case Answer::No:
          ++outcome.keptExisting;
          return ReplaceAnswer::Skip;
        case Answer::KeepBoth:
          return mayKeepBoth ? ReplaceAnswer::KeepBoth : ReplaceAnswer::Skip;
        case Answer::Cancel:
          outcome.cancelled = true;
          return ReplaceAnswer::Cancel;
      }
      return ReplaceAnswer::Skip;
    };
  FailureList failures(*this);
  backend_.SetObserver(&failures);
  outcome.extracted = backend_.ExtractListed(archive_, listed, request);
  backend_.SetObserver(nullptr);
  outcome.failures = std::move(failures.lines);
  return outcome;
}

}  // namespace orn
