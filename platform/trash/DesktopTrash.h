// The desktop's trash (the freedesktop.org trash, as file managers keep it)
// through Qt Core's QFile::moveToTrash, for DeleteFileAsAsked.
#pragma once

namespace orn {

// Lets DeleteFileAsAsked move files to the user's trash; called once when
// a program that may delete with undo starts.
void UseDesktopTrash();

}  // namespace orn
