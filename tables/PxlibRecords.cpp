#include "PxlibRecords.h"

extern "C" {
#include <paradox.h>
}
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>

#include "TableError.h"

namespace orn::paradox {

namespace {

// pxlib follows the decrypted block chain without bounds; a damaged table
// can make it read forever or crash. It therefore runs in a child process
// that hands the records back through a pipe and is ended after this long.
int readTimeoutMs = 10000;

void CollectError(pxdoc_t*, int, const char* message, void* data) {
  auto* errors = static_cast<std::string*>(data);
  if (!message) return;
  const std::string text = message;
  // The complaint about a table without a code page is harmless; a later,
  // real one must not hide behind it.
  if (errors->empty() || errors->find("encoding") != std::string::npos) *errors = text;
}

struct PxDocCloser {
  void operator()(pxdoc_t* doc) const {
    PX_close(doc);
    PX_delete(doc);
  }
};

// Reads the records in this process: 'R' and the records, or 'E' and why not.
std::string ReadInProcess(const std::string& fileName, int recordSize, int count) {
  std::string errors;
  pxdoc_t* raw = PX_new3(CollectError, nullptr, nullptr, nullptr, &errors);
  if (!raw) return "ECannot prepare to read the encrypted table";
  if (PX_open_file(raw, fileName.c_str()) < 0) {
    PX_delete(raw);
    return "ECannot read the encrypted table: " + errors;
  }
  std::unique_ptr<pxdoc_t, PxDocCloser> doc(raw);
  if (!errors.empty() && errors.find("encoding") == std::string::npos)
    return "EThe encrypted table is damaged: " + errors;
  if (PX_get_recordsize(doc.get()) != recordSize || PX_get_num_records(doc.get()) != count)
    return "EThe encrypted table does not read as its header describes it";
  std::string out = "R";
  std::string buffer(static_cast<std::size_t>(recordSize), '\0');
  for (int i = 0; i < count; ++i) {
    if (!PX_get_record(doc.get(), i, buffer.data()))
      return "ECannot read record " + std::to_string(i + 1) + " of the encrypted table";
    out += buffer;
  }
  return out;
}

void WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

}  // namespace

void SetPxlibReadTimeout(int milliseconds) { readTimeoutMs = milliseconds; }

std::vector<std::string> ReadRecordsThroughPxlib(const std::string& fileName, int recordSize, int count) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) throw TableError(fileName, "Cannot prepare to read the encrypted table");
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    throw TableError(fileName, "Cannot prepare to read the encrypted table");
  }
  if (child == 0) {
    ::close(fds[0]);
    WriteAll(fds[1], ReadInProcess(fileName, recordSize, count));
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string reply;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(readTimeoutMs);
  bool timedOut = false;
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd p{fds[0], POLLIN, 0};
    const int ready = ::poll(&p, 1, static_cast<int>(left.count()));
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) {
      timedOut = ready == 0;
      break;
    }
    char buf[65536];
    const ssize_t n = ::read(fds[0], buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    reply.append(buf, static_cast<std::size_t>(n));
  }
  ::close(fds[0]);
  if (timedOut) ::kill(child, SIGKILL);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (timedOut) throw TableError(fileName, "The encrypted table is damaged: reading it does not end");
  if (reply.empty()) throw TableError(fileName, "The encrypted table is damaged: it cannot be read");
  if (reply[0] != 'R') throw TableError(fileName, reply.substr(1));
  if (reply.size() != 1 + static_cast<std::size_t>(recordSize) * count)
    throw TableError(fileName, "The encrypted table could not be read whole");
  std::vector<std::string> records;
  for (int i = 0; i < count; ++i)
    records.push_back(reply.substr(1 + static_cast<std::size_t>(i) * recordSize, static_cast<std::size_t>(recordSize)));
  return records;
}

}  // namespace orn::paradox
