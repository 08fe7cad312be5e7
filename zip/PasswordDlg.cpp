#include "PasswordDlg.h"

#include "DialogService.h"
#include "ZipMessages.h"

TPasswordDlg::TPasswordDlg(int promptIdent)
    : caption_(orn::ZipMessageText(orn::kZipPwdCaption)),
      prompt_(orn::HasZipMessageText(promptIdent) ? orn::ZipMessageText(promptIdent) : std::string()) {}

std::string TPasswordDlg::ShowModalPwdDlg() {
  std::optional<std::string> answer = orn::Dialogs().Password(caption_, prompt_);
  if (!answer) return std::string();
  return answer->substr(0, 80);
}
