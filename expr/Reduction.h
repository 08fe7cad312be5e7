// Inside the reduction engine: the working lists, the name resolution and
// the eight rule groups, each in its own file.
//
//   1 Nil operands            RulesNil.cpp        (in place, every position)
//   2..6 calls of 5..1 args   RulesCalls.cpp      (window 12, 10, 8, 6, 4)
//   7 binary operators        RulesBinary.cpp     (window 3)
//   8 negation                RulesNegation.cpp   (window 2)
//
// Groups 2 to 8 reduce at most once per pass: at the first position where a
// pattern matches.
#pragma once

#include <cstddef>
#include <string>

#include "ExprData.h"
#include "FunctionLibrary.h"
#include "Tokens.h"

namespace orn {

constexpr int kMaxPasses = 200;

// The process-wide working lists every reduction runs in.
TokenList& WorkingTokens();

// Writes the result into w[pos] and deletes the window's other tokens; a
// string standing right after a comma becomes "ParStr".
void ReduceWindow(TokenList& w, std::size_t pos, std::size_t size, std::string text, TokenKind kind);

// Step 5: names to field values (or their own text), form-qualified names.
void ResolveNames(TokenList& w, const ExprDataset* dataset, ExprForm* form);
// The window that owns a form name (DATAAPPL, an MDI child, an application component).
ExprForm* FindOwnerForm(const std::string& name);

// Each returns true when it changed the list.
bool ReduceNilOperands(TokenList& w);
bool ReduceCalls(TokenList& w, int arity, const CallContext& context);
bool ReduceBinary(TokenList& w, const CallContext& context);
bool ReduceNegation(TokenList& w);

// A nested evaluation of a bracketed list item (CASESTR, CASENUM); the
// caller saves and restores the working lists around it.
std::string EvaluateItem(const std::string& text, const CallContext& context);

// Text crossing to the host (UTF-8) and back (code page 1257).
std::string HostText(const std::string& cp1257);
std::string EvaluatorText(const std::string& utf8);

}  // namespace orn
