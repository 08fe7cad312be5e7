// The callback the libraries call while a job runs: it turns each action
// code into the component's events, answers the libraries' questions, lets
// pending window messages run and answers -1 once Cancel is set.
#include <algorithm>
#include <cstring>

#include "OrnZipLib.h"
#include "PasswordDlg.h"
#include "ZipEngine.h"
#include "ZipMessages.h"

namespace {

// Entry names arrive as DirEntries lists them ("/" between parts); a
// message keeps its text as written, since the paths in it are this system's
// own.
std::string RecordText(const OrnCallbackStruct& rec) {
  std::string text(rec.FileNameOrMsg, strnlen(rec.FileNameOrMsg, sizeof rec.FileNameOrMsg));
  while (!text.empty() && text.back() == ' ') text.pop_back();
  return text;
}

void SetRecordText(OrnCallbackStruct& rec, const std::string& text, std::size_t maxLength) {
  std::size_t n = std::min({text.size(), maxLength, sizeof rec.FileNameOrMsg - 1});
  std::memcpy(rec.FileNameOrMsg, text.data(), n);
  rec.FileNameOrMsg[n] = '\0';
}

}  // namespace

void TZipEngine::AnswerPassword(OrnCallbackStruct& rec) {
  std::string answer;
  unsigned repeat = static_cast<unsigned>(rec.FileSize);
  const std::string forFile = RecordText(rec);
  if (OnPasswordError) {
    OnPasswordError(*this, answer, forFile, repeat);
  } else if (rec.ErrorCode & 1) {
    if (unattended_) {
      ShowZipMessage(orn::kZipAddPasswordUnattended);
    } else {
      std::string first = TPasswordDlg(orn::kZipPwdPrompt, questions_).ShowModalPwdDlg();
      std::string second =
          first.empty() ? std::string() : TPasswordDlg(orn::kZipPwdConfirm, questions_).ShowModalPwdDlg();
      if (first != second) {
        ShowZipMessage(orn::kZipPasswordsDiffer);
      } else {
        answer = first;
      }
    }
  } else {
    if (unattended_) {
      ShowZipMessage(orn::kZipExtractPasswordUnattended);
    } else {
      // Asked again after an answer that did not fit: the prompt says so.
      answer = TPasswordDlg((rec.ErrorCode & 2) ? orn::kZipPwdWrong : orn::kZipPwdPrompt, questions_).ShowModalPwdDlg();
    }
  }
  if (!answer.empty()) {
    SetRecordText(rec, answer, 80);
    rec.ErrorCode = 1;
  } else {
    rec.ErrorCode = 0;
    repeat = 0;
  }
  rec.FileSize = std::min(repeat, 15u);
}

// The published event answers first; else the questions observer, which
// may also keep both files (in a flat extraction) or cancel the job; else
// the library's default stands.
void TZipEngine::AnswerOverwrite(OrnCallbackStruct& rec, const std::string& file) {
  const bool older = (rec.ErrorCode & 1) != 0;
  if (OnExtractOverwrite) {
    bool doOverwrite = rec.FileSize != 0;
    OnExtractOverwrite(*this, file, older, doOverwrite);
    rec.FileSize = doOverwrite ? 1 : 0;
    return;
  }
  if (!questions_ || unattended_) return;
  switch (questions_->AskOverwrite(file, older, (rec.ErrorCode & 2) != 0, !extrOptions_.Has(ExtrDirNames))) {
    case orn::ZipQuestions::Overwrite::Replace:
      rec.FileSize = 1;
      break;
    case orn::ZipQuestions::Overwrite::KeepBoth:
      rec.FileSize = ORN_KEEP_BOTH;
      break;
    case orn::ZipQuestions::Overwrite::Cancel:
      cancel_ = true;
      rec.FileSize = 0;
      break;
    case orn::ZipQuestions::Overwrite::Skip:
      rec.FileSize = 0;
      break;
  }
}

