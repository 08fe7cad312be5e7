// Deleting a file the way the zip engine's HowToDelete asks: with undo
// allowed it goes to the user's trash, so that the user can take it back;
// otherwise, or where no trash can take it, it is removed for good. The
// trash itself is the desktop's (orn_trash, through Qt Core), installed by
// the programs that have one (UseDesktopTrash), so that the Qt-free core
// loads no part of Qt.
#pragma once

#include <string>

namespace orn {

struct DeleteOutcome {
  bool deleted = false;  // the file is gone from its place (or was not there)
  bool trashed = false;  // it went to the trash
  // Said when the trash was asked for and not used, or the file stays:
  // names the file and why.
  std::string note;
};

// Deletes `path`: into the trash when `allowUndo`, else removes it. A file
// that does not exist counts as deleted, with no note.
DeleteOutcome DeleteFileAsAsked(const std::string& path, bool allowUndo);

// True for the note of a file removed because no trash could take it: it
// tells what happened, it is no failure.
bool IsNoTrashNote(const std::string& text);

// Moves a file to the trash; false when the trash cannot take it. Set once,
// when a program starts; without one every file is removed, with the note.
using TrashMover = bool (*)(const std::string& path);
void SetTrashMover(TrashMover mover);

}  // namespace orn
