// Real remotes for the tests of the second copy off the machine: folders
// served by `rclone serve sftp` or `rclone serve webdav` on 127.0.0.1, and
// a configuration file naming them, which RCLONE_CONFIG points at while the
// configuration lives. Each server is started by the test and stopped with
// it.
#pragma once

#include <sys/types.h>

#include <string>

namespace orn::test {

// The rclone configuration of one test; RCLONE_CONFIG names it until it is
// destroyed.
class RcloneConfig {
 public:
  explicit RcloneConfig(const std::string& directory);
  ~RcloneConfig();
  RcloneConfig(const RcloneConfig&) = delete;
  RcloneConfig& operator=(const RcloneConfig&) = delete;

  // Adds a remote section; `password` is written obscured, as rclone keeps it.
  void AddSftp(const std::string& name, int port, const std::string& password);
  void AddWebdav(const std::string& name, int port, const std::string& password);
  // A remote of rclone's "local" type over a folder of this machine.
  void AddLocal(const std::string& name);
  const std::string& Path() const { return path_; }

 private:
  void Append(const std::string& text);
  std::string path_;
  std::string previous_;
  bool hadPrevious_ = false;
};

class ServedFolder {
 public:
  enum Kind { Sftp, Webdav };
  // Serves `folder` (user "u", password "secret"); `maxFileSize` > 0 lets
  // the server write no larger file, a full disk where no small file system
  // can be mounted.
  ServedFolder(Kind kind, const std::string& folder, const std::string& logDirectory, long maxFileSize = 0);
  ~ServedFolder();
  ServedFolder(const ServedFolder&) = delete;
  ServedFolder& operator=(const ServedFolder&) = delete;

  // True once the server answers on its port.
  bool Ready() const { return ready_; }
  int Port() const { return port_; }
  void Kill();
  void Pause();
  void Resume();
  // The server's own output, for a failing test's message.
  std::string Log() const;

 private:
  pid_t pid_ = -1;
  int port_ = 0;
  bool ready_ = false;
  std::string log_;
};

// A tmpfs of `kilobytes` mounted on `folder` (which must exist); false when
// the system does not let this process mount one.
bool MountSmallFileSystem(const std::string& folder, int kilobytes);
void Unmount(const std::string& folder);

}  // namespace orn::test
