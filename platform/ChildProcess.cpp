#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "FileSystem.h"

extern char** environ;

namespace orn {

namespace {

using Clock = std::chrono::steady_clock;

struct Pipe {
  int read = -1;
  int write = -1;
  bool Open() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    read = fds[0];
    write = fds[1];
    return true;
  }
  static void Close(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
  ~Pipe() {
    Close(read);
    Close(write);
  }
};

// Reads what is there; false at the end of the stream.
bool Drain(int& fd, std::string& into) {
  char buffer[16384];
  ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
  if (n <= 0) {
    Pipe::Close(fd);
    return false;
  }
  into.append(buffer, static_cast<size_t>(n));
  return true;
}

void RestOf(int& fd, std::string& into) {
  char buffer[16384];
  ssize_t n;
  while (fd >= 0 && ((n = ::read(fd, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR)))
    if (n > 0) into.append(buffer, static_cast<size_t>(n));
  Pipe::Close(fd);
}

void PassLines(std::string& pending, const std::function<void(const std::string&)>& onLine, bool flush) {
  size_t start = 0;
  for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
    if (onLine) onLine(pending.substr(start, end - start));
  pending.erase(0, start);
  if (flush && !pending.empty()) {
    if (onLine) onLine(pending);
    pending.clear();
  }
}

}  // namespace

std::string FindProgram(const std::string& program) {
  if (program.empty()) return {};
  if (program.find('/') != std::string::npos) return ::access(program.c_str(), X_OK) == 0 ? program : std::string();
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/local/bin:/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    // An empty part of PATH stands for the current folder.
    const std::string dir = end > start ? dirs.substr(start, end - start) : std::string(".");
    start = end + 1;
    const std::string candidate = JoinPath(dir, program);
    if (FileExists(candidate) && ::access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

ChildResult RunChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options) {
  ChildResult result;
  const std::string path = FindProgram(program);
  if (path.empty()) {
    result.startError = "\"" + program + "\" is not installed (not found on PATH)";
    return result;
  }

  Pipe in, out, err;
  const bool feedInput = !options.input.empty();
  if ((feedInput && !in.Open()) || !out.Open() || !err.Open()) {
    result.startError = std::string("cannot make a pipe: ") + std::strerror(errno);
    return result;
  }

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (feedInput)
    posix_spawn_file_actions_adddup2(&actions, in.read, 0);
  else
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out.write, 1);
  posix_spawn_file_actions_adddup2(&actions, err.write, 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Its own process group, so that stopping it reaches whatever it started;
  // default signal handling, whatever this process ignores.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGTERM);
  sigaddset(&defaults, SIGINT);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<std::string> argv0 = {program};
  argv0.insert(argv0.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& a : argv0) argv.push_back(a.data());
  argv.push_back(nullptr);

  pid_t pid = -1;
  const int spawned = ::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) {
    result.startError = "cannot run \"" + path + "\": " + std::strerror(spawned);
    return result;
  }
  result.started = true;
  Pipe::Close(in.read);
  Pipe::Close(out.write);
  Pipe::Close(err.write);
  if (feedInput) ::fcntl(in.write, F_SETFL, O_NONBLOCK);
  ::fcntl(out.read, F_SETFL, O_NONBLOCK);
  ::fcntl(err.read, F_SETFL, O_NONBLOCK);

  const Clock::time_point start = Clock::now();
  Clock::time_point killAt{};
  bool terminated = false;
  size_t inputDone = 0;
  std::string errorPending;
  int status = 0;
  bool reaped = false;
  while (!reaped) {
    pollfd fds[3];
    nfds_t count = 0;
    if (out.read >= 0) fds[count++] = {out.read, POLLIN, 0};
    if (err.read >= 0) fds[count++] = {err.read, POLLIN, 0};
    if (in.write >= 0) fds[count++] = {in.write, POLLOUT, 0};
    if (count > 0) {
      ::poll(fds, count, 100);
    } else {
      ::usleep(20 * 1000);
    }
    for (nfds_t i = 0; i < count; ++i) {
      if (fds[i].revents == 0) continue;
      if (fds[i].fd == out.read) {
        Drain(out.read, result.output);
      } else if (fds[i].fd == err.read) {
        const size_t before = result.errors.size();
        Drain(err.read, result.errors);
        errorPending.append(result.errors, before, std::string::npos);
        PassLines(errorPending, options.errorLine, err.read < 0);
      } else if (fds[i].fd == in.write) {
        ssize_t n = ::write(in.write, options.input.data() + inputDone, options.input.size() - inputDone);
        if (n > 0) inputDone += static_cast<size_t>(n);
        if ((n < 0 && errno != EAGAIN && errno != EINTR) || inputDone == options.input.size()) Pipe::Close(in.write);
      }
    }
    const pid_t done = ::waitpid(pid, &status, WNOHANG);
    if (done == pid) {
      reaped = true;
      break;
    }
    if (!terminated) {
      const bool late = options.timeLimit.count() > 0 && Clock::now() - start > options.timeLimit;
      const bool stop = !late && options.stop && options.stop();
      if (late || stop) {
        result.timedOut = late;
        result.stopped = stop;
        ::kill(-pid, SIGTERM);
        terminated = true;
        killAt = Clock::now() + std::chrono::seconds(2);
      }
    } else if (Clock::now() > killAt) {
      ::kill(-pid, SIGKILL);
      killAt = Clock::time_point::max();
    }
  }
  // What was written before the end is still in the pipes; a program it
  // left running may hold them open, so only what is there is read.
  RestOf(out.read, result.output);
  const size_t before = result.errors.size();
  RestOf(err.read, result.errors);
  errorPending.append(result.errors, before, std::string::npos);
  PassLines(errorPending, options.errorLine, true);
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  return result;
}

}  // namespace orn
