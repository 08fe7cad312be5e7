#include "Rclone.h"

#include <cstdlib>

#include "ChildProcess.h"
#include "TextUtil.h"

namespace orn {

namespace {

// rclone's exit status for "directory not found".
constexpr int kRcloneDirectoryNotFound = 3;

// Calls that move no file data: a remote that takes longer is not answering.
constexpr std::chrono::seconds kShortCall{120};

bool IsNameChar(unsigned char c) {
  return std::isalnum(c) || c >= 0x80 || c == '_' || c == '-' || c == '.' || c == '+' || c == '@' || c == ' ';
}

// Flags of every call: never wait for a password on a terminal nobody
// watches, give up on a connection that is not made or goes silent.
std::vector<std::string> CommonFlags() {
  return {"--ask-password=false", "--contimeout=30s", "--timeout=90s", "--retries=2", "--low-level-retries=3"};
}

// The text of a JSON string starting at `at` (just after its opening
// quote); rclone escapes quotes, backslashes and control characters.
std::string JsonString(const std::string& text, size_t at) {
  std::string out;
  for (size_t i = at; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') break;
    if (c != '\\' || i + 1 >= text.size()) {
      out += c;
      continue;
    }
    char e = text[++i];
    switch (e) {
      case 'n':
        out += '\n';
        break;
      case 't':
        out += '\t';
        break;
      case 'r':
        break;
      case 'u':
        // Only ASCII control characters come escaped this way; others pass as UTF-8.
        if (i + 4 < text.size()) {
          const unsigned long code = std::strtoul(text.substr(i + 1, 4).c_str(), nullptr, 16);
          if (code < 0x80) out += static_cast<char>(code);
          i += 4;
        }
        break;
      default:
        out += e;
    }
  }
  return out;
}

// A plain log line without its "YYYY/MM/DD HH:MM:SS " time stamp.
std::string WithoutTimeStamp(const std::string& line) {
  if (line.size() > 20 && line[4] == '/' && line[7] == '/' && line[10] == ' ' && line[13] == ':' && line[16] == ':')
    return line.substr(20);
  return line;
}

std::string Collapse(std::string text) {
  for (char& c : text)
    if (c == '\n' || c == '\t') c = ' ';
  return Trim(text);
}

std::int64_t StatsBytes(const std::string& line) {
  const size_t at = line.find("\"stats\":{\"bytes\":");
  if (at == std::string::npos) return -1;
  return std::strtoll(line.c_str() + at + 17, nullptr, 10);
}

}  // namespace

bool IsRemotePath(const std::string& text) {
  const size_t colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  if (text[0] == ' ' || text[0] == '-' || text[colon - 1] == ' ') return false;
  for (size_t i = 0; i < colon; ++i)
    if (!IsNameChar(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

std::string RemoteNameOf(const std::string& text) { return IsRemotePath(text) ? text.substr(0, text.find(':')) : ""; }

std::string RemoteJoin(const std::string& dir, const std::string& name) {
  if (dir.empty() || dir.back() == ':' || dir.back() == '/') return dir + name;
  return dir + "/" + name;
}

std::string RemoteFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const size_t colon = path.find(':');
  if (slash != std::string::npos && (colon == std::string::npos || slash > colon)) return path.substr(0, slash + 1);
  return colon == std::string::npos ? std::string() : path.substr(0, colon + 1);
}

std::string RemoteFileName(const std::string& path) { return path.substr(RemoteFolderOf(path).size()); }

Rclone::Rclone(std::string program) : program_(std::move(program)) {}

std::string Rclone::DefaultProgram() {
  const char* named = std::getenv("ORN_RCLONE");
  return named && *named ? named : "rclone";
}

std::string Rclone::Missing() const {
  if (!FindProgram(program_).empty()) return {};
  return "rclone is not installed (\"" + program_ + "\" not found; Debian package rclone)";
}

std::string Rclone::ReasonOf(const std::string& errorOutput, int exitCode) {
  // The first error is the cause; later attempts often fail for a reason of
  // their own ("closed pipe" after "no space left on device").
  std::string first, failed, lastLine;
  auto note = [&first](std::string text) {
    const std::string attempt = " errors and: ";
    if (text.rfind("Attempt ", 0) == 0 && text.find(attempt) != std::string::npos)
      text = text.substr(text.find(attempt) + attempt.size());
    if (first.empty()) first = text;
  };
  for (const std::string& line : SplitLines(errorOutput)) {
    if (Trim(line).empty()) continue;
    if (line.rfind("{\"level\":", 0) == 0) {
      const bool error = line.rfind("{\"level\":\"error\"", 0) == 0 || line.rfind("{\"level\":\"critical\"", 0) == 0;
      const size_t msg = line.find("\"msg\":\"");
      if (!error || msg == std::string::npos) continue;
      std::string text = Collapse(JsonString(line, msg + 7));
      const size_t object = line.find("\"object\":\"");
      if (object != std::string::npos && text.rfind("Attempt ", 0) != 0)
        text = JsonString(line, object + 10) + ": " + text;
      note(text);
      continue;
    }
    std::string text = Collapse(WithoutTimeStamp(line));
    if (text.rfind("Failed to ", 0) == 0) failed = text;
    if (text.rfind("ERROR : ", 0) == 0 || text.rfind("CRITICAL: ", 0) == 0) note(Trim(text.substr(text.find(':') + 1)));
    lastLine = text;
  }
  if (!first.empty() && !failed.empty() && failed.find(first) == std::string::npos) return first + " (" + failed + ")";
  if (!failed.empty()) return failed;
  if (!first.empty()) return first;
  if (!lastLine.empty()) return lastLine;
  return "rclone ended with status " + std::to_string(exitCode);
}

ChildResult Rclone::Call(const std::vector<std::string>& arguments, std::chrono::seconds timeLimit, const Watch& watch,
                         const std::string& input) const {
  std::vector<std::string> all = arguments;
  for (const std::string& flag : CommonFlags()) all.push_back(flag);
  ChildOptions options;
  options.timeLimit = timeLimit;
  options.input = input;
  options.stop = watch.stop;
  if (watch.bytes)
    options.errorLine = [&watch](const std::string& line) {
      if (std::int64_t bytes = StatsBytes(line); bytes >= 0) watch.bytes(bytes);
    };
  ChildResult result = RunChild(program_, all, options);
  if (!result.started) throw RcloneError(Missing().empty() ? result.startError : Missing());
  return result;
}

std::string Rclone::Checked(const ChildResult& result, std::chrono::seconds timeLimit) {
  if (result.Succeeded()) return result.output;
  const std::string reason = ReasonOf(result.errors, result.exitCode);
  if (result.stopped) throw RcloneError("stopped by the user", true);
  if (result.timedOut)
    throw RcloneError("rclone did not finish within " + std::to_string(timeLimit.count()) + " seconds" +
                          (result.errors.empty() ? std::string() : " (" + reason + ")"),
                      true);
  if (result.signal != 0) throw RcloneError("rclone ended by signal " + std::to_string(result.signal));
  throw RcloneError(reason);
}

std::string Rclone::Run(const std::vector<std::string>& arguments, std::chrono::seconds timeLimit, const Watch& watch,
                        const std::string& input) const {
  return Checked(Call(arguments, timeLimit, watch, input), timeLimit);
}

std::vector<std::string> Rclone::Remotes() const {
  std::vector<std::string> remotes;
  for (std::string line : SplitLines(Run({"listremotes"}, kShortCall, Watch()))) {
    line = Trim(line);
    if (!line.empty() && line.back() == ':') line.pop_back();
    if (!line.empty()) remotes.push_back(line);
  }
  return remotes;
}

void Rclone::CopyTo(const std::string& from, const std::string& to, std::chrono::seconds timeLimit,
                    const Watch& watch) const {
  // The caller checks the upload against its own hash of the file; rclone
  // hashing it a second time would compete with that for the processor.
  std::vector<std::string> args = {"copyto", from, to, "--ignore-checksum"};
  if (watch.bytes) {
    // Progress as JSON lines on the error output, once a second.
    for (const char* flag : {"--use-json-log", "--stats=1s", "--stats-log-level=NOTICE"}) args.push_back(flag);
  }
  Run(args, timeLimit, watch);
}

std::vector<std::string> Rclone::HashTypes(const std::string& remoteRoot) const {
  const std::string features = Run({"backend", "features", remoteRoot}, kShortCall, Watch());
  std::vector<std::string> types;
  const size_t list = features.find("\"Hashes\":");
  if (list == std::string::npos) return types;
  const size_t end = features.find(']', list);
  for (size_t at = features.find('"', list + 9); at < end; at = features.find('"', at + 1)) {
    const size_t close = features.find('"', at + 1);
    if (close == std::string::npos || close > end) break;
    types.push_back(features.substr(at + 1, close - at - 1));
    at = close;
  }
  return types;
}

std::string Rclone::Hash(const std::string& type, const std::string& path, bool download,
                         std::chrono::seconds timeLimit, const Watch& watch) const {
  std::vector<std::string> args = {"hashsum", type, path};
  if (download) args.push_back("--download");
  const std::string out = Run(args, timeLimit, watch);
  const std::string hash = Trim(out.substr(0, out.find(' ')));
  if (hash.empty() || hash == "UNSUPPORTED") throw RcloneError("no " + type + " hash of " + path);
  std::string lower;
  for (char c : hash) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

void Rclone::MoveTo(const std::string& from, const std::string& to) const {
  Run({"moveto", from, to}, kShortCall, Watch());
}

void Rclone::Delete(const std::string& path) const { Run({"deletefile", path}, kShortCall, Watch()); }

std::vector<RemoteEntry> Rclone::List(const std::string& folder) const {
  // Size first, then the name, which may hold any character but a line end.
  const ChildResult result =
      Call({"lsf", "--format=sp", "--separator=/", "--max-depth=1", folder}, kShortCall, Watch());
  std::vector<RemoteEntry> entries;
  if (result.started && result.exitCode == kRcloneDirectoryNotFound && result.signal == 0 && !result.timedOut)
    return entries;
  for (const std::string& line : SplitLines(Checked(result, kShortCall))) {
    const size_t slash = line.find('/');
    if (slash == std::string::npos) continue;
    RemoteEntry e;
    e.size = std::strtoll(line.substr(0, slash).c_str(), nullptr, 10);
    e.name = line.substr(slash + 1);
    e.isDirectory = !e.name.empty() && e.name.back() == '/';
    if (e.isDirectory) e.name.pop_back();
    if (!e.name.empty()) entries.push_back(e);
  }
  return entries;
}

std::string Rclone::Read(const std::string& path) const { return Run({"cat", path}, kShortCall, Watch()); }

void Rclone::Write(const std::string& path, const std::string& bytes) const {
  Run({"rcat", path}, kShortCall, Watch(), bytes);
}

}  // namespace orn
