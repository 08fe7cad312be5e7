#include "SafeFolder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "FileSystem.h"

namespace orn {

SafeFolder::SafeFolder(const std::string& base) {
  const std::string path = base.empty() ? std::string(".") : base;
  if (!DirectoryExists(path) && !ForceDirectories(path)) {
    error_ = std::strerror(errno);
    return;
  }
  base_ = UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!base_) error_ = std::strerror(errno);
}

SafeFolder::Status SafeFolder::Open(const std::string& relDir, bool create, std::shared_ptr<UniqueFd>& out,
                                    std::string& error) {
  if (cached_ && relDir == cachedPath_) {
    out = cached_;
    return Status::Ok;
  }
  UniqueFd cur(::dup(base_.Get()));
  std::size_t i = 0;
  while (i < relDir.size()) {
    std::size_t j = relDir.find('/', i);
    if (j == std::string::npos) j = relDir.size();
    const std::string part = relDir.substr(i, j - i);
    int fd = ::openat(cur.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0 && errno == ENOENT && create) {
      if (::mkdirat(cur.Get(), part.c_str(), 0777) != 0 && errno != EEXIST) {
        error = std::strerror(errno);
        return Status::Failed;
      }
      fd = ::openat(cur.Get(), part.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    }
    if (fd < 0) {
      if (errno == ELOOP || errno == ENOTDIR) {
        struct stat st {};
        if (::fstatat(cur.Get(), part.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
          return Status::Unsafe;
      }
      error = std::strerror(errno);
      return Status::Failed;
    }
    cur = UniqueFd(fd);
    i = j + 1;
  }
  cached_ = std::make_shared<UniqueFd>(std::move(cur));
  cachedPath_ = relDir;
  out = cached_;
  return Status::Ok;
}

UniqueFd CreateTemporaryBeside(int dirFd, const std::string& leaf, std::string& tempLeaf) {
  UniqueFd out;
  for (int attempt = 0; attempt < 16 && !out; ++attempt) {
    // Long names are cut so that the prefix still fits the name limit.
    tempLeaf = ExtractFileName(TemporaryNameBeside(leaf.substr(0, 200)));
    out = UniqueFd(::openat(dirFd, tempLeaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
    if (!out && errno != EEXIST) break;
  }
  return out;
}

}  // namespace orn
