// The expression evaluator's entry points and its process-wide state.
//
// How data flows: EvaluateExpression upper-cases the text for the parse cache
// key; a miss runs TokenizeExpression and keeps a copy of the tokens. The
// tokens are copied into the working lists, where ReduceTokens resolves names
// against the dataset or form and then rewrites the list pass by pass (eight
// rule groups, one reduction per group per pass) until one token is left:
// the result. Any failure, or 200 passes without a result, gives
// "!!!ERROR!!!". Texts inside the evaluator are code page 1257 bytes.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ExprData.h"
#include "Tokens.h"

// The evaluator's single entry point: `result` receives the value as text
// ("T"/"F" for booleans, reals with the process decimal separator, dates as
// "dd.mm.yyyy", "!!!ERROR!!!" on failure). Uses the parse cache; messages on.
// `dataset` and `form` may be null. Never throws.
void EvaluateExpression(const std::string& text, const orn::ExprDataset* dataset, orn::ExprForm* form,
                        std::string& result);
// The same without the parse cache: the text is tokenized every time.
void EvaluateExpressionUncached(const std::string& text, const orn::ExprDataset* dataset, orn::ExprForm* form,
                                std::string& result);
// The engine: reduces `tokens` to a value. `resultText` receives the final
// text, or on failure the remaining tokens joined. With `showMessages` a
// failure is also shown through the dialog service. Never throws.
void ReduceTokens(const orn::TokenList& tokens, const orn::ExprDataset* dataset, std::string& result,
                  std::string& resultText, bool showMessages, orn::ExprForm* form);

// Computes a user function: upper-cased name, argument texts, result text.
using TUserFunctionHandler =
    std::function<void(const std::string& name, const std::vector<std::string>& args, std::string& value)>;
// FORMANALIT's formatter: two texts in, one text out.
using TAnalyticFormatHandler = std::function<void(const std::string& a, const std::string& b, std::string& value)>;

// Extension points for a host application; empty in this one.
inline TUserFunctionHandler UserFunctionHandler;
inline TAnalyticFormatHandler AnalyticFormatHandler;

namespace orn {

constexpr const char* kEvalError = "!!!ERROR!!!";

// Convenience: the value of `text`, in code page 1257.
inline std::string Evaluate(const std::string& text, const ExprDataset* dataset = nullptr, ExprForm* form = nullptr) {
  std::string result;
  ::EvaluateExpression(text, dataset, form, result);
  return result;
}
// For callers holding UTF-8 text (the windows): converts at the boundary.
std::string EvaluateUtf8(const std::string& utf8Text, const ExprDataset* dataset = nullptr, ExprForm* form = nullptr);

// The process decimal separator: the evaluator sets it to "." while it
// works and writes reals in the result with the one it found.
char DecimalSeparator();
void SetDecimalSeparator(char separator);

// The user function registry: NAME=VALUE entries whose value is the
// argument letters, "|" and the result letter (B, S, I, N, D), e.g. "SI|S".
// Created empty on first use, lives for the process.
class UserFunctionRegistry {
 public:
  // Adds or replaces an entry.
  void Set(const std::string& name, const std::string& value);
  void Clear() { entries_.clear(); }
  bool Empty() const { return entries_.empty(); }
  // The value for an upper-case name, or null.
  const std::string* Find(const std::string& upperName) const;

 private:
  std::vector<std::pair<std::string, std::string>> entries_;  // upper-cased name, value
};
UserFunctionRegistry& UserFunctions();

// The application the evaluator asks about forms (not owned; null: none).
void SetExprHost(ExprHost* host);
ExprHost* CurrentExprHost();

// The currency-rate table of GETKURS (not owned; null: none installed).
void SetKursDataset(RateDataset* dataset);
RateDataset* KursDataset();

}  // namespace orn
