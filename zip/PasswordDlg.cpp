#include "PasswordDlg.h"

#include "ZipMessages.h"

TPasswordDlg::TPasswordDlg(int promptIdent, orn::ZipQuestions* questions)
    : caption_(orn::ZipMessageText(orn::kZipPwdCaption)),
      prompt_(orn::HasZipMessageText(promptIdent) ? orn::ZipMessageText(promptIdent) : std::string()),
      questions_(questions) {}

std::string TPasswordDlg::ShowModalPwdDlg() {
  if (!questions_) return std::string();
  std::optional<std::string> answer = questions_->AskPassword(caption_, prompt_);
  if (!answer) return std::string();
  return answer->substr(0, 80);
}
