// The desk calculator's rules without its window: the display and entry
// texts, the left operand, the pending operator and the memory, and what
// every key does to them. All arithmetic goes through the expression
// evaluator as small texts ("left op right"); numbers are kept as the
// display shows them: a blank or "-" in front, "." as decimal point, a
// whole number ending in "." (zero is " 0."), at most 15 characters.
#pragma once

#include <functional>
#include <string>

namespace orn {

// Width of the calculator's display in characters.
constexpr std::size_t kCalcDisplayWidth = 15;
constexpr const char* kCalcZero = " 0.";

// The display form of an evaluator result: sign blank, "." kept at the end
// of a whole number, trailing fraction zeros dropped, cut to the display's
// width (exponent form for values too large or too small to be cut).
std::string FormatCalculatorNumber(const std::string& text);
// True when `text` (blanks around allowed) is a plain decimal number with
// "." as its point: what the calculator accepts as a start value.
bool IsCalculatorNumber(const std::string& text);

class CalculatorMachine {
 public:
  // The seams: a refused key beeps; arithmetic is evaluated. By default the
  // beep does nothing and the expression evaluator computes.
  std::function<void()> beep;
  std::function<std::string(const std::string&)> evaluate;

  CalculatorMachine();

  // Starts from a text taken from the caller's field; `startGiven` is true
  // when the opener passed a start value, so that its digits are continued.
  void Start(const std::string& display, bool startGiven);

  void AppendCalculatorDigit(char digit);
  // op is one of "/", "*", "-", "+", "=".
  void ApplyCalculatorOperator(const std::string& op);
  void DecimalPoint();
  void ChangeSign();
  void Percent();
  void Reciprocal();
  void SquareRoot();
  void Backspace();
  void ClearEntry();
  void Clear();
  void MemoryClear();
  void MemoryRecall();
  void MemoryStore();
  void MemoryAdd();
  // Pasted text is taken as it is; the next evaluation judges it.
  void Paste(const std::string& text);

  const std::string& Display() const { return display_; }
  const std::string& Entry() const { return entry_; }
  const std::string& LeftOperand() const { return left_; }
  const std::string& PendingOperator() const { return operator_; }
  // The operator whose picture the indicator shows; empty when none.
  const std::string& Indicator() const { return indicator_; }
  const std::string& Memory() const { return memory_; }
  bool FractionMode() const { return fraction_; }
  bool NewEntry() const { return newEntry_; }
  bool StartGiven() const { return startGiven_; }
  bool ReciprocalEnabled() const { return reciprocalEnabled_; }
  bool SquareRootEnabled() const { return squareRootEnabled_; }
  // The display as the caller's field receives it: no trailing ".", no
  // leading blank.
  std::string Result() const;

 private:
  std::string Eval(const std::string& text) const;
  void Beep() const;
  void ShowValue(const std::string& value);
  void UpdateOneOperandKeys();

  std::string display_ = kCalcZero;
  std::string entry_ = kCalcZero;
  std::string left_ = kCalcZero;
  std::string operator_;
  std::string indicator_;
  std::string memory_ = kCalcZero;
  bool fraction_ = false;
  bool newEntry_ = true;
  bool startGiven_ = false;
  // A start value is continued by the digits typed first; the first key that
  // computes ends that.
  bool continueStart_ = false;
  bool reciprocalEnabled_ = false;
  bool squareRootEnabled_ = true;
};

}  // namespace orn
