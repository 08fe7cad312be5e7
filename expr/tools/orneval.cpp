// orneval EXPRESSION...: evaluates each argument with no dataset and no
// form and prints each result on its own line. Arguments and results are
// UTF-8; the evaluator works in code page 1257. Exit status 1 when any
// expression failed (its remaining tokens go to standard error), 2 for a
// wrong command line.
//
// An argument starting with "--" (and "-h") is an option, never an
// expression; a single "-" before anything else is the sign of an
// expression ("-5+3"). "--" ends the options.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "CodePage.h"
#include "Evaluator.h"
#include "ParseCache.h"
#include "Tokenizer.h"

namespace {

const char* const kUsage =
    "Usage: orneval EXPRESSION...\n"
    "       orneval --help | --version\n"
    "\n"
    "Evaluates each EXPRESSION of the item-filter language and prints each\n"
    "result on its own line (\"T\"/\"F\" for conditions, !!!ERROR!!! when it\n"
    "cannot be evaluated). Put \"--\" before an expression that starts with \"--\".\n"
    "\n"
    "Exit status: 0 all evaluated, 1 an expression failed, 2 a wrong command line.\n";

}  // namespace

int main(int argc, char** argv) {
  std::vector<const char*> expressions;
  bool options = true;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (options && std::strcmp(a, "--") == 0) {
      options = false;
    } else if (options && (std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0)) {
      std::fputs(kUsage, stdout);
      return 0;
    } else if (options && std::strcmp(a, "--version") == 0) {
      std::puts("orneval (Ombrelant ZIP archivator) Version 2.5");
      return 0;
    } else if (options && std::strncmp(a, "--", 2) == 0) {
      std::fprintf(stderr, "orneval: unknown option \"%s\"\n%s", a, kUsage);
      return 2;
    } else {
      expressions.push_back(a);
    }
  }
  if (expressions.empty()) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  orn::CreateParseCache();
  int status = 0;
  for (const char* expression : expressions) {
    orn::TokenList tokens;
    TokenizeExpression(orn::FromUtf8(expression, 1257), tokens);
    std::string result, resultText;
    ReduceTokens(tokens, nullptr, result, resultText, false, nullptr);
    std::printf("%s\n", orn::ToUtf8(result, 1257).c_str());
    if (result == orn::kEvalError) {
      std::fprintf(stderr, "Can not evaluate expression: %s\n", orn::ToUtf8(resultText, 1257).c_str());
      status = 1;
    }
  }
  orn::FreeParseCache();
  return status;
}
