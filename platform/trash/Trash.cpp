#include "Trash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>
#include <cerrno>
#include <cstring>

#include "FileSystem.h"

namespace orn {

namespace {
constexpr char kNoTrash[] = "No trash for \"";

// Qt makes the user's trash folder but not the data folder above it, and
// where it can make neither it moves the file into "files" under the current
// folder, where nobody would look for it. The trash is made ready here first
// and not used when it cannot be.
bool UserTrashReady() {
  const QString dataHome = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation);
  if (dataHome.isEmpty()) return false;
  const QString trash = dataHome + "/Trash";
  if (QFileInfo(trash).isDir()) return true;
  if (!QDir().mkpath(trash)) return false;
  QFile::setPermissions(trash, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
  return true;
}
}  // namespace

bool IsNoTrashNote(const std::string& text) { return text.rfind(kNoTrash, 0) == 0; }

DeleteOutcome DeleteFileAsAsked(const std::string& path, bool allowUndo) {
  DeleteOutcome outcome;
  if (!PathExists(path)) {
    outcome.deleted = true;
    return outcome;
  }
  if (allowUndo && UserTrashReady() && QFile::moveToTrash(QString::fromStdString(path))) {
    outcome.deleted = outcome.trashed = true;
    return outcome;
  }
  if (DeleteFileAt(path)) {
    outcome.deleted = true;
    if (allowUndo) outcome.note = kNoTrash + path + "\" on its file system: removed for good";
    return outcome;
  }
  outcome.note = "Cannot delete \"" + path + "\": " + std::strerror(errno);
  return outcome;
}

}  // namespace orn
