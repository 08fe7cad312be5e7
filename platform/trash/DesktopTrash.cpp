#include "DesktopTrash.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QString>

#include "Trash.h"

namespace orn {

namespace {
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

bool MoveToDesktopTrash(const std::string& path) {
  return UserTrashReady() && QFile::moveToTrash(QString::fromStdString(path));
}
}  // namespace

void UseDesktopTrash() { SetTrashMover(&MoveToDesktopTrash); }

}  // namespace orn
