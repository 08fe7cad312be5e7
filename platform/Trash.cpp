#include "Trash.h"

#include <atomic>
#include <cerrno>
#include <cstring>

#include "FileSystem.h"

namespace orn {

namespace {
constexpr char kNoTrash[] = "No trash for \"";
std::atomic<TrashMover> trashMover{nullptr};
}  // namespace

void SetTrashMover(TrashMover mover) { trashMover = mover; }

bool IsNoTrashNote(const std::string& text) { return text.rfind(kNoTrash, 0) == 0; }

DeleteOutcome DeleteFileAsAsked(const std::string& path, bool allowUndo) {
  DeleteOutcome outcome;
  if (!PathExists(path)) {
    outcome.deleted = true;
    return outcome;
  }
  const TrashMover mover = trashMover;
  if (allowUndo && mover && mover(path)) {
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