std::int32_t TZipEngine::HandleCallback(OrnCallbackStruct& rec) {
  const std::string text = RecordText(rec);
  switch (rec.ActionCode) {
    case ORN_CB_ITEM_START:
      if (OnProgress) OnProgress(*this, FileStarted, text, rec.FileSize);
      break;
    case ORN_CB_BYTES_DONE:
      if (OnProgress) OnProgress(*this, BytesDone, "", rec.FileSize);
      break;
    case ORN_CB_BATCH_END:
      if (OnProgress) OnProgress(*this, BatchEnded, "", 0);
      break;
    case ORN_CB_MESSAGE:
      if (rec.ErrorCode != 0) {
        lastFullErrCode_ = rec.ErrorCode;
        lastErrCode_ = rec.ErrorCode & 0xFF;
        // The library speaks English; the windows and the log speak the
        // program's language. This is the one place its words cross over.
        lastMessage_ = orn::TranslateLibraryMessage(text);
        if (OnMessage) OnMessage(*this, rec.ErrorCode, lastMessage_);
      }
      break;
    case ORN_CB_ITEM_COUNT:
      if (OnProgress) OnProgress(*this, FileCountKnown, "", rec.FileSize);
      break;
    case ORN_CB_TOTAL_SIZE:
      totalSize_ = rec.FileSize;
      if (OnProgress) OnProgress(*this, ByteCountKnown, "", rec.FileSize);
      break;
    case ORN_CB_NEW_NAME:
      if (OnSetNewName) {
        std::string name = text;
        bool changed = false;
        OnSetNewName(*this, name, changed);
        if (changed) SetRecordText(rec, name, 512);
        rec.ErrorCode = changed ? 1 : 0;
      }
      break;
    case ORN_CB_PASSWORD:
      AnswerPassword(rec);
      break;
    case ORN_CB_CRC_ERROR:
      if (OnCRC32Error) {
        bool doExtract = true;
        OnCRC32Error(*this, text, static_cast<unsigned>(rec.ErrorCode), static_cast<unsigned>(rec.FileSize), doExtract);
        rec.ErrorCode = doExtract ? 1 : 0;
      } else {
        // Without a handler bad data is never kept: it would replace a good
        // file under the entry's name. The library has reported the entry.
        rec.ErrorCode = 0;
      }
      break;
    case ORN_CB_OVERWRITE:
      AnswerOverwrite(rec, text);
      break;
    case ORN_CB_SKIPPED:
      if (rec.ErrorCode != 0) {
        lastFullErrCode_ = rec.ErrorCode;
        lastErrCode_ = rec.ErrorCode & 0xFF;
      }
      if (OnExtractSkipped)
        OnExtractSkipped(*this, text, static_cast<UnZipSkipTypes>(rec.FileSize & 0xFF), rec.ErrorCode);
      break;
    case ORN_CB_FILE_COMMENT:
      if (OnFileComment) {
        std::string comment;
        bool changed = false;
        OnFileComment(*this, text, comment, changed);
        if (changed) {
          SetRecordText(rec, comment, 511);
          rec.FileSize = static_cast<int64_t>(std::min<std::size_t>(comment.size(), 511));
        } else {
          rec.FileNameOrMsg[0] = '\0';
          rec.FileSize = 0;
        }
        rec.ErrorCode = changed ? 1 : 0;
      }
      break;
    default:
      break;
  }
  LetWindowsRun();
  return cancel_ ? -1 : 0;
}

extern "C" int32_t OrnEngineCallback(OrnCallbackStruct* rec) {
  if (!rec || !rec->Caller) return -1;
  return static_cast<TZipEngine*>(rec->Caller)->ServeCallback(*rec);
}

std::int32_t TZipEngine::ServeCallback(OrnCallbackStruct& rec) noexcept {
  if (pendingError_) return -1;
  try {
    return HandleCallback(rec);
  } catch (...) {
    pendingError_ = std::current_exception();
    return -1;
  }
}
