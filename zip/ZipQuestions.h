// What the zip engine asks of the person in front of the screen and of the
// windows around it, as a plain observer that the engine's owner hands it
// (TZipEngine::SetQuestions): the owner shows the dialog its way (a window,
// the dialog service, a script in a test) and lets its windows run. The core
// never opens a dialog itself. Every method has the answer that stands when
// nobody can be asked; with no observer at all the engine takes those.
#pragma once

#include <optional>
#include <string>

namespace orn {

class ZipQuestions {
 public:
  virtual ~ZipQuestions() = default;

  // A report the design shows in a message dialog (never while Unattended;
  // it reaches OnMessage as well).
  virtual void ShowMessage(const std::string& /*text*/) {}
  // The password prompt of the library callback: the text typed, or nothing.
  virtual std::optional<std::string> AskPassword(const std::string& /*caption*/, const std::string& /*prompt*/) {
    return std::nullopt;
  }
  // A file of the volume set being written is there already: overwrite it?
  virtual bool AskOverwriteVolume(const std::string& /*question*/) { return false; }

  // An entry would replace `file`, which is on disk (`existingIsOlder` when
  // it is older than the entry) or was written by this same job under the
  // same name (`writtenByThisJob`: a flat extraction of same-named entries).
  // `mayKeepBoth` when the entry can be written beside it under a free name.
  enum class Overwrite { Skip, Replace, KeepBoth, Cancel };
  virtual Overwrite AskOverwrite(const std::string& /*file*/, bool /*existingIsOlder*/, bool /*writtenByThisJob*/,
                                 bool /*mayKeepBoth*/) {
    return Overwrite::Skip;
  }

  // Let pending window messages run: called from every callback of the
  // libraries and every step of splitting and joining, so that windows
  // repaint and may set Cancel during a long job.
  virtual void LetWindowsRun() {}
};

}  // namespace orn
