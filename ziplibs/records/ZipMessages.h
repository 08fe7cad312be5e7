// The zip engine's message resource: a text for every identifier it reports
// (10101 to 11051), and the fallback for an identifier without one; and the
// decompression library's texts (12001 on), which the library says in
// English and the engine says again in the program's language.
#pragma once

#include <string>
#include <vector>

namespace orn {

// Every identifier the engine, its spanning and its self-extractor report,
// by name; code never writes the numbers.
enum ZipMsg : int {
  kZipAddException = 10101,
  kZipNoArchive = 10102,
  kZipOutOfMemory = 10103,
  kZipPasswordsDiffer = 10104,
  kZipCopying = 10105,
  kZipAddPasswordUnattended = 10150,
  kZipExtractPasswordUnattended = 10151,
  kZipPwdOk = 10152,
  kZipPwdCancel = 10153,
  kZipPwdCaption = 10154,
  kZipPwdPrompt = 10155,
  kZipPwdConfirm = 10156,
  kZipPwdWrong = 10157,
  kZipDirReadError = 10201,
  kZipListException = 10202,
  kZipDirShifted = 10203,
  kZipTrailingData = 10204,
  kZipNothingToAdd = 10301,
  kZipEncryptNoPassword = 10302,
  kZipSpanWithUpdate = 10303,
  kZipSfxCreateFailed = 10304,
  kZipTooLarge = 10305,
  kZipExtractException = 10501,
  kZipExtractNoPassword = 10502,
  kZipLibTooOld = 10503,
  kZipUnsafeEntry = 10504,
  kZipNoMatch = 10505,
  // Why an entry was skipped, as the engine tells it.
  kZipSkipNotNewer = 10510,
  kZipSkipExists = 10511,
  kZipSkipWrongPassword = 10512,
  kZipSkipNoPassword = 10513,
  kZipSkipStrongEncryption = 10514,
  kZipSkipAesMethod = 10515,
  kZipSkipMethodNamed = 10516,
  kZipSkipMethod = 10517,
  kZipSkipUnknownHost = 10518,
  kZipSkipDamaged = 10519,
  kZipSkipNotWritten = 10520,
  kZipSkipUnsafe = 10521,
  kZipSkipUnsafeBecause = 10522,
  kZipSkipped = 10523,
  kZipZipLibTrace = 10601,
  kZipZipLibNoExec = 10602,
  kZipZipLibNoVersion = 10603,
  kZipZipLibLoadFailed = 10604,
  kZipUnzLibTrace = 10701,
  kZipUnzLibNoExec = 10702,
  kZipUnzLibNoVersion = 10703,
  kZipUnzLibLoadFailed = 10704,
  kZipSfxTextsTooLong = 10801,
  kZipSfxNoStub = 10802,
  kZipSfxNotZip = 10803,
  kZipOpenRaised = 11001,
  kZipOpenReported = 11002,
  kZipBadDrive = 11003,
  kZipDriveAbsent = 11004,
  kZipLabelNotSet = 11005,
  kZipDiskQuestionFailed = 11006,
  kZipAborted = 11007,
  kZipSeekError = 11008,
  kZipCreateError = 11009,
  kZipWriteError = 11010,
  kZipReadError = 11011,
  kZipLocalHeaderError = 11012,
  kZipCentralHeaderError = 11013,
  kZipLocalSignature = 11014,
  kZipCentralSignature = 11015,
  kZipLocalNameError = 11016,
  kZipCentralNameError = 11017,
  kZipLocalExtraError = 11018,
  kZipCentralExtraError = 11019,
  kZipDescriptorError = 11020,
  kZipDataError = 11021,
  kZipCommentError = 11022,
  kZipArchiveCommentError = 11023,
  kZipSpanException = 11024,
  kZipDiskUnattended = 11025,
  kZipNoLocalEntry = 11026,
  kZipNoTempName = 11027,
  kZipWriteLocalError = 11028,
  kZipWriteCentralError = 11029,
  kZipWriteEndError = 11030,
  kZipSpanMarkerMissing = 11031,
  kZipNoRoom = 11032,
  kZipInsertLastDisk = 11033,
  kZipInsertDiskOf = 11034,
  kZipInDrive = 11035,
  kZipNotAnArchive = 11036,
  kZipFirstVolume = 11037,
  kZipVolumeN = 11038,
  kZipOverwriteFile = 11039,
  kZipOverwriteDisk = 11040,
  kZipSpanToExe = 11041,
  kZipSfxStubCopy = 11042,
  kZipSfxHeaderWrite = 11043,
  kZipSfxArchiveCopy = 11044,
  kZipMiddleVolume = 11045,
  kZipInsertDisk = 11046,
  kZipDirectoryName = 11047,
  kZipOverlappingEntries = 11048,
  kZipMoreEntries = 11049,
  kZipEmptyName = 11050,
  kZipRemoveToMakeRoom = 11051,
  // The decompression library's texts; "%1", "%2" stand for the entry, the
  // archive or the system's reason, in that order in the English.
  kUnzWrongPasswordSkipped = 12001,
  kUnzNoPasswordSkipped = 12002,
  kUnzWrongPassword = 12003,
  kUnzWrongPasswordOrDamaged = 12004,
  kUnzDamagedData = 12005,
  kUnzSizesDiffer = 12006,
  kUnzDataTooLong = 12007,
  kUnzDataTooShort = 12008,
  kUnzDamagedEncrypted = 12009,
  kUnzDamagedAes = 12010,
  kUnzEndsEarly = 12011,
  kUnzNoLocalHeader = 12012,
  kUnzUnsafeName = 12013,
  kUnzMethodUnsupported = 12014,
  kUnzUnknownEncryption = 12015,
  kUnzAesNoExtra = 12016,
  kUnzLinkOnTheWay = 12017,
  kUnzTargetIsLink = 12018,
  kUnzNotAFileInTheWay = 12019,
  kUnzCrcError = 12020,
  kUnzDiskFull = 12021,
  kUnzCannotOpen = 12022,
};

// The text of `ident`: the program's own translation when it gives one,
// else the built-in English; the missing-text form when there is neither.
std::string ZipMessageText(int ident);
// Where the program finds translations (empty answer: none for that
// identifier). The compression libraries never set one: their copies of
// these texts stay English.
using ZipTextSource = std::string (*)(int ident);
void SetZipMessageTexts(ZipTextSource source);
// True when the resource has a text for `ident`.
bool HasZipMessageText(int ident);
// The text with `value` put in place of its first "%d", "%.1d" or "%s"
// (appended after a blank when the text has none).
std::string FormatZipMessage(const std::string& text, const std::string& value);

// A decompression library's text in English, "%1", "%2" ... filled with
// `args`: what the library sends through the callback.
std::string LibraryMessage(ZipMsg ident, const std::vector<std::string>& args);
// A text the library sent, in the program's language when it is one of the
// library's texts and the program has a translation for it; else unchanged.
std::string TranslateLibraryMessage(const std::string& text);

}  // namespace orn
