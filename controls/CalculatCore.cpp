#include "CalculatCore.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <optional>

#include "Evaluator.h"

namespace orn {
namespace {

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return text.substr(first, last - first + 1);
}

// The value of a display text; nothing when it is not a number. Reads "."
// whatever the process locale says.
std::optional<double> Value(const std::string& text) {
  const std::string t = Trimmed(text);
  if (t.empty()) return std::nullopt;
  double v = 0;
  const char* first = t.data();
  const char* last = t.data() + t.size();
  auto [end, ec] = std::from_chars(first, last, v);
  if (ec != std::errc() || end != last) return std::nullopt;
  return v;
}

bool IsErrorText(const std::string& text) { return text.find("!!!") != std::string::npos; }
bool HasExponent(const std::string& text) { return text.find_first_of("eE") != std::string::npos; }

// The exponent form of `v` in the display's width: mantissa digits are
// dropped until mantissa and exponent fit ("1.2345E15", "-1E-13").
std::string ExponentForm(double v) {
  std::string out;
  for (int digits = 15; digits >= 1; --digits) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", digits - 1, v);
    std::string s = buf;
    const std::size_t e = s.find('E');
    std::string mantissa = s.substr(0, e);
    const int exponent = std::atoi(s.c_str() + e + 1);
    if (mantissa.find('.') != std::string::npos) {
      while (mantissa.back() == '0') mantissa.pop_back();
      if (mantissa.back() == '.') mantissa.pop_back();
    }
    out = (v < 0 ? "" : " ") + mantissa + "E" + std::to_string(exponent);
    if (out.size() <= kCalcDisplayWidth) break;
  }
  return out;
}

// An operand that starts with "-" goes into brackets, so that "5.--3."
// reads as it should.
std::string Operand(const std::string& text) { return text.find('-') == 0 ? "(" + text + ")" : text; }

}  // namespace

std::string FormatCalculatorNumber(const std::string& text) {
  // The evaluator's failure text stays as it is, for the person to see.
  if (IsErrorText(text)) return text;
  std::string t = Trimmed(text);
  if (HasExponent(t)) {
    const std::optional<double> v = Value(t);
    if (!v) return t;
    return ExponentForm(*v);
  }
  if (t.find('-') == std::string::npos) t.insert(0, 1, ' ');
  if (t.find('.') != std::string::npos) {
    while (t.back() == '0') t.pop_back();
  } else {
    t += '.';
  }
  if (t.size() <= kCalcDisplayWidth) return t;
  const std::optional<double> v = Value(t);
  if (v && (std::fabs(*v) > 9999999999999.0 || (*v != 0 && std::fabs(*v) < 1e-12))) return ExponentForm(*v);
  // Cut, not rounded: what fits of the evaluator's digits.
  return t.substr(0, kCalcDisplayWidth);
}

