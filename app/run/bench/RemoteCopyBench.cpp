// Sends one file as the archive run sends its second copy to a remote (up
// under a temporary name, checked, renamed into place), and nothing else,
// so that the benchmark times the upload and its check alone.
// Usage: remote_copy_bench FILE NAME:path LOGDIR
#include <cstdio>
#include <string>

#include "FileSystem.h"
#include "MessageLog.h"
#include "RemoteCopy.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: remote_copy_bench FILE NAME:path LOGDIR\n", stderr);
    return 2;
  }
  orn::MessageTexts texts;
  orn::MessageLog log(texts, orn::IncludeTrailingDelimiter(argv[3]), false);
  if (!orn::PlaceRemoteCopy({{argv[1], argv[2], {}}}, false, orn::Rclone(), log)) {
    std::fprintf(stderr, "remote_copy_bench: the copy failed, see %s\n", argv[3]);
    return 1;
  }
  return 0;
}
