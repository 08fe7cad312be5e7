// The directory reader. The end record is looked for in the last 22 bytes
// first (an archive without comment), and only then in the last 65557 bytes,
// which cover the largest possible comment. The directory is then read with
// one positioned read and decoded in memory, so that a directory of many
// thousand entries costs three system calls.
#include "ZipDirReader.h"

#include <algorithm>
#include <cctype>
#include <iterator>

#include "ByteCursor.h"
#include "CodePage.h"
#include "FileSystem.h"
#include "ZipHeaders.h"
#include "ZipMessages.h"

namespace orn {
namespace {

// Decodes the fixed 22 bytes of an end record whose signature was checked.
void DecodeEndRecord(std::string_view bytes, ZipEndRecord& end) {
  ByteCursor c(bytes);
  c.U32();
  end.thisDisk = c.U16();
  end.directoryDisk = c.U16();
  end.entriesOnDisk = c.U16();
  end.totalEntries = c.U16();
  end.directorySize = c.U32();
  end.directoryOffset = c.U32();
  end.commentLength = c.U16();
}

std::uint32_t Signature(std::string_view bytes) {
  ByteCursor c(bytes);
  return c.U32();
}

// Sizes and offset from a Zip64 extended-information extra field; each is
// present only when its 32-bit field holds the placeholder.
void ApplyZip64Extra(ZipDirEntry& e) {
  std::string_view data;
  if (!FindExtraBlock(e.Extra, kExtraZip64, data)) return;
  ByteCursor f(data);
  if (e.UnpackedSize == kMax32) e.UnpackedSize64 = f.U64();
  if (e.PackedSize == kMax32 && f.Ok()) e.PackedSize64 = f.U64();
  if (e.LocalHeaderOffset == kMax32 && f.Ok()) e.LocalHeaderOffset64 = f.U64();
}

std::string EntryPlace(std::uint64_t seq) { return " (entry " + std::to_string(seq) + ")"; }

// Decodes the central header at the cursor, which the caller checked holds
// its fixed part and signature, with its raw name, extra field and comment;
// the name is decoded later, once the archive's code pages are known.
void DecodeCentralHeader(ByteCursor& c, std::uint64_t seq, ZipDirEntry& e) {
  ByteCursor h(c.Bytes(kCentralHeaderSize));
  h.U32();
  e.VersionMadeBy = h.U8();
  e.HostSystem = h.U8();
  e.VersionNeeded = h.U16();
  e.GeneralFlags = h.U16();
  e.Method = h.U16();
  e.ModTime = h.U16();
  e.ModDate = h.U16();
  e.Crc32 = h.U32();
  e.PackedSize = h.U32();
  e.UnpackedSize = h.U32();
  e.NameLength = h.U16();
  e.ExtraLength = h.U16();
  e.CommentLength = h.U16();
  e.DiskStart = h.U16();
  e.InternalAttr = h.U16();
  e.ExternalAttr = h.U32();
  e.LocalHeaderOffset = h.U32();

  const std::string_view name = c.Bytes(e.NameLength);
  if (!c.Ok()) throw EZipEngine(kZipCentralNameError, ZipMessageText(kZipCentralNameError) + EntryPlace(seq), true);
  const std::string_view extra = c.Bytes(e.ExtraLength);
  if (!c.Ok()) throw EZipEngine(kZipDirReadError, ZipMessageText(kZipDirReadError) + EntryPlace(seq), true);
  const std::string_view comment = c.Bytes(e.CommentLength);
  if (!c.Ok()) throw EZipEngine(kZipCommentError, ZipMessageText(kZipCommentError) + EntryPlace(seq), true);

  e.RawName.assign(name);
  e.IsEncrypted = (e.GeneralFlags & kFlagEncrypted) != 0;
  e.Extra.assign(extra);
  e.RawComment.assign(comment);
  e.UnpackedSize64 = e.UnpackedSize;
  e.PackedSize64 = e.PackedSize;
  e.LocalHeaderOffset64 = e.LocalHeaderOffset;
  if (!e.Extra.empty()) ApplyZip64Extra(e);
  e.LocalHeaderPosition = e.LocalHeaderOffset64;
}

// The decoded name and comment, and the one decision where the entry may
// be written. A folder that a DOS-family tool stored without the trailing
// "/" (its folder attribute set, no data) gets it, as its writer meant.
void DecodeNames(ZipDirEntry& e, const NameDecoding& names) {
  e.Name = DecodeEntryName(e.RawName, e.GeneralFlags, e.VersionMadeBy, e.HostSystem, names);
  if (!e.RawComment.empty())
    e.Comment = DecodeEntryText(e.RawComment, e.GeneralFlags, e.VersionMadeBy, e.HostSystem, names);
  const std::uint32_t unixType = (e.ExternalAttr >> 16) & kUnixTypeMask;
  if (!e.Name.empty() && e.Name.back() != '/' && (e.ExternalAttr & kDosDirectory) && e.UnpackedSize64 == 0 &&
      (unixType == 0 || unixType == kUnixDirectory))
    e.Name += '/';
  e.Target = CheckEntryName(e.Name, true);
}

// Pages beyond the detector's answer to try for names that do not read as
// meant in the configured ones: the OEM and ANSI pages of the languages this
// program speaks (Latvian, Russian, English).
constexpr int kOemCandidates[] = {775, 866, 850};
constexpr int kAnsiCandidates[] = {1257, 1251, 1252};
// Names looked at to judge a page; an archive of many thousands is judged by
// this many, spread over it.
constexpr std::size_t kNamesJudged = 2000;

// True when at least four in five of `names` read as meant in `codePage`.
bool MostlyLikely(const std::vector<const std::string*>& names, int codePage) {
  std::size_t likely = 0;
  for (const std::string* raw : names)
    if (LikelyName(ToUtf8(*raw, codePage), codePage)) ++likely;
  return likely * 5 >= names.size() * 4;
}

// The page `names` (stored bytes) were written in: `configured` when they
// read as meant in it, else the detector's answer or a candidate that does.
int PageOfNames(const std::vector<const std::string*>& names, int configured, const NameDecoding& decoding,
                const int* candidates, std::size_t candidateCount) {
  if (names.empty() || MostlyLikely(names, configured)) return configured;
  std::vector<int> pages;
  if (decoding.detector) {
    std::string bytes;
    for (const std::string* raw : names) (bytes += *raw) += '\n';
    if (const int detected = decoding.detector(bytes); detected > 0) pages.push_back(detected);
  }
  pages.insert(pages.end(), candidates, candidates + candidateCount);
  for (int page : pages)
    if (page != configured && MostlyLikely(names, page)) return page;
  return configured;
}

// The archive's decoding: the configured pages, or, when asked to detect,
// the pages its names read as meant in.
NameDecoding DecideNamePages(const std::vector<ZipDirEntry>& entries, const NameDecoding& configured) {
  NameDecoding decided = configured;
  if (!configured.detect || configured.chosenCodePage != 0) return decided;
  std::vector<const std::string*> oem, ansi;
  std::size_t nonAscii = 0;
  for (const ZipDirEntry& e : entries)
    if (!IsPlainAscii(e.RawName)) ++nonAscii;
  if (nonAscii == 0) return decided;
  const std::size_t step = std::max<std::size_t>(1, nonAscii / kNamesJudged);
  std::size_t seen = 0;
  for (const ZipDirEntry& e : entries) {
    if (IsPlainAscii(e.RawName) || seen++ % step != 0) continue;
    switch (KindOfName(e.RawName, e.GeneralFlags, e.VersionMadeBy, e.HostSystem, configured)) {
      case NameKind::Oem:
        oem.push_back(&e.RawName);
        break;
      case NameKind::Ansi:
        ansi.push_back(&e.RawName);
        break;
      default:
        break;
    }
  }
  decided.oemCodePage = PageOfNames(oem, configured.oemCodePage, configured, kOemCandidates, std::size(kOemCandidates));
  decided.ansiCodePage =
      PageOfNames(ansi, configured.ansiCodePage, configured, kAnsiCandidates, std::size(kAnsiCandidates));
  decided.detect = false;
  return decided;
}

// The cursor stands at a central header; raises the failure that describes
// a header that is not there whole.
void CheckHeaderAt(const ByteCursor& c, std::string_view dir, std::uint64_t seq, std::uint64_t dirPosition) {
  const std::size_t at = c.Offset();
  if (dir.size() - at < kCentralHeaderSize) {
    if (dir.size() - at >= 4 && ByteCursor(dir.substr(at, 4)).U32() != kCentralHeaderSig)
      throw EZipEngine(kZipCentralSignature, ZipMessageText(kZipCentralSignature) + EntryPlace(seq), true);
    throw EZipEngine(kZipCentralHeaderError, ZipMessageText(kZipCentralHeaderError) + EntryPlace(seq), true);
  }
  if (ByteCursor(dir.substr(at, 4)).U32() != kCentralHeaderSig)
    throw EZipEngine(kZipCentralSignature,
                     ZipMessageText(kZipCentralSignature) + " (entry " + std::to_string(seq) + ", offset " +
                         std::to_string(dirPosition + at) + ")",
                     true);
}

// The least that an entry occupies: its local header and its packed data
// (the name and extra field of the local header can only add to it).
struct DataRange {
  std::uint64_t offset;
  std::uint64_t length;
};

// Every entry's data must lie before the directory and apart from every other
// entry's. Entries that share their data are how a small archive claims to
// hold far more than it does; such an archive is refused before anything is
// inflated, as the common unzip tools refuse it.
void CheckNoOverlap(std::vector<DataRange>& ranges, std::int64_t shift, std::uint64_t directoryPosition) {
  std::sort(ranges.begin(), ranges.end(), [](const DataRange& a, const DataRange& b) { return a.offset < b.offset; });
  std::uint64_t reached = 0;
  for (std::size_t i = 0; i < ranges.size(); ++i) {
    const std::int64_t start = static_cast<std::int64_t>(ranges[i].offset) + shift;
    const std::uint64_t length = ranges[i].length;
    if (start < 0 || static_cast<std::uint64_t>(start) > directoryPosition ||
        length > directoryPosition - static_cast<std::uint64_t>(start))
      throw EZipEngine(kZipOverlappingEntries,
                       ZipMessageText(kZipOverlappingEntries) + " (data reaches into the central directory)", true);
    if (i > 0 && static_cast<std::uint64_t>(start) < reached)
      throw EZipEngine(kZipOverlappingEntries,
                       ZipMessageText(kZipOverlappingEntries) + " (offset " + std::to_string(start) + ")", true);
    reached = static_cast<std::uint64_t>(start) + length;
  }
}

}  // namespace

std::vector<ZipDirEntry> DecodeCentralDirectory(std::string_view bytes, std::uint64_t count,
                                                const NameDecoding& names) {
  std::vector<ZipDirEntry> entries;
  entries.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, bytes.size() / kCentralHeaderSize)));
  ByteCursor c(bytes);
  for (std::uint64_t seq = 1; seq <= count; ++seq) {
    CheckHeaderAt(c, bytes, seq, 0);
    entries.emplace_back();
    DecodeCentralHeader(c, seq, entries.back());
    DecodeNames(entries.back(), names);
  }
  return entries;
}

