// The libraries' side of the callback: one record per report, filled and
// sent on the thread that called OrnZipExec / OrnUnzExec (the host lets its
// window messages run from inside the callback, so no other thread may call
// it). Once the host answers -1 every later report answers "stop" as well.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "OrnZipLib.h"

namespace orn::zipfmt {

class Reporter {
 public:
  Reporter(OrnZipCallback callback, void* handle, void* caller, bool isZip, bool verbose);

  bool Stopped() const { return stopped_; }
  bool HasCallback() const { return callback_ != nullptr; }

  // Progress; each returns false once the host has asked to stop.
  bool ItemStart(const std::string& name, std::int64_t size);
  bool BytesDone(std::int64_t bytes);
  bool BatchEnd();
  bool ItemCount(std::int64_t count);
  bool TotalSize(std::int64_t bytes);
  // A message: code 0 is information (sent only when verbose), anything else
  // an error or warning the host records.
  bool Message(int code, const std::string& text);
  bool Info(const std::string& text) { return verbose_ ? Message(0, text) : !stopped_; }
  bool Skipped(const std::string& name, int skipType, int errorCode);

  // Asks for a password; forAdd asks for the add password, afterWrong tells
  // the host that its last answer did not fit. `repeatCount` goes in and
  // comes back as the host's answer (at most 15). Empty when refused.
  std::optional<std::string> AskPassword(const std::string& entry, bool forAdd, std::uint32_t& repeatCount,
                                         bool afterWrong = false);

  // Asks whether an existing file (or one this job wrote under the same
  // name) may be replaced, or the entry kept beside it; `defaultAnswer`
  // stands when the host has no opinion.
  enum class Overwrite { No, Yes, KeepBoth };
  Overwrite AskOverwrite(const std::string& file, bool existingIsOlder, bool writtenByThisJob, bool defaultAnswer);
  // Tells about a CRC mismatch; true when the host wants the file kept.
  bool AskKeepOnCrcError(const std::string& entry, std::uint32_t found, std::uint32_t expected);

 private:
  bool Send(int action, int errorCode, std::int64_t size, const std::string& text);
  OrnCallbackStruct rec_{};
  OrnZipCallback callback_;
  bool verbose_;
  bool stopped_ = false;
};

}  // namespace orn::zipfmt
