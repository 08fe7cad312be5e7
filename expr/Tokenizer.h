// The scanner of the expression language: normalises the text (logical
// words, unary minus), scans it into tokens and classifies them.
#pragma once

#include <string>

#include "Tokens.h"

// Clears `tokens` and fills it from `text`. Never fails: malformed input
// gives tokens that the evaluator cannot reduce.
void TokenizeExpression(const std::string& text, orn::TokenList& tokens);

namespace orn {

// The text after the logical-word and unary-minus rewriting, as the scanner
// sees it. String literals are left as written.
std::string NormalizeExpressionText(const std::string& text);

// How many times TokenizeExpression has run in this process.
unsigned long long TokenizationCount();

}  // namespace orn