std::uint64_t LocalDataOffset(const ZipSource& source, const ZipDirEntry& entry) {
  const std::string header = source.Read(entry.LocalHeaderPosition, kLocalHeaderSize);
  if (header.size() != kLocalHeaderSize)
    throw EZipEngine(kZipLocalHeaderError, ZipMessageText(kZipLocalHeaderError) + ": " + entry.Name, true);
  ByteCursor c(header);
  if (c.U32() != kLocalHeaderSig)
    throw EZipEngine(kZipLocalSignature, ZipMessageText(kZipLocalSignature) + ": " + entry.Name, true);
  c.Seek(26);
  const std::uint64_t nameLength = c.U16();
  const std::uint64_t extraLength = c.U16();
  return entry.LocalHeaderPosition + kLocalHeaderSize + nameLength + extraLength;
}

int VolumeNumberOfName(const std::string& path) {
  std::string name = ExtractFileName(path);
  std::string ext = ExtractFileExt(name);
  std::string base = name.substr(0, name.size() - ext.size());
  auto digits = [](std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char ch) { return std::isdigit(static_cast<unsigned char>(ch)); });
  };
  if (ext.size() >= 3 && (ext[1] == 'z' || ext[1] == 'Z') && digits(std::string_view(ext).substr(2)))
    return std::stoi(ext.substr(2, 6));
  if (base.size() >= 3 && digits(std::string_view(base).substr(base.size() - 3)))
    return std::stoi(base.substr(base.size() - 3));
  return 0;
}

