// The names an archive run gives its files: rotation and plus suffixes per
// scheme, the dated unique suffix, archive tags and tagged copy names, the
// unique-save decision and where the temporary directory lies. All pure
// functions of their arguments, so that each scheme can be checked on any date.
#pragma once

#include <optional>
#include <string>

#include "DateTime.h"

namespace orn {

constexpr const char* kTemporaryDirectoryName = "OrnZpArh_Temporary_Directory";
constexpr const char* kLogFileName = "ZuzIzu_log.txt";

// Monday = 1 ... Sunday = 7.
int IsoWeekday(DateTime date);

// Suffix of the temporary archive (and so of the generation): ".zip" for 'N',
// "(Day_3-th).zip" for 'W', "(Day_5of_month).zip" for 'M',
// "(Day_5of_month_12).zip" for 'Y'. Unknown letters count as 'N'.
std::string RotationSuffix(char rotationScheme, DateTime date);
// Suffix of the second copy: as the rotation suffix, except that 'N' still
// rotates by weekday.
std::string PlusSuffix(char rotationScheme, DateTime date);
// "(DATE=7,12,2026).zip".
std::string UniqueSuffix(DateTime date);

// Whether today's run makes a unique save under the unique-save scheme,
// given the last archiving date (0 = never). Returns the new last archiving
// date when it does.
std::optional<DateTime> DecideUniqueSave(char uniqueScheme, DateTime today, DateTime lastArchivingDate);

// The part of a file name from its first "(" to the first ")" after it,
// inclusive; empty when there is none.
std::string ArchiveTag(const std::string& fileName);
// The name a file of the temporary directory gets in a tagged copy: its own
// tag replaced by `tag`, or `tag` inserted before the extension, or, for the
// volumes of a set, before the three-digit volume number. Digits that merely
// end an archive name ("Buh2025.zip") are not taken for a volume number.
std::string TaggedName(const std::string& fileName, const std::string& tag, bool volumeSet);
// The three digits before the first '.' of `fileName` as a number, as the
// volumes of a spanned set carry them ("Buh002.zip" -> 2).
std::optional<int> VolumeNumber(const std::string& fileName);
// `fileName` (a volume's name) with its volume number replaced by `number`.
std::string WithVolumeNumber(const std::string& fileName, int number);

// The temporary directory (with trailing delimiter), in ProgramWorkParentDir():
// beside the program when it runs from a writable, not installed folder,
// otherwise in the user's cache directory ($XDG_CACHE_HOME, else ~/.cache).
std::string DefaultTemporaryDirectory();

// The log of the runs whose archive directory cannot take it (none set, not
// made, read-only, or its log is not a plain file):
// $XDG_STATE_HOME/archivator/ZuzIzu_log.txt, else
// ~/.local/state/archivator/ZuzIzu_log.txt.
std::string UserLogPath();

}  // namespace orn
