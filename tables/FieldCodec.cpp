#include "FieldCodec.h"

#include <iconv.h>

#include <cmath>
#include <cstdio>
#include <cstring>

#include "CodePage.h"
#include "TableError.h"

namespace orn::paradox {

namespace {

// Paradox counts days from 1 January of year 1 (day 1); the program counts
// them from 30 December 1899.
constexpr double kDateDelta = 693594.0;
constexpr double kMsPerDay = 86400000.0;
constexpr int kRoman8SortOrder = 0x14;

const unsigned char* Bytes(const char* p) { return reinterpret_cast<const unsigned char*>(p); }

std::uint64_t ReadBigEndian(const char* p, int width) {
  std::uint64_t v = 0;
  for (int i = 0; i < width; ++i) v = (v << 8) | Bytes(p)[i];
  return v;
}

void WriteBigEndian(char* p, int width, std::uint64_t v) {
  for (int i = width - 1; i >= 0; --i) {
    p[i] = static_cast<char>(v & 0xFF);
    v >>= 8;
  }
}

// Integers are big-endian with the sign bit flipped, so that their bytes
// sort like their values.
std::int64_t ReadInteger(const char* p, int width) {
  const std::uint64_t signBit = 1ull << (8 * width - 1);
  std::uint64_t v = ReadBigEndian(p, width) ^ signBit;
  if (v & signBit) v |= ~((signBit << 1) - 1);  // sign-extend
  return static_cast<std::int64_t>(v);
}

void WriteInteger(char* p, int width, std::int64_t value) {
  const std::uint64_t signBit = 1ull << (8 * width - 1);
  const std::uint64_t mask = width == 8 ? ~0ull : (signBit << 1) - 1;
  WriteBigEndian(p, width, (static_cast<std::uint64_t>(value) & mask) ^ signBit);
}

// Doubles: positive values get their sign bit set, negative ones have all
// bits inverted, again so that the bytes sort like the values.
double ReadDouble(const char* p) {
  std::uint64_t v = ReadBigEndian(p, 8);
  if (v & 0x8000000000000000ull)
    v &= 0x7FFFFFFFFFFFFFFFull;
  else
    v = ~v;
  double d;
  std::memcpy(&d, &v, sizeof d);
  return d;
}

void WriteDouble(char* p, double d) {
  if (d == 0.0) d = 0.0;  // no negative zero
  std::uint64_t v;
  std::memcpy(&v, &d, sizeof v);
  if (v & 0x8000000000000000ull)
    v = ~v;
  else
    v |= 0x8000000000000000ull;
  WriteBigEndian(p, 8, v);
}

std::string FormatNumber(double d) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15g", d);
  return buf;
}

std::string TwoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string FormatTime(DateTime value) {
  auto t = DecodeTime(value);
  return TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

// BCD: a sign/precision byte and 32 digits of four bits, the last
// `decimals` of them after the point; negative numbers have every digit
// inverted.
std::string FormatBcd(const char* p, int decimals) {
  const bool negative = (Bytes(p)[0] & 0x80) == 0;
  std::string digits;
  for (int i = 0; i < 32; ++i) {
    int nibble = (Bytes(p)[1 + i / 2] >> (i % 2 == 0 ? 4 : 0)) & 0x0F;
    if (negative) nibble = 0x0F - nibble;
    if (nibble > 9) return "?";
    digits += static_cast<char>('0' + nibble);
  }
  if (decimals > 32) decimals = 32;
  std::string whole = digits.substr(0, 32 - decimals);
  std::string fraction = digits.substr(32 - decimals);
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (whole.empty()) whole = "0";
  while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
  std::string text = whole + (fraction.empty() ? "" : "." + fraction);
  return negative && text != "0" ? "-" + text : text;
}

void StoreBcd(char* p, const std::string& text, int decimals, const std::string& fileName,
              const std::string& fieldName) {
  std::string t = text;
  bool negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  auto dot = t.find('.');
  std::string whole = t.substr(0, dot);
  std::string fraction = dot == std::string::npos ? "" : t.substr(dot + 1);
  auto allDigits = [](const std::string& s) { return s.find_first_not_of("0123456789") == std::string::npos; };
  if ((whole.empty() && fraction.empty()) || !allDigits(whole) || !allDigits(fraction))
    throw TableError(fileName, "\"" + text + "\" is not a number for field " + fieldName);
  while (fraction.size() > static_cast<std::size_t>(decimals) && fraction.back() == '0') fraction.pop_back();
  whole.erase(0, std::min(whole.find_first_not_of('0'), whole.size()));
  if (fraction.size() > static_cast<std::size_t>(decimals) || whole.size() + decimals > 32)
    throw TableError(fileName, "\"" + text + "\" does not fit field " + fieldName);
  std::string digits =
      std::string(32 - decimals - whole.size(), '0') + whole + fraction + std::string(decimals - fraction.size(), '0');
  if (digits.find_first_not_of('0') == std::string::npos) negative = false;
  std::memset(p, 0, 17);
  p[0] = static_cast<char>((negative ? 0x00 : 0x80) | (decimals & 0x3F));
  for (int i = 0; i < 32; ++i) {
    int nibble = digits[i] - '0';
    if (negative) nibble = 0x0F - nibble;
    p[1 + i / 2] = static_cast<char>(Bytes(p)[1 + i / 2] | (nibble << (i % 2 == 0 ? 4 : 0)));
  }
  if (negative) p[0] = static_cast<char>(p[0] | 0x40);
}

std::string IconvRoman8(const std::string& in, bool toUtf8) {
  iconv_t cd = toUtf8 ? ::iconv_open("UTF-8", "HP-ROMAN8") : ::iconv_open("HP-ROMAN8", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return toUtf8 ? ToUtf8(in, 437) : FromUtf8(in, 437);
  std::string out(in.size() * 4 + 4, '\0');
  char* src = const_cast<char*>(in.data());
  std::size_t srcLeft = in.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (::iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) {
      ++src;
      --srcLeft;
      *dst++ = '?';
      --dstLeft;
    }
  }
  ::iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

int UpperAsciiByte(unsigned char c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }

}  // namespace

int TextCodePage(const TableImage& table, int overrideCodePage) {
  if (overrideCodePage != 0) return overrideCodePage;
  if (table.codePage != 0) return table.codePage;
  return table.sortOrder == kRoman8SortOrder ? kRoman8 : 437;
}

std::string DecodeText(const std::string& bytes, int codePage) {
  return codePage == kRoman8 ? IconvRoman8(bytes, true) : ToUtf8(bytes, codePage);
}

std::string EncodeText(const std::string& text, int codePage, const std::string& fileName) {
  std::string bytes = codePage == kRoman8 ? IconvRoman8(text, false) : FromUtf8(text, codePage);
  if (DecodeText(bytes, codePage) != text)
    throw TableError(fileName, "\"" + text + "\" cannot be written in the table's code page " +
                                   (codePage == kRoman8 ? std::string("HP Roman-8") : std::to_string(codePage)));
  return bytes;
}

const char* FieldTypeName(std::uint8_t type) {
  switch (type) {
    case kAlpha:
      return "Alpha";
    case kDate:
      return "Date";
    case kShort:
      return "Short";
    case kLong:
      return "Long";
    case kCurrency:
      return "Currency";
    case kNumber:
      return "Number";
    case kLogical:
      return "Logical";
    case kMemo:
      return "Memo";
    case kBlob:
      return "Binary";
    case kFmtMemo:
      return "Formatted memo";
    case kOle:
      return "OLE";
    case kGraphic:
      return "Graphic";
    case kTime:
      return "Time";
    case kTimestamp:
      return "Timestamp";
    case kAutoInc:
      return "Autoincrement";
    case kBcd:
      return "BCD";
    case kBytes:
      return "Bytes";
    default:
      return "Unknown";
  }
}

bool IsBlobType(std::uint8_t type) {
  return type == kMemo || type == kBlob || type == kFmtMemo || type == kOle || type == kGraphic;
}

bool IsNull(const FieldInfo& field, const char* record) {
  const char* p = record + field.offset;
  if (IsBlobType(field.type)) return GetLe(std::string(p + field.width - 6, 4), 0, 4) == 0;
  // A NULL BCD keeps its precision in the first byte but has neither the
  // sign bit nor any digit set.
  const int first = field.type == kBcd && (Bytes(p)[0] & 0x80) == 0 ? 1 : 0;
  for (int i = first; i < field.width; ++i)
    if (p[i] != 0) return false;
  return true;
}

std::optional<double> NumberValue(const FieldInfo& field, const char* record) {
  if (IsNull(field, record)) return std::nullopt;
  const char* p = record + field.offset;
  switch (field.type) {
    case kShort:
    case kLong:
    case kAutoInc:
      return static_cast<double>(ReadInteger(p, field.width));
    case kNumber:
    case kCurrency:
      return ReadDouble(p);
    case kBcd:
      return std::strtod(FormatBcd(p, field.declaredSize).c_str(), nullptr);
    default:
      return std::nullopt;
  }
}

std::optional<bool> BooleanValue(const FieldInfo& field, const char* record) {
  if (field.type != kLogical || IsNull(field, record)) return std::nullopt;
  return (Bytes(record + field.offset)[0] & 0x7F) != 0;
}

std::optional<DateTime> DateTimeValue(const FieldInfo& field, const char* record) {
  if (IsNull(field, record)) return std::nullopt;
  const char* p = record + field.offset;
  switch (field.type) {
    case kDate:
      return static_cast<double>(ReadInteger(p, 4)) - kDateDelta;
    case kTime:
      return static_cast<double>(ReadInteger(p, 4)) / kMsPerDay;
    case kTimestamp:
      return ReadDouble(p) / kMsPerDay - kDateDelta;
    default:
      return std::nullopt;
  }
}

std::string FormatValue(const FieldInfo& field, const char* record, int codePage) {
  if (IsNull(field, record)) return "";
  const char* p = record + field.offset;
  switch (field.type) {
    case kAlpha: {
      std::size_t len = 0;
      while (len < static_cast<std::size_t>(field.width) && p[len] != '\0') ++len;
      return DecodeText(std::string(p, len), codePage);
    }
    case kShort:
    case kLong:
    case kAutoInc:
      return std::to_string(ReadInteger(p, field.width));
    case kNumber:
    case kCurrency:
      return FormatNumber(ReadDouble(p));
    case kBcd:
      return FormatBcd(p, field.declaredSize);
    case kLogical:
      return *BooleanValue(field, record) ? "True" : "False";
    case kDate:
      return FormatShortDate(*DateTimeValue(field, record));
    case kTime:
      return FormatTime(*DateTimeValue(field, record));
    case kTimestamp: {
      DateTime v = *DateTimeValue(field, record);
      return FormatShortDate(v) + " " + FormatTime(v);
    }
    case kBytes:
      return std::string(p, field.width);
    default:
      return "";
  }
}

void StoreNull(const FieldInfo& field, char* record) { std::memset(record + field.offset, 0, field.width); }

void StoreNumber(const FieldInfo& field, char* record, double value, const std::string& fileName) {
  char* p = record + field.offset;
  switch (field.type) {
    case kShort:
    case kLong:
    case kAutoInc: {
      const double limit = field.width == 2 ? 32767.0 : 2147483647.0;
      if (value != std::floor(value) || std::fabs(value) > limit)
        throw TableError(fileName, FormatNumber(value) + " does not fit field " + field.name);
      WriteInteger(p, field.width, static_cast<std::int64_t>(value));
      return;
    }
    case kNumber:
    case kCurrency:
      if (!std::isfinite(value)) throw TableError(fileName, "Field " + field.name + " cannot hold that value");
      WriteDouble(p, value);
      return;
    case kBcd:
      StoreBcd(p, FormatNumber(value), field.declaredSize, fileName, field.name);
      return;
    default:
      throw TableError(fileName, "Field " + field.name + " is not a number field");
  }
}

void StoreBoolean(const FieldInfo& field, char* record, bool value, const std::string& fileName) {
  if (field.type != kLogical) throw TableError(fileName, "Field " + field.name + " is not a Logical field");
  record[field.offset] = static_cast<char>(value ? 0x81 : 0x80);
}

void StoreDateTime(const FieldInfo& field, char* record, DateTime value, const std::string& fileName) {
  char* p = record + field.offset;
  switch (field.type) {
    case kDate:
      WriteInteger(p, 4, static_cast<std::int64_t>(std::floor(value) + kDateDelta));
      return;
    case kTime: {
      double ms = std::round((value - std::floor(value)) * kMsPerDay);
      WriteInteger(p, 4, static_cast<std::int64_t>(ms));
      return;
    }
    case kTimestamp:
      WriteDouble(p, std::round((value + kDateDelta) * kMsPerDay));
      return;
    default:
      throw TableError(fileName, "Field " + field.name + " is not a date or time field");
  }
}

void StoreText(const FieldInfo& field, char* record, const std::string& text, int codePage,
               const std::string& fileName) {
  if (text.empty()) {
    StoreNull(field, record);
    return;
  }
  char* p = record + field.offset;
  auto notValid = [&]() {
    return TableError(fileName, "\"" + text + "\" is not a valid value for field " + field.name);
  };
  switch (field.type) {
    case kAlpha: {
      std::string bytes = EncodeText(text, codePage, fileName);
      if (bytes.size() > static_cast<std::size_t>(field.width))
        throw TableError(fileName, "\"" + text + "\" is longer than field " + field.name + " (" +
                                       std::to_string(field.width) + " characters)");
      std::memset(p, 0, field.width);
      std::memcpy(p, bytes.data(), bytes.size());
      return;
    }
    case kShort:
    case kLong:
    case kAutoInc:
    case kNumber:
    case kCurrency: {
      char* end = nullptr;
      double v = std::strtod(text.c_str(), &end);
      if (end == text.c_str() || *end != '\0') throw notValid();
      StoreNumber(field, record, v, fileName);
      return;
    }
    case kBcd:
      StoreBcd(p, text, field.declaredSize, fileName, field.name);
      return;
    case kLogical: {
      std::string u;
      for (char c : text) u += static_cast<char>(UpperAsciiByte(static_cast<unsigned char>(c)));
      if (u == "TRUE" || u == "T" || u == "YES" || u == "Y")
        StoreBoolean(field, record, true, fileName);
      else if (u == "FALSE" || u == "F" || u == "NO" || u == "N")
        StoreBoolean(field, record, false, fileName);
      else
        throw notValid();
      return;
    }
    case kDate:
    case kTimestamp: {
      int d = 0, m = 0, y = 0, hh = 0, nn = 0, ss = 0;
      int n = std::sscanf(text.c_str(), "%d.%d.%d %d:%d:%d", &d, &m, &y, &hh, &nn, &ss);
      auto date = n >= 3 ? EncodeDate(y, m, d) : std::nullopt;
      if (!date || (field.type == kDate && n != 3) || (n != 3 && n != 6)) throw notValid();
      StoreDateTime(field, record, *date + EncodeTime(hh, nn, ss), fileName);
      return;
    }
    case kTime: {
      int hh = 0, nn = 0, ss = 0;
      if (std::sscanf(text.c_str(), "%d:%d:%d", &hh, &nn, &ss) < 2 || hh > 23 || nn > 59 || ss > 59) throw notValid();
      StoreDateTime(field, record, EncodeTime(hh, nn, ss), fileName);
      return;
    }
    case kBytes:
      if (text.size() > static_cast<std::size_t>(field.width)) throw notValid();
      std::memset(p, 0, field.width);
      std::memcpy(p, text.data(), text.size());
      return;
    default:
      throw TableError(fileName, "Field " + field.name + " (" + FieldTypeName(field.type) + ") cannot be changed");
  }
}

int CompareFields(const TableImage& table, int fieldIndex, const char* a, const char* b) {
  const FieldInfo& f = table.fields[fieldIndex];
  const auto* pa = Bytes(a + f.offset);
  const auto* pb = Bytes(b + f.offset);
  if (f.type == kAlpha && table.sortOrder != 0) {
    for (int i = 0; i < f.width; ++i) {
      int ca = UpperAsciiByte(pa[i]), cb = UpperAsciiByte(pb[i]);
      if (ca != cb) return ca < cb ? -1 : 1;
    }
  }
  int c = std::memcmp(pa, pb, f.width);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

int CompareKeys(const TableImage& table, const char* a, const char* b, int keyFields) {
  for (int i = 0; i < keyFields; ++i) {
    int c = CompareFields(table, i, a, b);
    if (c != 0) return c;
  }
  return 0;
}

}  // namespace orn::paradox
