// The parse cache: expression text to its tokens, so that a filter evaluated
// for every item of a list is scanned once. Process-wide; the form base
// creates it with the first window and frees it with that window; the item
// filters create it when it is missing. Entries live as long as the cache.
#pragma once

#include <cstddef>
#include <string>

#include "Tokens.h"

// A cache entry: owns a copy of a parsed expression's tokens.
class TDuplStrList {
 public:
  explicit TDuplStrList(const orn::TokenList& tokens) : tokens_(tokens) {}
  const orn::TokenList& Tokens() const { return tokens_; }

 private:
  orn::TokenList tokens_;
};

namespace orn {

// Creates the process's cache when it does not exist yet.
void CreateParseCache();
// Frees the cache and every entry.
void FreeParseCache();
bool ParseCacheExists();
std::size_t ParseCacheSize();

// The cache key of an expression text: letters upper-cased, except inside
// string literals and bracketed lists, whose letter case is part of the
// value.
std::string ParseCacheKey(const std::string& text);

// The entry for `text`, tokenizing and adding it on a miss; null when no
// cache exists.
const TDuplStrList* CachedTokens(const std::string& text);

}  // namespace orn
