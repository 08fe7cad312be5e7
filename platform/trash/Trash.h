// Deleting a file the way the zip engine's HowToDelete asks: with undo
// allowed it goes to the user's trash (the freedesktop.org trash, as file
// managers keep it, through Qt Core's QFile::moveToTrash), so that the user
// can take it back; otherwise, or where the file system has no trash the
// program may use, it is removed for good. The interface is plain C++, so
// that the Qt-free core can call it.
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

}  // namespace orn