int VolumeNumberInSet(const std::string& path) {
  const int number = VolumeNumberOfName(path);
  if (number <= 1) return number;
  // A later volume has the first one beside it; "Buh2024.zip" alone is an
  // archive whose name happens to end in digits.
  std::string name = ExtractFileName(path);
  std::string ext = ExtractFileExt(name);
  std::string base = name.substr(0, name.size() - ext.size());
  std::string first;
  if (ext.size() >= 3 && (ext[1] == 'z' || ext[1] == 'Z') && std::isdigit(static_cast<unsigned char>(ext[2])))
    first = base + ext.substr(0, 2) + "01";
  else
    first = base.substr(0, base.size() - 3) + "001" + ext;
  const std::string dir = ExtractFilePath(path);
  return FileExists(dir.empty() ? first : JoinPath(dir, first)) ? number : 0;
}

bool ZipDirReader::FindEndOfDirectory(ZipEndRecord& end, ZipDirectoryInfo& info, bool raise) {
  info.comment.clear();
  const std::uint64_t fileSize = source_.Size();

  // The first volume of a spanned set begins with the span marker and a local header.
  std::string head = source_.Read(0, 8);
  bool firstVolume = false;
  if (head.size() == 8) {
    ByteCursor c(head);
    std::uint32_t marker = c.U32();
    firstVolume = marker == kSpanMarkerSig && c.U32() == kLocalHeaderSig;
    if (firstVolume) info.spanned = true;
  }

  bool found = false;
  if (fileSize >= kEndRecordSize) {
    std::string tail = source_.Read(fileSize - kEndRecordSize, kEndRecordSize);
    if (tail.size() != kEndRecordSize) throw EZipEngine(kZipReadError);
    if (Signature(tail) == kEndRecordSig) {
      DecodeEndRecord(tail, end);
      end.position = fileSize - kEndRecordSize;
      found = true;
      // A comment length that the file cannot hold: the comment was cut off.
      // The directory is still found from the record's own position.
      end.commentLength = 0;
      info.archiveSize = fileSize;
    }
  }

  if (!found && fileSize >= kEndRecordSize) {
    const std::size_t span = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kMaxEndScan));
    const std::uint64_t base = fileSize - span;
    std::string window = source_.Read(base, span);
    if (window.size() != span) throw EZipEngine(kZipReadError);
    // Backwards from just before the last 22 bytes. The first hit from the end
    // is taken, unless an earlier one ends exactly at the end of the file: a
    // comment may itself hold a complete archive, whose end record is a decoy.
    std::size_t firstHit = std::string::npos, exactHit = std::string::npos;
    for (std::size_t i = span - kEndRecordSize; i-- > 0;) {
      if (window[i] != 'P' || window[i + 1] != 'K' || window[i + 2] != 5 || window[i + 3] != 6) continue;
      ByteCursor c(std::string_view(window).substr(i + 20, 2));
      std::size_t commentLength = c.U16();
      if (firstHit == std::string::npos) firstHit = i;
      if (i + kEndRecordSize + commentLength == span) {
        exactHit = i;
        break;
      }
    }
    std::size_t hit = exactHit != std::string::npos ? exactHit : firstHit;
    if (hit != std::string::npos) {
      found = true;
      DecodeEndRecord(std::string_view(window).substr(hit, kEndRecordSize), end);
      end.position = base + hit;
      const std::size_t commentStart = hit + kEndRecordSize;
      const std::size_t available = span - commentStart;
      const std::size_t commentLength = std::min<std::size_t>(end.commentLength, available);
      const std::size_t afterComment = commentStart + commentLength;
      info.archiveSize = base + afterComment;
      if (afterComment != span) {
        // Zero fill to the next 512-byte block (a transfer program's padding)
        // is not trailing data.
        bool zeroFill = fileSize % 512 == 0 && span - afterComment < 512 &&
                        std::all_of(window.begin() + afterComment, window.end(), [](char ch) { return ch == 0; });
        if (!zeroFill && warning_) warning_(kZipTrailingData, std::to_string(span - afterComment) + " bytes");
      }
      info.comment = window.substr(commentStart, commentLength);
      end.commentLength = static_cast<std::uint16_t>(commentLength);
    }
  }

  if (!found) {
    if (!raise) return false;
    // A first volume carries the span marker; without it, a name ending in
    // "001" is just a name.
    if (!firstVolume && options_.labelVolume > 1) throw EZipEngine(kZipVolumeN, options_.labelVolume);
    if (firstVolume) throw EZipEngine(options_.labelVolume == 1 ? kZipFirstVolume : kZipMiddleVolume);
    throw EZipEngine(kZipNotAnArchive);
  }
  end.directoryEnd = end.position;
  ReadZip64End(end);
  if (!end.zip64 && end.directoryEnd - end.directorySize != end.directoryOffset) PreferEnclosingEnd(end, info);
  return true;
}

