// Places off the machine, reached through rclone (a separate program the
// user configures for SFTP, WebDAV, object stores, encrypted remotes ...).
// A place is written "NAME:path", NAME being a remote of the user's rclone
// configuration as `rclone listremotes` prints it (without the colon). Every
// call runs rclone once and waits for it; a failure throws RcloneError with
// rclone's own reason.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace orn {

struct ChildResult;

// True for "NAME:path" with a NAME of two or more characters: letters,
// digits, "_", "-", ".", "+", "@" and inner blanks, as rclone allows. A
// single letter before the colon is a drive ("D:\Arh"), and a path that
// starts with "/" or "." is a folder.
bool IsRemotePath(const std::string& text);
// "NAME" of "NAME:path"; empty when `text` is no remote path.
std::string RemoteNameOf(const std::string& text);
// `dir` + `name`: "NAME:" + "a.zip" -> "NAME:a.zip", "NAME:d/" + "a.zip" ->
// "NAME:d/a.zip"; a "/" is put between when `dir` ends in neither.
std::string RemoteJoin(const std::string& dir, const std::string& name);
// The folder part of a remote file's path ("NAME:d/a.zip" -> "NAME:d/").
std::string RemoteFolderOf(const std::string& path);
// The file name part ("NAME:d/a.zip" -> "a.zip").
std::string RemoteFileName(const std::string& path);

class RcloneError : public std::runtime_error {
 public:
  // `unanswered`: the call was ended because the remote did not answer in
  // time or the person stopped it, so further calls would wait as long.
  explicit RcloneError(const std::string& what, bool unanswered = false)
      : std::runtime_error(what), unanswered_(unanswered) {}
  bool Unanswered() const { return unanswered_; }

 private:
  bool unanswered_;
};

struct RemoteEntry {
  std::string name;
  std::int64_t size = 0;
  bool isDirectory = false;
};

class Rclone {
 public:
  // `program` is looked for on PATH unless it names a file.
  explicit Rclone(std::string program = DefaultProgram());

  // "rclone", or the program named by the environment variable ORN_RCLONE.
  static std::string DefaultProgram();

  // Empty when rclone can be run; otherwise a sentence saying it is not
  // installed.
  std::string Missing() const;

  // The remotes of the user's configuration, without their colons.
  std::vector<std::string> Remotes() const;

  // How rclone calls are ended: `stop` is asked several times a second
  // (true ends the call), `bytes` hears how far an upload has come.
  struct Watch {
    std::function<bool()> stop;
    std::function<void(std::int64_t bytes)> bytes;
  };

  // Uploads the local file `from` as the remote file `to`, unchecked: the
  // caller checks it (Hash). Ends it after `timeLimit` (zero: none).
  void CopyTo(const std::string& from, const std::string& to, std::chrono::seconds timeLimit,
              const Watch& watch = Watch()) const;
  // The hash types the remote can answer without downloading ("md5", "sha1").
  std::vector<std::string> HashTypes(const std::string& remoteRoot) const;
  // The hash of a remote file in lower-case hex. With `download` rclone reads
  // the file back and hashes what it received, for remotes that keep no
  // hashes (an encrypted one, plain WebDAV).
  std::string Hash(const std::string& type, const std::string& path, bool download, std::chrono::seconds timeLimit,
                   const Watch& watch = Watch()) const;
  // Renames a remote file on the remote; a file of that name is replaced.
  void MoveTo(const std::string& from, const std::string& to) const;
  void Delete(const std::string& path) const;
  // The entries of a remote folder; empty when the folder does not exist.
  std::vector<RemoteEntry> List(const std::string& folder) const;
  std::string Read(const std::string& path) const;
  void Write(const std::string& path, const std::string& bytes) const;

  // The reason rclone gave in its error output, without the time stamps;
  // "rclone ended with status N" when it gave none. Exposed for tests.
  static std::string ReasonOf(const std::string& errorOutput, int exitCode);

 private:
  ChildResult Call(const std::vector<std::string>& arguments, std::chrono::seconds timeLimit, const Watch& watch,
                   const std::string& input = std::string()) const;
  static std::string Checked(const ChildResult& result, std::chrono::seconds timeLimit);
  std::string Run(const std::vector<std::string>& arguments, std::chrono::seconds timeLimit, const Watch& watch,
                  const std::string& input = std::string()) const;

  std::string program_;
};

}  // namespace orn
