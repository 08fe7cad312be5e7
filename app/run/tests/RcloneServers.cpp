#include "RcloneServers.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

#include "ChildProcess.h"
#include "TextUtil.h"

namespace orn::test {

namespace {

constexpr char kPassword[] = "secret";

int FreePort() {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof addr;
  int port = 0;
  if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
      ::getsockname(s, reinterpret_cast<sockaddr*>(&addr), &length) == 0)
    port = ntohs(addr.sin_port);
  ::close(s);
  return port;
}

bool Answers(int port) {
  int s = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = htons(static_cast<uint16_t>(port));
  const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
  ::close(s);
  return ok;
}

std::string Obscured(const std::string& password) {
  ChildResult r = RunChild("rclone", {"obscure", password});
  return Trim(r.output);
}

}  // namespace

RcloneConfig::RcloneConfig(const std::string& directory) : path_(directory + "rclone.conf") {
  std::ofstream(path_).flush();
  const char* previous = std::getenv("RCLONE_CONFIG");
  hadPrevious_ = previous != nullptr;
  previous_ = previous ? previous : "";
  ::setenv("RCLONE_CONFIG", path_.c_str(), 1);
}

RcloneConfig::~RcloneConfig() {
  if (hadPrevious_)
    ::setenv("RCLONE_CONFIG", previous_.c_str(), 1);
  else
    ::unsetenv("RCLONE_CONFIG");
}

void RcloneConfig::Append(const std::string& text) { std::ofstream(path_, std::ios::app) << text; }

void RcloneConfig::AddSftp(const std::string& name, int port, const std::string& password) {
  Append("[" + name + "]\ntype = sftp\nhost = 127.0.0.1\nport = " + std::to_string(port) +
         "\nuser = u\npass = " + Obscured(password) + "\n\n");
}

void RcloneConfig::AddWebdav(const std::string& name, int port, const std::string& password) {
  Append("[" + name + "]\ntype = webdav\nurl = http://127.0.0.1:" + std::to_string(port) +
         "/\nvendor = other\nuser = u\npass = " + Obscured(password) + "\n\n");
}

void RcloneConfig::AddLocal(const std::string& name) { Append("[" + name + "]\ntype = local\n\n"); }

ServedFolder::ServedFolder(Kind kind, const std::string& folder, const std::string& logDirectory, long maxFileSize)
    : port_(FreePort()), log_(logDirectory + "serve-" + std::to_string(port_) + ".log") {
  const std::string cache = logDirectory + "rclone-cache";
  const std::string address = "127.0.0.1:" + std::to_string(port_);
  pid_ = ::fork();
  if (pid_ == 0) {
    ::setpgid(0, 0);
    int fd = ::open(log_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(fd, 1);
    ::dup2(fd, 2);
    if (maxFileSize > 0) {
      rlimit limit{static_cast<rlim_t>(maxFileSize), static_cast<rlim_t>(maxFileSize)};
      ::setrlimit(RLIMIT_FSIZE, &limit);
      ::signal(SIGXFSZ, SIG_IGN);
    }
    // The server's host key goes to the test's folder, not the user's cache.
    ::setenv("RCLONE_CACHE_DIR", cache.c_str(), 1);
    ::execlp("rclone", "rclone", "serve", kind == Sftp ? "sftp" : "webdav", folder.c_str(), "--addr", address.c_str(),
             "--user", "u", "--pass", kPassword, static_cast<char*>(nullptr));
    ::_exit(127);
  }
  for (int i = 0; i < 200 && pid_ > 0; ++i) {
    if (Answers(port_)) {
      ready_ = true;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
}

ServedFolder::~ServedFolder() { Kill(); }

void ServedFolder::Kill() {
  if (pid_ <= 0) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  ::waitpid(pid_, nullptr, 0);
  pid_ = -1;
}

void ServedFolder::Pause() {
  if (pid_ > 0) ::kill(pid_, SIGSTOP);
}

void ServedFolder::Resume() {
  if (pid_ > 0) ::kill(pid_, SIGCONT);
}

std::string ServedFolder::Log() const {
  std::ifstream in(log_);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool MountSmallFileSystem(const std::string& folder, int kilobytes) {
  const std::string options = "size=" + std::to_string(kilobytes) + "k";
  return ::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

void Unmount(const std::string& folder) { ::umount2(folder.c_str(), MNT_DETACH); }

}  // namespace orn::test