// An end record that only fits with data in front of the archive may be a
// decoy: a whole archive kept inside the real archive's comment. When an
// earlier end record fits exactly, and its comment runs over the first one,
// that earlier record is the archive's own.
void ZipDirReader::PreferEnclosingEnd(ZipEndRecord& end, ZipDirectoryInfo& info) {
  const std::uint64_t fileSize = source_.Size();
  const std::size_t span = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize, kMaxEndScan));
  const std::uint64_t base = fileSize - span;
  if (end.position <= base) return;
  std::string window = source_.Read(base, span);
  if (window.size() != span) return;
  for (std::size_t i = static_cast<std::size_t>(end.position - base); i-- > 0;) {
    if (window[i] != 'P' || window[i + 1] != 'K' || window[i + 2] != 5 || window[i + 3] != 6) continue;
    if (i + kEndRecordSize > span) continue;
    ZipEndRecord outer;
    DecodeEndRecord(std::string_view(window).substr(i, kEndRecordSize), outer);
    const std::uint64_t position = base + i;
    const std::uint64_t commentEnd = position + kEndRecordSize + outer.commentLength;
    if (commentEnd < end.position + kEndRecordSize || commentEnd > fileSize) continue;
    if (outer.directorySize > position || position - outer.directorySize != outer.directoryOffset) continue;
    if (outer.thisDisk != outer.directoryDisk) continue;
    if (outer.totalEntries > 0 && Signature(source_.Read(outer.directoryOffset, 4)) != kCentralHeaderSig) continue;
    outer.position = position;
    outer.directoryEnd = position;
    end = outer;
    info.comment = window.substr(i + kEndRecordSize, outer.commentLength);
    info.archiveSize = commentEnd;
    return;
  }
}

