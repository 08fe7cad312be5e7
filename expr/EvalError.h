// The one failure inside a reduction. It never leaves the evaluator:
// ReduceTokens catches it at its single exit and answers "!!!ERROR!!!".
#pragma once

#include <stdexcept>
#include <string>

namespace orn {

class EvalError : public std::runtime_error {
 public:
  explicit EvalError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace orn
