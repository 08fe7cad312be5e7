#include "DosTime.h"

namespace orn::zipfmt {

std::uint32_t ToDosDateTime(std::time_t t) {
  t = (t + 1) & ~std::time_t(1);
  std::tm tm{};
  if (!localtime_r(&t, &tm)) return (1u << 21) | (1u << 16);
  int year = tm.tm_year + 1900;
  if (year < 1980) return (1u << 21) | (1u << 16);  // 1980-01-01 00:00
  if (year > 2107) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  return (std::uint32_t(year - 1980) << 25) | (std::uint32_t(tm.tm_mon + 1) << 21) | (std::uint32_t(tm.tm_mday) << 16) |
         (std::uint32_t(tm.tm_hour) << 11) | (std::uint32_t(tm.tm_min) << 5) | std::uint32_t(tm.tm_sec / 2);
}

std::time_t FromDosDateTime(std::uint32_t v) {
  std::tm tm{};
  tm.tm_year = int((v >> 25) & 0x7F) + 80;
  tm.tm_mon = int((v >> 21) & 0x0F) - 1;
  tm.tm_mday = int((v >> 16) & 0x1F);
  tm.tm_hour = int((v >> 11) & 0x1F);
  tm.tm_min = int((v >> 5) & 0x3F);
  tm.tm_sec = int(v & 0x1F) * 2;
  tm.tm_isdst = -1;
  return std::mktime(&tm);
}

}  // namespace orn::zipfmt