bool IsCalculatorNumber(const std::string& text) {
  const std::string t = Trimmed(text);
  std::size_t i = 0;
  if (i < t.size() && t[i] == '-') ++i;
  bool digits = false, point = false;
  for (; i < t.size(); ++i) {
    if (t[i] >= '0' && t[i] <= '9') {
      digits = true;
    } else if (t[i] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digits;
}

CalculatorMachine::CalculatorMachine() {
  evaluate = [](const std::string& text) { return orn::Evaluate(text); };
}

void CalculatorMachine::Beep() const {
  if (beep) beep();
}

std::string CalculatorMachine::Eval(const std::string& text) const {
  std::string result = evaluate ? evaluate(text) : std::string(kEvalError);
  // Reals come back with the process's decimal separator; the display
  // always works with ".".
  const char separator = DecimalSeparator();
  if (separator != '.' && !IsErrorText(result))
    for (char& c : result)
      if (c == separator) c = '.';
  return result;
}

void CalculatorMachine::Start(const std::string& display, bool startGiven) {
  display_ = IsCalculatorNumber(display) ? FormatCalculatorNumber(display) : kCalcZero;
  entry_ = display_;
  startGiven_ = startGiven;
  continueStart_ = startGiven;
  newEntry_ = true;
  fraction_ = display_.back() != '.';
  UpdateOneOperandKeys();
}

void CalculatorMachine::UpdateOneOperandKeys() {
  const std::optional<double> v = Value(display_);
  reciprocalEnabled_ = v && *v != 0;
  squareRootEnabled_ = display_.find('-') == std::string::npos;
}

void CalculatorMachine::ShowValue(const std::string& value) {
  display_ = value;
  entry_ = value;
  newEntry_ = true;
  fraction_ = false;
  continueStart_ = false;
  UpdateOneOperandKeys();
}

void CalculatorMachine::AppendCalculatorDigit(char digit) {
  // No leading zeros.
  if (digit == '0' && display_ == kCalcZero && !fraction_) return;
  if (newEntry_) {
    newEntry_ = false;
    if (!continueStart_) {
      display_ = kCalcZero;
      fraction_ = false;
    }
  }
  if (display_.size() >= kCalcDisplayWidth) return Beep();
  if (fraction_) {
    display_ += digit;
  } else if (display_ == kCalcZero || display_ == "-0.") {
    display_ = std::string(1, display_[0]) + digit + ".";
  } else {
    const std::size_t point = display_.rfind('.');
    if (point == std::string::npos)
      display_ += digit;
    else
      display_.insert(point, 1, digit);
  }
  entry_ = display_;
  UpdateOneOperandKeys();
}

void CalculatorMachine::ApplyCalculatorOperator(const std::string& op) {
  if (operator_ == "/") {
    const std::optional<double> divisor = Value(display_);
    if (divisor && *divisor == 0) return Beep();
  }
  indicator_ = op == "=" ? std::string() : op;
  newEntry_ = true;
  fraction_ = false;
  continueStart_ = false;
  entry_ = display_;
  if (Trimmed(entry_).empty() || Trimmed(left_).empty() || operator_.empty()) {
    if (op != "=") {
      left_ = entry_;
      operator_ = op;
    }
    return UpdateOneOperandKeys();
  }
  const std::string result = FormatCalculatorNumber(Eval(Operand(left_) + operator_ + Operand(entry_)));
  display_ = result;
  // "=" keeps the operator: a second "=" applies it again to the result.
  if (op != "=") operator_ = op;
  left_ = result;
  UpdateOneOperandKeys();
}

void CalculatorMachine::DecimalPoint() {
  if (newEntry_) {
    newEntry_ = false;
    if (!continueStart_) {
      display_ = kCalcZero;
      entry_ = display_;
      fraction_ = false;
    }
  }
  if (fraction_) return Beep();
  fraction_ = true;
  UpdateOneOperandKeys();
}

void CalculatorMachine::ChangeSign() {
  if (display_ == kCalcZero || display_.empty()) return;
  if (display_[0] == '-')
    display_[0] = ' ';
  else if (display_[0] == ' ')
    display_[0] = '-';
  entry_ = display_;
  UpdateOneOperandKeys();
}

void CalculatorMachine::Percent() {
  if (left_ == kCalcZero) return Beep();
  entry_ = display_;
  ShowValue(FormatCalculatorNumber(Eval("((" + entry_ + ")*(" + left_ + ")/100)")));
}

void CalculatorMachine::Reciprocal() {
  const std::optional<double> v = Value(display_);
  if (!v || *v == 0) return Beep();
  entry_ = display_;
  ShowValue(FormatCalculatorNumber(Eval("1/(" + entry_ + ")")));
}

void CalculatorMachine::SquareRoot() {
  const std::optional<double> v = Value(display_);
  if (!v || *v < 0) return Beep();
  // The root's shortest exact decimal text; the display cuts it.
  char buf[400];
  auto [end, ec] = std::to_chars(buf, buf + sizeof buf, std::sqrt(*v), std::chars_format::fixed);
  const std::string root = ec == std::errc() ? std::string(buf, end) : std::string(kEvalError);
  ShowValue(FormatCalculatorNumber(root));
}

void CalculatorMachine::Backspace() {
  if (newEntry_ && !continueStart_) return Beep();
  if (display_.size() <= 3) {
    display_ = kCalcZero;
    entry_ = display_;
    fraction_ = false;
    newEntry_ = false;
    UpdateOneOperandKeys();
    return Beep();
  }
  if (display_.back() == '.') {
    display_.erase(display_.size() - 2, 1);
    fraction_ = false;
  } else {
    display_.pop_back();
  }
  newEntry_ = false;
  entry_ = FormatCalculatorNumber(Eval(display_));
  UpdateOneOperandKeys();
}

void CalculatorMachine::ClearEntry() {
  if (newEntry_) return Beep();
  display_ = kCalcZero;
  entry_ = display_;
  newEntry_ = true;
  fraction_ = false;
  UpdateOneOperandKeys();
}

void CalculatorMachine::Clear() {
  display_ = kCalcZero;
  entry_ = display_;
  left_ = display_;
  indicator_.clear();
  // The pending operator goes too: left behind, it would apply itself to a
  // zero at the next operator and lose the next computation.
  operator_.clear();
  newEntry_ = true;
  fraction_ = false;
  continueStart_ = false;
  UpdateOneOperandKeys();
}

void CalculatorMachine::MemoryClear() {
  memory_ = kCalcZero;
  ShowValue(display_);
}

void CalculatorMachine::MemoryRecall() { ShowValue(memory_); }

void CalculatorMachine::MemoryStore() {
  memory_ = display_;
  ShowValue(display_);
}

void CalculatorMachine::MemoryAdd() {
  memory_ = FormatCalculatorNumber(Eval("(" + memory_ + ")+(" + display_ + ")"));
  ShowValue(display_);
}

void CalculatorMachine::Paste(const std::string& text) { ShowValue(text); }

std::string CalculatorMachine::Result() const {
  std::string r = display_;
  if (!r.empty() && r.back() == '.') r.pop_back();
  const std::size_t first = r.find_first_not_of(' ');
  return first == std::string::npos ? std::string() : r.substr(first);
}

}  // namespace orn
