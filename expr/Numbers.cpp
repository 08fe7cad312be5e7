#include "Numbers.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "EvalError.h"

namespace orn {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// The length of the number written at `begin`: sign, digits, ".", digits,
// and an exponent only when digits follow its letter. Zero when no digit.
size_t NumberPrefix(const std::string& s, size_t begin) {
  size_t i = begin;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  size_t digits = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
  }
  if (digits == 0) return 0;
  if (i < s.size() && (s[i] == 'E' || s[i] == 'e')) {
    size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      i = j;
    }
  }
  return i - begin;
}

double ParseReal(const std::string& s, size_t begin, size_t length) {
  const char* first = s.data() + begin;
  const char* last = first + length;
  if (first != last && *first == '+') ++first;
  double value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || !std::isfinite(value)) throw EvalError("number out of range: " + s);
  return value;
}

}  // namespace

int StrictInt(const std::string& text) {
  size_t i = text.find_first_not_of(' ');
  if (i == std::string::npos) throw EvalError("not an integer: " + text);
  const char* first = text.data() + i;
  const char* last = text.data() + text.size();
  if (*first == '+' && last - first > 1 && *(first + 1) != '-') ++first;
  int value = 0;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last) throw EvalError("not an integer: " + text);
  return value;
}

double StrictReal(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) throw EvalError("not a number: " + text);
  size_t length = NumberPrefix(text, begin);
  size_t end = begin + length;
  if (length == 0 || text.find_first_not_of(' ', end) != std::string::npos) throw EvalError("not a number: " + text);
  return ParseReal(text, begin, length);
}

double LenientReal(const std::string& text) {
  size_t begin = text.find_first_not_of(' ');
  if (begin == std::string::npos) return 0;
  size_t length = NumberPrefix(text, begin);
  return length == 0 ? 0 : ParseReal(text, begin, length);
}

int DecimalCount(const std::string& text) {
  size_t e = text.find_first_of("Ee");
  if (e == std::string::npos) {
    size_t dot = text.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(std::min<size_t>(text.size() - dot - 1, 1000));
  }
  size_t i = text.find_first_not_of(' ', e + 1);
  if (i == std::string::npos || text[i] != '-') return 0;
  int magnitude = 0;
  for (++i; i < text.size() && IsDigit(text[i]); ++i) magnitude = std::min(magnitude * 10 + (text[i] - '0'), 1000);
  return magnitude;
}

int QuotientDecimals(double value) {
  const double a = std::fabs(value);
  const double tolerance = a * 1e-11;
  if (a == 0 || std::fabs(a - std::floor(a + 0.5)) < tolerance) return 0;
  double scale = 1;
  for (int q = 1; q <= 14; ++q) {
    scale *= 10;
    double scaled = a * scale;
    double whole = std::floor(scaled);
    if (scaled - whole >= 0.5) whole += 1;
    if (std::fabs(whole / scale - a) < tolerance) return q;
  }
  return 15;
}

double RoundTo(double x, int n) {
  if (!std::isfinite(x)) throw EvalError("number out of range");
  n = std::clamp(n, 0, 18);
  double nudged = x >= 0 ? x + 1e-10 : x - 1e-10;
  if (std::fabs(nudged) >= 1e18) return x;  // no decimals left to round at this size
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, nudged, std::chars_format::fixed, n);
  if (ec != std::errc()) return x;
  double value = 0;
  std::from_chars(buf, end, value);
  return value == 0 ? 0 : value;  // no "-0"
}

std::string FormatGeneral(double x) {
  if (!std::isfinite(x)) throw EvalError("number out of range");
  if (x == 0) return "0";
  char buf[64];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
  std::string sci(buf, end);  // "-d.dddddddddddddde-XX"
  bool negative = sci[0] == '-';
  size_t ePos = sci.find('e');
  std::string digits;
  for (size_t i = negative ? 1 : 0; i < ePos; ++i)
    if (sci[i] != '.') digits += sci[i];
  int exponent = std::atoi(sci.c_str() + ePos + 1);
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  std::string out = negative ? "-" : "";
  if (exponent >= 15 || exponent <= -5) {
    out += digits[0];
    if (digits.size() > 1) out += "." + digits.substr(1);
    out += "E" + std::to_string(exponent);
  } else if (exponent >= 0) {
    size_t whole = static_cast<size_t>(exponent) + 1;
    if (digits.size() <= whole) {
      out += digits + std::string(whole - digits.size(), '0');
    } else {
      out += digits.substr(0, whole) + "." + digits.substr(whole);
    }
  } else {
    out += "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
  }
  return out;
}

std::string RoundedText(double x, int n) { return FormatGeneral(RoundTo(x, n)); }

std::string RoundedFixedText(double x, int n) {
  std::string general = RoundedText(x, n);
  if (n <= 0) return general;
  size_t dot = general.find('.');
  std::string whole = dot == std::string::npos ? general : general.substr(0, dot);
  std::string fraction = dot == std::string::npos ? std::string() : general.substr(dot + 1);
  if (fraction.size() < static_cast<size_t>(n)) fraction.append(static_cast<size_t>(n) - fraction.size(), '0');
  return whole + "." + fraction;
}

int CheckedAdd(int a, int b) {
  int r;
  if (__builtin_add_overflow(a, b, &r)) throw EvalError("integer overflow");
  return r;
}

int CheckedSub(int a, int b) {
  int r;
  if (__builtin_sub_overflow(a, b, &r)) throw EvalError("integer overflow");
  return r;
}

int CheckedMul(int a, int b) {
  int r;
  if (__builtin_mul_overflow(a, b, &r)) throw EvalError("integer overflow");
  return r;
}

}  // namespace orn
