// The rules by which the main window's fields change a job. They live here,
// apart from the widgets, so that they read as the rules they are and can be
// checked without a window.
#pragma once

#include <optional>
#include <string>

#include "Job.h"

namespace orn {

// Archive name while typing: everything from the first '.' on is dropped.
std::string ArchiveNameWhileTyping(const std::string& text);
// Archive name on leaving the field: parentheses are reserved for archive
// tags, so '(' becomes '[' and ')' becomes ']'.
std::string ArchiveNameOnExit(const std::string& text);

// The volume size field ("1.44", MB with '.' as decimal separator) in
// thousands of bytes; nothing when the text does not read as a number or the
// size is below 100 (volumes are then turned off).
std::optional<int> VolumeSizeFromField(const std::string& text);
// The volume size as the field shows it: the size divided by 1000 ("1.4").
std::string VolumeSizeFieldText(int volumeSize);

// The volume size menu: its field text and size. "1.44 MB (FDD)" stands for
// 1.36 MB, the room a formatted floppy really has.
struct VolumeChoice {
  const char* caption;
  const char* fieldText;
  int volumeSize;
};
const VolumeChoice* VolumeChoices(int* count);

// Applies a volume size field to the job: on a good size volumes stay as the
// check box set them and take the size; otherwise volumes are turned off.
void ApplyVolumeSizeField(Job& job, const std::string& text);

// A directory field: what was typed, ending in a delimiter unless empty.
// An rclone remote's root ("NAME:") stays as it is: "NAME:/" would be
// another folder on most remotes.
std::string DirectoryField(const std::string& text);
// The job as the window holds it after reading its file: both directories
// end in a delimiter, the archive name carries no extension.
void TidyJobFields(Job& job);

// New job (the "New" command and the "NEW" command line command): the
// directories, names, register and list are cleared, both schemes 'N'.
void ClearJobForNew(Job& job);

}  // namespace orn
