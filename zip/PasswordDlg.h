// TPasswordDlg: the password prompt of the library callback, asked through
// the dialog service (a masked edit of at most 80 characters, OK and Cancel).
#pragma once

#include <string>

class TPasswordDlg {
 public:
  // Caption from identifier 10154 (the missing-text form when absent), prompt
  // from 10155, 10156 or 10157 (empty when absent).
  explicit TPasswordDlg(int promptIdent);
  // The typed text; empty when cancelled. At most 80 characters are kept.
  std::string ShowModalPwdDlg();

  const std::string& Caption() const { return caption_; }
  const std::string& Prompt() const { return prompt_; }

 private:
  std::string caption_;
  std::string prompt_;
};
