// The in-house string utility module behind the function library:
// occurrence search, padding, token splitting and replacement. Positions are
// 1-based as in the language; texts are single-byte (code page 1257).
#pragma once

#include <cstddef>
#include <string>

namespace orn {

// Results longer than this are refused (an evaluation error), so that a
// formula cannot ask for gigabytes.
constexpr std::size_t kMaxTextLength = std::size_t{1} << 20;
// Throws EvalError when `length` passes kMaxTextLength.
void CheckTextLength(std::size_t length);

// 0-based position of `needle` in `hay` at or after `from`, or npos; an
// empty needle is never found. Linear even for long needles.
std::size_t FindText(const std::string& hay, const std::string& needle, std::size_t from = 0);

// The platform's Copy: `count` characters from 1-based `index`; an index
// below 1 counts as 1, a count below 0 as 0.
std::string CopyText(const std::string& s, long long index, long long count);

std::string TrimText(const std::string& s);  // blanks and control characters
std::string TrimLeftText(const std::string& s);
std::string TrimRightText(const std::string& s);

std::string PadLeftText(const std::string& s, int width, const std::string& pad);
std::string PadRightText(const std::string& s, int width, const std::string& pad);
std::string PadCenterText(const std::string& s, int width, const std::string& pad);
std::string ReplicateText(const std::string& s, int count);

// Position of the n-th (n = 0: the last) occurrence of sub in text after the
// first `skip` characters; 0 when there is none or n is negative.
int AtNum(const std::string& sub, const std::string& text, int n, int skip);
// Occurrences of sub in text from position `start`.
int NumAt(const std::string& sub, const std::string& text, int start);
// Position of the n-th occurrence of the character `ch` (see ATTOKEN).
int AtToken(const std::string& text, const std::string& ch, int n);
// The n-th token of s between the delimiters of d taken `width` at a time.
std::string TokenText(const std::string& s, const std::string& d, int n, int width);
// Replaces occurrences of `from` by `to`, from the start-th on, at most
// count of them (0: all).
std::string StrTranText(const std::string& s, const std::string& from, const std::string& to, int start, int count);
// Deletes count characters at start, then inserts ins at start.
std::string StuffText(const std::string& s, int start, int count, const std::string& ins);
// Every double quote and every apostrophe replaced by r.
std::string ReplaceQuotes(const std::string& s, const std::string& r);

}  // namespace orn
