// orneval EXPRESSION...: evaluates each argument with no dataset and no
// form and prints each result on its own line. Arguments and results are
// UTF-8; the evaluator works in code page 1257. Exit status 1 when any
// expression failed (its remaining tokens go to standard error).
#include <cstdio>
#include <string>

#include "CodePage.h"
#include "Evaluator.h"
#include "ParseCache.h"
#include "Tokenizer.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: orneval EXPRESSION...\n");
    return 2;
  }
  orn::CreateParseCache();
  int status = 0;
  for (int i = 1; i < argc; ++i) {
    orn::TokenList tokens;
    TokenizeExpression(orn::FromUtf8(argv[i], 1257), tokens);
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
