#include "ParseCache.h"

#include <memory>
#include <unordered_map>

#include "Tokenizer.h"

namespace orn {

namespace {
using CacheMap = std::unordered_map<std::string, std::unique_ptr<TDuplStrList>>;

// Owned here; created and freed on the form base's request.
std::unique_ptr<CacheMap>& Cache() {
  static std::unique_ptr<CacheMap> cache;
  return cache;
}
}  // namespace

void CreateParseCache() {
  if (!Cache()) Cache() = std::make_unique<CacheMap>();
}

void FreeParseCache() { Cache().reset(); }

bool ParseCacheExists() { return Cache() != nullptr; }

std::size_t ParseCacheSize() { return Cache() ? Cache()->size() : 0; }

std::string ParseCacheKey(const std::string& text) {
  // Follows the scanner's view of the text: a quote opens a literal outside
  // brackets, "[" opens a list outside literals.
  std::string key(text);
  char quote = 0;
  bool list = false;
  for (char& c : key) {
    if (list) {
      list = c != ']';
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      list = true;
    } else if (c >= 'a' && c <= 'z') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  return key;
}

const TDuplStrList* CachedTokens(const std::string& text) {
  CacheMap* cache = Cache().get();
  if (cache == nullptr) return nullptr;
  std::string key = ParseCacheKey(text);
  auto found = cache->find(key);
  if (found != cache->end()) return found->second.get();
  TokenList tokens;
  TokenizeExpression(text, tokens);
  auto entry = std::make_unique<TDuplStrList>(tokens);
  const TDuplStrList* result = entry.get();
  cache->emplace(std::move(key), std::move(entry));
  return result;
}

}  // namespace orn