// A Zip64 locator right before the end record points at the Zip64 end
// record, whose 64-bit counts and sizes replace the placeholders.
void ZipDirReader::ReadZip64End(ZipEndRecord& end) {
  if (end.position < kZip64LocatorSize + kZip64EndRecordSize) return;
  const std::uint64_t locatorPos = end.position - kZip64LocatorSize;
  std::string locator = source_.Read(locatorPos, kZip64LocatorSize);
  ByteCursor l(locator);
  if (l.U32() != kZip64LocatorSig) return;
  l.U32();
  const std::uint64_t recorded = l.U64();
  if (!l.Ok()) return;
  // Where the record says, else right before the locator (data in front of
  // the archive shifts everything).
  for (std::uint64_t pos : {recorded, locatorPos - kZip64EndRecordSize}) {
    if (pos > locatorPos - kZip64EndRecordSize) continue;
    std::string record = source_.Read(pos, kZip64EndRecordSize);
    ByteCursor c(record);
    if (c.U32() != kZip64EndRecordSig) continue;
    c.U64();  // size of the record
    c.U16();  // version made by
    c.U16();  // version needed
    std::uint32_t thisDisk = c.U32();
    std::uint32_t directoryDisk = c.U32();
    std::uint64_t onDisk = c.U64();
    std::uint64_t total = c.U64();
    std::uint64_t size = c.U64();
    std::uint64_t offset = c.U64();
    if (!c.Ok()) continue;
    end.thisDisk = thisDisk;
    end.directoryDisk = directoryDisk;
    end.entriesOnDisk = onDisk;
    end.totalEntries = total;
    end.directorySize = size;
    end.directoryOffset = offset;
    end.directoryEnd = pos;
    end.zip64 = true;
    return;
  }
}

