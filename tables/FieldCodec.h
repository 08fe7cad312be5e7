// Values inside a raw Paradox record: reading them as text, number, Boolean
// or date-time, and writing them back. NULL is decided from the raw bytes
// (a field of all zero bytes), never from a decoded value, so a NULL Long,
// Date, Time, Timestamp or BCD field reads as empty and not as a number.
// Text is converted from the table's code page at this edge.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "DateTime.h"
#include "ParadoxFormat.h"

namespace orn::paradox {

// The code page texts are decoded with: the caller's choice, else the
// header's, else DOS 437. A table with no code page and the HP Roman-8 sort
// order keeps its texts in Roman-8 (kRoman8).
constexpr int kRoman8 = -8;
int TextCodePage(const TableImage& table, int overrideCodePage);
std::string DecodeText(const std::string& bytes, int codePage);
// Throws TableError when the text cannot be written in the code page.
std::string EncodeText(const std::string& text, int codePage, const std::string& fileName);

const char* FieldTypeName(std::uint8_t type);
bool IsBlobType(std::uint8_t type);

bool IsNull(const FieldInfo& field, const char* record);

// The value as the program shows it: numbers with '.', dates "dd.mm.yyyy",
// times "hh:nn:ss", Booleans "True"/"False", NULL as "". Memo and blob
// fields are not handled here (see MemoFile).
std::string FormatValue(const FieldInfo& field, const char* record, int codePage);
std::optional<double> NumberValue(const FieldInfo& field, const char* record);
std::optional<bool> BooleanValue(const FieldInfo& field, const char* record);
std::optional<DateTime> DateTimeValue(const FieldInfo& field, const char* record);

// Writing. An empty text makes the field NULL. Each throws TableError naming
// `fileName` when the value does not fit the field.
void StoreText(const FieldInfo& field, char* record, const std::string& text, int codePage,
               const std::string& fileName);
void StoreBoolean(const FieldInfo& field, char* record, bool value, const std::string& fileName);
void StoreDateTime(const FieldInfo& field, char* record, DateTime value, const std::string& fileName);
void StoreNumber(const FieldInfo& field, char* record, double value, const std::string& fileName);
void StoreNull(const FieldInfo& field, char* record);

// Compares two records by their first `keyFields` fields in the order the
// table keeps them; `sortOrder` 0 ("ascii") compares Alpha bytes exactly,
// the others ignore the case of ASCII letters first.
int CompareKeys(const TableImage& table, const char* a, const char* b, int keyFields);
int CompareFields(const TableImage& table, int fieldIndex, const char* a, const char* b);

}  // namespace orn::paradox
