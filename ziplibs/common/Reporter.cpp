#include "Reporter.h"

#include <algorithm>
#include <cstring>

namespace orn::zipfmt {

Reporter::Reporter(OrnZipCallback callback, void* handle, void* caller, bool isZip, bool verbose)
    : callback_(callback), verbose_(verbose) {
  rec_.Handle = handle;
  rec_.Caller = caller;
  rec_.Version = isZip ? ORN_ZIPLIB_VERSION : ORN_UNZLIB_VERSION;
  rec_.IsOperationZip = isZip ? -1 : 0;
}

bool Reporter::Send(int action, int errorCode, std::int64_t size, const std::string& text) {
  if (stopped_) return false;
  if (!callback_) return true;
  rec_.ActionCode = action;
  rec_.ErrorCode = errorCode;
  rec_.FileSize = size;
  std::size_t n = std::min(text.size(), sizeof rec_.FileNameOrMsg - 1);
  // Never cut a UTF-8 sequence in half.
  while (n > 0 && n < text.size() && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) --n;
  std::memcpy(rec_.FileNameOrMsg, text.data(), n);
  rec_.FileNameOrMsg[n] = '\0';
  if (callback_(&rec_) == -1) stopped_ = true;
  return !stopped_;
}

bool Reporter::ItemStart(const std::string& name, std::int64_t size) { return Send(ORN_CB_ITEM_START, 0, size, name); }
bool Reporter::BytesDone(std::int64_t bytes) { return Send(ORN_CB_BYTES_DONE, 0, bytes, {}); }
bool Reporter::BatchEnd() { return Send(ORN_CB_BATCH_END, 0, 0, {}); }
bool Reporter::ItemCount(std::int64_t count) { return Send(ORN_CB_ITEM_COUNT, 0, count, {}); }
bool Reporter::TotalSize(std::int64_t bytes) { return Send(ORN_CB_TOTAL_SIZE, 0, bytes, {}); }
bool Reporter::Message(int code, const std::string& text) { return Send(ORN_CB_MESSAGE, code, 0, text); }
bool Reporter::Skipped(const std::string& name, int skipType, int errorCode) {
  return Send(ORN_CB_SKIPPED, errorCode, skipType & 0xFF, name);
}

std::optional<std::string> Reporter::AskPassword(const std::string& entry, bool forAdd, std::uint32_t& repeatCount,
                                                 bool afterWrong) {
  if (!callback_ || stopped_) return std::nullopt;
  if (!Send(ORN_CB_PASSWORD, (forAdd ? 1 : 0) | (afterWrong ? 2 : 0), repeatCount, entry)) return std::nullopt;
  std::int64_t count = std::clamp<std::int64_t>(rec_.FileSize, 0, 15);
  repeatCount = std::uint32_t(count);
  if (rec_.ErrorCode == 0) return std::nullopt;
  rec_.FileNameOrMsg[sizeof rec_.FileNameOrMsg - 1] = '\0';
  std::string pw = rec_.FileNameOrMsg;
  if (pw.empty()) return std::nullopt;
  return pw;
}

Reporter::Overwrite Reporter::AskOverwrite(const std::string& file, bool existingIsOlder, bool writtenByThisJob,
                                           bool defaultAnswer) {
  if (!callback_) return defaultAnswer ? Overwrite::Yes : Overwrite::No;
  if (!Send(ORN_CB_OVERWRITE, (existingIsOlder ? 1 : 0) | (writtenByThisJob ? 2 : 0), defaultAnswer ? 1 : 0, file))
    return Overwrite::No;
  if (rec_.FileSize == ORN_KEEP_BOTH) return Overwrite::KeepBoth;
  return rec_.FileSize != 0 ? Overwrite::Yes : Overwrite::No;
}

bool Reporter::AskKeepOnCrcError(const std::string& entry, std::uint32_t found, std::uint32_t expected) {
  if (!callback_) return false;
  if (!Send(ORN_CB_CRC_ERROR, std::int32_t(found), expected, entry)) return false;
  return rec_.ErrorCode != 0;
}

}  // namespace orn::zipfmt
