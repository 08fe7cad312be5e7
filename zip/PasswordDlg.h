// TPasswordDlg: the password prompt of the library callback, asked through
// the engine's questions observer (its window: a masked edit of at most 80
// characters, OK and Cancel).
#pragma once

#include <string>

#include "ZipQuestions.h"

class TPasswordDlg {
 public:
  // Caption from identifier 10154 (the missing-text form when absent), prompt
  // from 10155, 10156 or 10157 (empty when absent); asked through
  // `questions` (none: nobody answers).
  TPasswordDlg(int promptIdent, orn::ZipQuestions* questions);
  // The typed text; empty when cancelled. At most 80 characters are kept.
  std::string ShowModalPwdDlg();

  const std::string& Caption() const { return caption_; }
  const std::string& Prompt() const { return prompt_; }

 private:
  std::string caption_;
  std::string prompt_;
  orn::ZipQuestions* questions_;
};
