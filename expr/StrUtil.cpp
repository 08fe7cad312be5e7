#include "StrUtil.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "EvalError.h"

namespace orn {

void CheckTextLength(std::size_t length) {
  if (length > kMaxTextLength) throw EvalError("text too long");
}

std::size_t FindText(const std::string& hay, const std::string& needle, std::size_t from) {
  const size_t m = needle.size();
  if (m == 0 || from >= hay.size() || hay.size() - from < m) return std::string::npos;
  if (m <= 32) return hay.find(needle, from);
  // Knuth-Morris-Pratt, so that a long needle of repeated characters does
  // not cost length times length.
  std::vector<size_t> fail(m, 0);
  for (size_t i = 1, k = 0; i < m; ++i) {
    while (k > 0 && needle[i] != needle[k]) k = fail[k - 1];
    if (needle[i] == needle[k]) ++k;
    fail[i] = k;
  }
  for (size_t i = from, k = 0; i < hay.size(); ++i) {
    while (k > 0 && hay[i] != needle[k]) k = fail[k - 1];
    if (hay[i] == needle[k]) ++k;
    if (k == m) return i + 1 - m;
  }
  return std::string::npos;
}

std::string CopyText(const std::string& s, long long index, long long count) {
  if (index < 1) index = 1;
  if (count <= 0 || index > static_cast<long long>(s.size())) return {};
  return s.substr(static_cast<size_t>(index - 1), static_cast<size_t>(count));
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

std::vector<size_t> Occurrences(const std::string& text, const std::string& sub, size_t from = 0) {
  std::vector<size_t> found;
  for (size_t p = FindText(text, sub, from); p != std::string::npos; p = FindText(text, sub, p + sub.size()))
    found.push_back(p);
  return found;
}

// Pad repeated without end; character k of that run.
char PadAt(const std::string& pad, size_t k) { return pad[k % pad.size()]; }

long long BankersHalf(long long diff) {
  if (diff % 2 == 0) return diff / 2;
  long long lower = diff >= 0 ? diff / 2 : diff / 2 - 1;  // floor(diff / 2)
  return lower % 2 == 0 ? lower : lower + 1;
}
}  // namespace

std::string TrimText(const std::string& s) { return TrimLeftText(TrimRightText(s)); }

std::string TrimLeftText(const std::string& s) {
  size_t i = 0;
  while (i < s.size() && IsBlank(s[i])) ++i;
  return s.substr(i);
}

std::string TrimRightText(const std::string& s) {
  size_t n = s.size();
  while (n > 0 && IsBlank(s[n - 1])) --n;
  return s.substr(0, n);
}

std::string PadLeftText(const std::string& s, int width, const std::string& pad) {
  if (width <= 0) return {};
  const size_t n = static_cast<size_t>(width);
  if (s.size() >= n) return s.substr(s.size() - n);
  CheckTextLength(n);
  if (pad.empty()) return s;
  const size_t need = n - s.size();
  const size_t run = pad.size() * n;  // pad repeated width times
  std::string out;
  out.reserve(n);
  for (size_t k = run - need; k < run; ++k) out += PadAt(pad, k);
  return out + s;
}

std::string PadRightText(const std::string& s, int width, const std::string& pad) {
  if (width <= 0) return {};
  const size_t n = static_cast<size_t>(width);
  if (s.size() >= n) return s.substr(0, n);
  CheckTextLength(n);
  if (pad.empty()) return s;
  std::string out = s;
  for (size_t k = 0; out.size() < n; ++k) out += PadAt(pad, k);
  return out;
}

std::string PadCenterText(const std::string& s, int width, const std::string& pad) {
  if (width <= 0) return {};
  CheckTextLength(static_cast<size_t>(width));
  const long long n = width;
  const long long left = BankersHalf(n - static_cast<long long>(s.size()));
  const long long p = static_cast<long long>(pad.size());
  // pad x n + s + pad x n, and of that n characters from n x len(pad) - left.
  const long long total = 2 * n * p + static_cast<long long>(s.size());
  long long start = std::max(0LL, n * p - left);
  std::string out;
  for (long long i = start; i < total && i < start + n; ++i) {
    if (i < n * p)
      out += PadAt(pad, static_cast<size_t>(i));
    else if (i < n * p + static_cast<long long>(s.size()))
      out += s[static_cast<size_t>(i - n * p)];
    else
      out += PadAt(pad, static_cast<size_t>(i - n * p - static_cast<long long>(s.size())));
  }
  return out;
}

std::string ReplicateText(const std::string& s, int count) {
  if (count <= 0 || s.empty()) return {};
  CheckTextLength(s.size() * static_cast<size_t>(std::min(count, 1 << 21)));
  std::string out;
  out.reserve(s.size() * static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) out += s;
  return out;
}

int AtNum(const std::string& sub, const std::string& text, int n, int skip) {
  if (n < 0 || sub.empty()) return 0;
  std::vector<size_t> found = Occurrences(text, sub, static_cast<size_t>(std::max(skip, 0)));
  if (found.empty()) return 0;
  if (n == 0) return static_cast<int>(found.back()) + 1;
  return static_cast<size_t>(n) <= found.size() ? static_cast<int>(found[static_cast<size_t>(n) - 1]) + 1 : 0;
}

int NumAt(const std::string& sub, const std::string& text, int start) {
  if (sub.empty()) return 0;
  size_t from = start <= 1 ? 0 : static_cast<size_t>(start) - 1;
  return static_cast<int>(Occurrences(text, sub, from).size());
}

int AtToken(const std::string& text, const std::string& ch, int n) {
  std::vector<size_t> found;
  if (!ch.empty())
    for (size_t i = 0; i < text.size(); ++i)
      if (text[i] == ch[0]) found.push_back(i + 1);
  if (n > 0)
    return static_cast<size_t>(n) <= found.size() ? static_cast<int>(found[static_cast<size_t>(n) - 1])
                                                  : static_cast<int>(text.size()) + 1;
  if (n == 0) return found.empty() ? 0 : static_cast<int>(found.back());
  const size_t back = static_cast<size_t>(-static_cast<long long>(n));
  return back <= found.size() ? static_cast<int>(found[found.size() - back]) : 0;
}

std::string TokenText(const std::string& s, const std::string& d, int n, int width) {
  size_t w = width <= 0 ? d.size() : static_cast<size_t>(width);
  // 1-based starts of the tokens: after every occurrence of every delimiter.
  std::vector<size_t> starts{1};
  if (w > 0 && w <= d.size()) {
    // Hashing every run of w characters costs about length times w; a
    // formula that asks for more than this is refused rather than left to run.
    constexpr size_t kBudget = size_t{1} << 27;
    if ((d.size() - w + 1) > kBudget / w || (s.size() >= w && (s.size() - w + 1) > kBudget / w))
      throw EvalError("TOKEN: delimiter run too long");
    // Each run of w characters of d is a delimiter; one that appears twice in
    // d is counted twice, as it would be searched twice.
    std::unordered_map<std::string_view, int> delimiters;
    for (size_t i = 0; i + w <= d.size(); ++i) ++delimiters[std::string_view(d).substr(i, w)];
    std::unordered_map<std::string_view, size_t> nextFree;  // no overlap per delimiter
    for (size_t i = 0; i + w <= s.size(); ++i) {
      std::string_view piece = std::string_view(s).substr(i, w);
      auto found = delimiters.find(piece);
      if (found == delimiters.end()) continue;
      size_t& free = nextFree[piece];
      if (i < free) continue;
      free = i + w;
      starts.insert(starts.end(), static_cast<size_t>(found->second), i + w + 1);
    }
  }
  const size_t tokens = starts.size();
  if (n < 0 || static_cast<size_t>(n) > tokens) return {};
  if (n == 0) return starts.back() - 1 <= s.size() ? s.substr(starts.back() - 1) : std::string();
  starts.push_back(s.size() + w + 1);
  const size_t from = starts[static_cast<size_t>(n) - 1];
  const size_t to = starts[static_cast<size_t>(n)];
  if (to < from + w || from > s.size()) return {};
  return s.substr(from - 1, to - w - from);
}

std::string StrTranText(const std::string& s, const std::string& from, const std::string& to, int start, int count) {
  std::vector<size_t> found = Occurrences(s, from);
  const size_t first = start <= 1 ? 1 : static_cast<size_t>(start);
  if (found.size() < first) return s;
  size_t last = found.size();
  if (count > 0) last = std::min(last, first - 1 + static_cast<size_t>(count));
  if (to.size() > from.size()) CheckTextLength(s.size() + (last - first + 1) * (to.size() - from.size()));
  // Built front to back in one go: replacing in place would move the tail
  // once per occurrence.
  std::string out;
  size_t copied = 0;
  for (size_t k = first; k <= last; ++k) {
    out.append(s, copied, found[k - 1] - copied);
    out += to;
    copied = found[k - 1] + from.size();
  }
  out.append(s, copied, std::string::npos);
  return out;
}

std::string StuffText(const std::string& s, int start, int count, const std::string& ins) {
  CheckTextLength(s.size() + ins.size());
  std::string out = s;
  // The platform's Delete: nothing when start is outside the text.
  if (start >= 1 && static_cast<size_t>(start) <= out.size() && count > 0)
    out.erase(static_cast<size_t>(start) - 1, static_cast<size_t>(count));
  // The platform's Insert: an index below 1 inserts in front, past the end appends.
  size_t at = start < 1 ? 0 : std::min(static_cast<size_t>(start) - 1, out.size());
  out.insert(at, ins);
  return out;
}

std::string ReplaceQuotes(const std::string& s, const std::string& r) {
  size_t quotes = static_cast<size_t>(std::count_if(s.begin(), s.end(), [](char c) { return c == '"' || c == '\''; }));
  CheckTextLength(s.size() + quotes * r.size());
  std::string out;
  for (char c : s) {
    if (c == '"' || c == '\'')
      out += r;
    else
      out += c;
  }
  return out;
}

}  // namespace orn
