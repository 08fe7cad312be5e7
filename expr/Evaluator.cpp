// ReduceTokens and the entry points: the decimal separator guard, the pass
// loop over the eight rule groups and the single exit that turns any failure
// into "!!!ERROR!!!".
#include "Evaluator.h"

#include <algorithm>

#include "CodePage.h"
#include "DialogService.h"
#include "EvalError.h"
#include "ParseCache.h"
#include "Reduction.h"
#include "Tokenizer.h"

namespace orn {

namespace {
char decimalSeparator = '.';
ExprHost* exprHost = nullptr;
RateDataset* kursDataset = nullptr;

// Sets the process decimal separator to "." for one evaluation and puts the
// one it found back on every way out.
class DecimalSeparatorGuard {
 public:
  DecimalSeparatorGuard() : saved_(decimalSeparator == ' ' || decimalSeparator == '\0' ? '.' : decimalSeparator) {
    decimalSeparator = '.';
  }
  ~DecimalSeparatorGuard() { decimalSeparator = saved_; }
  char Saved() const { return saved_; }

 private:
  char saved_;
};

// A host handler (user function, FORMANALIT) may evaluate a formula of its
// own while a reduction is under way; the outer reduction's working lists
// are put back when the inner one ends. The outermost call copies nothing.
class ReentryGuard {
 public:
  ReentryGuard() {
    if (depth_++ > 0) saved_ = WorkingTokens();
  }
  ~ReentryGuard() {
    if (--depth_ > 0) WorkingTokens() = std::move(saved_);
  }

 private:
  static inline int depth_ = 0;
  TokenList saved_;
};

std::string JoinTexts(const TokenList& w) {
  std::string joined;
  for (const Token& t : w) joined += t.text;
  return joined;
}

void RunPasses(TokenList& w, const CallContext& context) {
  int passes = 0;
  do {
    ++passes;
    bool changed = ReduceNilOperands(w);
    for (int arity = 5; arity >= 1; --arity) changed |= ReduceCalls(w, arity, context);
    changed |= ReduceBinary(w, context);
    changed |= ReduceNegation(w);
    // A pass that changed nothing would be repeated unchanged up to the
    // limit; the outcome is the same failure, so it comes now.
    if (!changed) break;
  } while (w.size() >= 2 && passes < kMaxPasses);
  if (w.size() >= 2) throw EvalError("no result after " + std::to_string(kMaxPasses) + " passes");
}

void Reduce(const TokenList& tokens, const ExprDataset* dataset, std::string& result, std::string& resultText,
            bool showMessages, ExprForm* form) {
  DecimalSeparatorGuard separator;
  ReentryGuard reentry;
  TokenList& w = WorkingTokens();
  try {
    w = tokens;
    if (form == nullptr && exprHost != nullptr && exprHost->MainFormIsMdiFrame()) form = exprHost->ActiveMdiChild();
    if (!w.empty() && w.back().kind == TokenKind::Empty) w.pop_back();
    ResolveNames(w, dataset, form);
    RunPasses(w, CallContext{dataset, form, showMessages});
    if (w.empty()) {
      result.clear();
      resultText.clear();
      return;
    }
    std::string text = w.front().text;
    if (w.front().kind == TokenKind::ParR) {
      if (text.find_first_not_of(' ') == std::string::npos) text = "0";
      std::replace(text.begin(), text.end(), '.', separator.Saved());
    }
    result = text;
    resultText = std::move(text);
    return;
  } catch (...) {
    // Every failure ends here: an unreadable number or date, division by
    // zero, a missing field, handler or rate table, the pass limit.
  }
  try {
    resultText = JoinTexts(w);
    result = kEvalError;
    if (showMessages)
      Dialogs().MessageDialog("Can not evaluate expression:\r\r" + HostText(resultText), "", DialogType::Warning,
                              kBtnOK);
  } catch (...) {
    result = kEvalError;
  }
}
}  // namespace

TokenList& WorkingTokens() {
  static TokenList working;
  return working;
}

void ReduceWindow(TokenList& w, std::size_t pos, std::size_t size, std::string text, TokenKind kind) {
  Token& first = w[pos];
  first.text = std::move(text);
  first.kind = pos > 0 && w[pos - 1].kind == TokenKind::Comma && kind == TokenKind::Str ? TokenKind::ParStr : kind;
  first.func = -1;
  w.erase(w.begin() + static_cast<std::ptrdiff_t>(pos + 1), w.begin() + static_cast<std::ptrdiff_t>(pos + size));
}

std::string EvaluateItem(const std::string& text, const CallContext& context) {
  TokenList tokens;
  TokenizeExpression(text, tokens);
  std::string result, resultText;
  Reduce(tokens, context.dataset, result, resultText, context.showMessages, context.form);
  return result;
}

std::string EvaluateUtf8(const std::string& utf8Text, const ExprDataset* dataset, ExprForm* form) {
  return HostText(Evaluate(EvaluatorText(utf8Text), dataset, form));
}

char DecimalSeparator() { return decimalSeparator; }
void SetDecimalSeparator(char separator) { decimalSeparator = separator; }

void UserFunctionRegistry::Set(const std::string& name, const std::string& value) {
  std::string upper = name;
  for (char& c : upper)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  for (auto& entry : entries_)
    if (entry.first == upper) {
      entry.second = value;
      return;
    }
  entries_.emplace_back(std::move(upper), value);
}

const std::string* UserFunctionRegistry::Find(const std::string& upperName) const {
  for (const auto& entry : entries_)
    if (entry.first == upperName) return &entry.second;
  return nullptr;
}

UserFunctionRegistry& UserFunctions() {
  static UserFunctionRegistry registry;
  return registry;
}

void SetExprHost(ExprHost* host) { exprHost = host; }
ExprHost* CurrentExprHost() { return exprHost; }
void SetKursDataset(RateDataset* dataset) { kursDataset = dataset; }
RateDataset* KursDataset() { return kursDataset; }

}  // namespace orn

void ReduceTokens(const orn::TokenList& tokens, const orn::ExprDataset* dataset, std::string& result,
                  std::string& resultText, bool showMessages, orn::ExprForm* form) {
  orn::Reduce(tokens, dataset, result, resultText, showMessages, form);
}

void EvaluateExpressionUncached(const std::string& text, const orn::ExprDataset* dataset, orn::ExprForm* form,
                                std::string& result) {
  try {
    orn::TokenList tokens;
    TokenizeExpression(text, tokens);
    std::string resultText;
    orn::Reduce(tokens, dataset, result, resultText, true, form);
  } catch (...) {
    result = orn::kEvalError;
  }
}

void EvaluateExpression(const std::string& text, const orn::ExprDataset* dataset, orn::ExprForm* form,
                        std::string& result) {
  try {
    // Without a cache (nobody created it yet) the text is simply parsed
    // every time.
    const TDuplStrList* entry = orn::CachedTokens(text);
    if (entry == nullptr) return EvaluateExpressionUncached(text, dataset, form, result);
    std::string resultText;
    orn::Reduce(entry->Tokens(), dataset, result, resultText, true, form);
  } catch (...) {
    result = orn::kEvalError;
  }
}
