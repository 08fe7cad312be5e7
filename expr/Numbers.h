// Numbers as the evaluator reads and writes them: texts with "." as the
// decimal separator whatever the C locale says, integers as 32-bit values,
// reals rounded by the ROUND rule (a 1e-10 nudge away from zero, then half
// away from zero) and written in the shortest general form.
#pragma once

#include <string>

namespace orn {

// A 32-bit signed integer; anything else throws EvalError.
int StrictInt(const std::string& text);
// A real number written whole (blanks around it allowed); else EvalError.
double StrictReal(const std::string& text);
// The number at the start of the text, up to the first character that does
// not fit one; 0 when there is none.
double LenientReal(const std::string& text);

// The decimal count of a number text: the digits after ".", or for an
// exponent form the magnitude of a negative exponent (else 0).
int DecimalCount(const std::string& text);
// How many decimals the quotient `value` needs (0 to 15).
int QuotientDecimals(double value);

// x rounded to n decimals (n taken in 0..18).
double RoundTo(double x, int n);
// At most 15 significant digits: "2.5", "1E-5", "1E15", "-0.02".
std::string FormatGeneral(double x);
// x rounded to n decimals and written in the general form.
std::string RoundedText(double x, int n);
// x rounded to n decimals and written with exactly n of them ("2.50").
std::string RoundedFixedText(double x, int n);

// Integer arithmetic that fails instead of wrapping around.
int CheckedAdd(int a, int b);
int CheckedSub(int a, int b);
int CheckedMul(int a, int b);

}  // namespace orn