void ZipDirReader::Read(std::vector<ZipDirEntry>& entries, ZipDirectoryInfo& info) {
  ZipEndRecord end;
  FindEndOfDirectory(end, info, true);
  info.volumeCount = static_cast<int>(end.thisDisk);
  if (end.thisDisk != 0) info.spanned = true;
  if (end.directoryDisk != end.thisDisk) {
    // The directory starts on an earlier volume; that volume is not at hand.
    throw EZipEngine(
        kZipOpenRaised,
        "The central directory starts on volume " + std::to_string(end.directoryDisk + 1) + ", which is not at hand",
        true);
  }

  // Where the directory must start if the end record's sizes are right.
  const std::uint64_t fileSize = source_.Size();
  std::int64_t position = static_cast<std::int64_t>(end.directoryEnd) - static_cast<std::int64_t>(end.directorySize);
  auto headerAt = [this](std::int64_t pos) {
    return pos >= 0 && Signature(source_.Read(static_cast<std::uint64_t>(pos), 4)) == kCentralHeaderSig;
  };
  if (end.totalEntries > 0 && !headerAt(position) && headerAt(static_cast<std::int64_t>(end.directoryOffset)) &&
      end.directoryOffset < end.directoryEnd) {
    // The recorded size is wrong but the recorded offset is good.
    position = static_cast<std::int64_t>(end.directoryOffset);
  }
  if (position < 0 || static_cast<std::uint64_t>(position) > end.directoryEnd)
    throw EZipEngine(kZipDirReadError, ZipMessageText(kZipDirReadError) + ": the directory lies outside the file",
                     true);
  if (static_cast<std::uint64_t>(position) != end.directoryOffset) {
    info.hasPrefix = true;
    if (warning_) warning_(kZipDirShifted, "");
  }
  info.directoryPosition = static_cast<std::uint64_t>(position);

  if (end.totalEntries > 0 && !headerAt(position))
    throw EZipEngine(kZipCentralSignature,
                     ZipMessageText(kZipCentralSignature) + " (offset " + std::to_string(position) + ")", true);

  // The directory and the first bytes after it, in one read; those bytes
  // tell a directory that ends early from one that is cut off.
  const std::uint64_t length = std::min<std::uint64_t>(end.directoryEnd + 4, fileSize) - info.directoryPosition;
  std::string dir = source_.Read(info.directoryPosition, static_cast<std::size_t>(length));
  if (dir.size() != length) throw EZipEngine(kZipDirReadError);

  ByteCursor c(dir);
  std::uint64_t lowestOffset = UINT64_MAX;
  std::vector<DataRange> ranges;
  ranges.reserve(static_cast<std::size_t>(std::min(end.totalEntries, dir.size() / kCentralHeaderSize)));
  bool onOneDisk = end.thisDisk == 0;
  const std::uint64_t readable = dir.size() / kCentralHeaderSize;
  entries.reserve(entries.size() + static_cast<std::size_t>(std::min(end.totalEntries, readable)));
  std::vector<ZipDirEntry> all;
  all.reserve(static_cast<std::size_t>(std::min(end.totalEntries, readable)));
  for (std::uint64_t seq = 1; seq <= end.totalEntries; ++seq) {
    CheckHeaderAt(c, dir, seq, info.directoryPosition);
    all.emplace_back();
    DecodeCentralHeader(c, seq, all.back());
  }
  // More headers behind the last one counted: an end record that counts
  // fewer entries than the directory holds. Every entry found is listed,
  // and the disagreement reported.
  const std::uint64_t counted = all.size();
  while (end.totalEntries < kMaxEntries &&
         c.Offset() + kCentralHeaderSize <= end.directoryEnd - info.directoryPosition &&
         ByteCursor(std::string_view(dir).substr(c.Offset(), 4)).U32() == kCentralHeaderSig) {
    all.emplace_back();
    DecodeCentralHeader(c, all.size(), all.back());
  }
  if (all.size() != counted && warning_)
    warning_(kZipMoreEntries, std::to_string(all.size()) + " entries found, " + std::to_string(counted) + " counted");

  info.names = DecideNamePages(all, options_.names);
  // Usually every entry is kept: the entries are decoded where they stand.
  const bool inPlace = options_.useDirOnlyEntries && entries.empty();
  if (inPlace) entries.swap(all);
  std::vector<ZipDirEntry>& decoded = inPlace ? entries : all;
  for (std::size_t i = 0; i < decoded.size(); ++i) {
    ZipDirEntry& e = decoded[i];
    DecodeNames(e, info.names);
    lowestOffset = std::min(lowestOffset, e.LocalHeaderOffset64);
    if (e.DiskStart != 0) onOneDisk = false;
    ranges.push_back({e.LocalHeaderOffset64, kLocalHeaderSize + e.PackedSize64});
    if (e.Name.empty()) {
      if (warning_) warning_(kZipEmptyName, "entry " + std::to_string(i + 1));
    } else if (e.IsFolder() && !options_.useDirOnlyEntries) {
      ++info.dirOnlyCount;
      continue;
    }
    if (!inPlace) entries.push_back(std::move(e));
    if (newName_) newName_(static_cast<int>(i + 1), inPlace ? e : entries.back());
  }
  // Offsets are relative to the archive's start; data in front shifts them.
  const std::int64_t shift =
      static_cast<std::int64_t>(info.directoryPosition) - static_cast<std::int64_t>(end.directoryOffset);
  // Where the entries really are: usually shifted like the directory (data
  // in front of the archive), but when only the directory's recorded offset
  // is wrong the entries' own offsets are right.
  std::int64_t entryShift = shift;
  if (shift != 0 && lowestOffset != UINT64_MAX) {
    auto localAt = [this](std::int64_t pos) {
      return pos >= 0 && Signature(source_.Read(static_cast<std::uint64_t>(pos), 4)) == kLocalHeaderSig;
    };
    if (!localAt(static_cast<std::int64_t>(lowestOffset) + shift) && localAt(static_cast<std::int64_t>(lowestOffset)))
      entryShift = 0;
  }
  info.offsetShift = entryShift;
  info.zip64 = end.zip64;
  info.end = end;
  for (ZipDirEntry& e : entries)
    e.LocalHeaderPosition = static_cast<std::uint64_t>(static_cast<std::int64_t>(e.LocalHeaderOffset64) + entryShift);
  if (onOneDisk) CheckNoOverlap(ranges, entryShift, info.directoryPosition);
  if (lowestOffset == UINT64_MAX) {
    info.firstLocalOffset = end.totalEntries == 0 ? info.directoryPosition : 0;
  } else {
    std::int64_t first = static_cast<std::int64_t>(lowestOffset) + shift;
    info.firstLocalOffset = first < 0 ? 0 : static_cast<std::uint64_t>(first);
  }
}

}  // namespace orn
