// The reduction engine, rule group by rule group: what a formula gives, in
// which order operators take their operands, and how failures end.
#include <gtest/gtest.h>

#include "ExprTestSupport.h"
#include "Tokenizer.h"

namespace orn::test {
namespace {

class ExprRules : public ExprTest {};

TEST_F(ExprRules, PrecedenceAndPassOrder) {
  CheckAll({
      {"empty expression is the empty text", "", ""},
      {"product before sum", "1+2*3", "7"},
      {"product then sum", "2*3+1", "7"},
      {"subtraction left to right", "10-4-3", "3"},
      {"division waits for its left sum", "1+6/3", "3"},
      {"parentheses first", "(1+2)*3", "9"},
      {"nested parentheses", "((2))*((3+1))", "8"},
      {"comparison with parenthesised sum", "1 < (2+3)", "T"},
      {"comparison after arithmetic on the left", "2*3 = 6", "T"},
      {"and/or left to right with equal rank", "1=2 and 1=1 or 2=2", "T"},
      {"or then and, left to right", "1=1 or 1=1 and 1=2", "F"},
      {"negation of a parenthesised comparison", "!(1 = 2)", "T"},
      {"words and, or in upper case", "1 = 1 AND 2 = 2", "T"},
      {"dotted words", "(1 = 2).OR.(3 = 3)", "T"},
  });
}

TEST_F(ExprRules, ComparisonTakesTheOperandsBesideIt) {
  // 1 < 2 is compared first, and T + 3 has no rule.
  EXPECT_EQ(Evaluate("1 < 2+3"), "!!!ERROR!!!");
  ASSERT_EQ(dialogs_->asked.size(), 1u);
  EXPECT_EQ(dialogs_->asked[0], "dialog: Can not evaluate expression:\r\rT+3");
}

TEST_F(ExprRules, IntegerAndRealArithmetic) {
  CheckAll({
      {"integer product", "6*7", "42"},
      {"integer quotient that divides", "6/3", "2"},
      {"integer quotient with a half", "7/2", "3.5"},
      {"quotient rounded to 12 decimals with the nudge", "1/3", "0.333333333433"},
      {"two-thirds need only 11 decimals", "2/3", "0.66666666677"},
      {"real product rounded to the decimals of both", "0.1*0.2", "0.02"},
      {"real product of integer and real", "3*1.25", "3.75"},
      {"real sum rounded to the larger decimal count", "1.25+0.5", "1.75"},
      {"real difference", "0.3-0.1", "0.2"},
      {"real quotient", "1.5/0.5", "3"},
      {"real quotient with decimals", "10/4.0", "2.5"},
      {"negative literals", "-2*(-3)", "6"},
      {"exponent literal decimals", "1E-3*3", "0.003"},
      {"real written leniently in arithmetic", "VAL('2.5x')+1", "3.5"},
      {"zero divided is an integer", "0/5", "0"},
      {"large integers stay exact", "2000000000+147483647", "2147483647"},
  });
}

TEST_F(ExprRules, ComparisonsOfEachKind) {
  CheckAll({
      {"strings byte by byte", "'abc' < 'abd'", "T"},
      {"string equality is exact, not a prefix test", "'ab' = 'abc'", "F"},
      {"strings are case-sensitive", "'a' = 'A'", "F"},
      {"integers by value", "10 > 9", "T"},
      {"reals against integers", "2.5 >= 2", "T"},
      {"not equal with <>", "1 <> 2", "T"},
      {"not equal with #", "2 # 2", "F"},
      {"less or equal", "2 <= 2", "T"},
      {"dates by value, not by text", "CTOD('01.02.2026') > CTOD('31.01.2026')", "T"},
      {"boolean and", "(1=1) & (2=3)", "F"},
      {"boolean or", "(1=1) ^ (2=3)", "T"},
  });
}

TEST_F(ExprRules, ExpressionsThatMatchNoRuleFail) {
  const std::vector<Case> cases = {
      {"string against number", "'1' = 1", "1=1"},
      {"date minus date", "DATE()-DATE()", "15.03.2026-15.03.2026"},
      {"not-equal written !=", "1 != 2", "1!=2"},
      {"equals written twice", "1 == 1", "1==1"},
      {"minus before a parenthesis", "-(1)", "-1"},
      {"division by zero", "5/0", "5/0"},
      {"real division by zero", "5.5/0", "5.5/0"},
      {"integer that is not one", "1x+1", "1x+1"},
      {"integer overflow instead of wrapping", "2147483647+1", "2147483647+1"},
      {"product overflow", "65536*65536", "65536*65536"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    dialogs_->asked.clear();
    EXPECT_EQ(Evaluate(c.expression), "!!!ERROR!!!");
    ASSERT_EQ(dialogs_->asked.size(), 1u);
    EXPECT_EQ(dialogs_->asked[0], std::string("dialog: Can not evaluate expression:\r\r") + c.expected);
  }
}

TEST_F(ExprRules, PassLimitEndsLongSums) {
  std::string sum = "1";
  for (int i = 0; i < 150; ++i) sum += "+1";
  EXPECT_EQ(Evaluate(sum), "151");
  for (int i = 0; i < 100; ++i) sum += "+1";
  EXPECT_EQ(Evaluate(sum), "!!!ERROR!!!");
}

TEST_F(ExprRules, ResultTextIsTheRemainingTokensOnFailure) {
  TokenList tokens;
  TokenizeExpression("'a' + 1 * 2 + (3", tokens);
  std::string result, resultText;
  ReduceTokens(tokens, nullptr, result, resultText, false, nullptr);
  EXPECT_EQ(result, "!!!ERROR!!!");
  EXPECT_EQ(resultText, "a+2+(3");
  EXPECT_TRUE(dialogs_->asked.empty()) << "messages were off";
}

TEST_F(ExprRules, DecimalSeparatorIsRestoredOnEveryPath) {
  SetDecimalSeparator(',');
  EXPECT_EQ(Evaluate("1.5+1"), "2,5");
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(Evaluate("1/0"), "!!!ERROR!!!");
  EXPECT_EQ(DecimalSeparator(), ',');
  EXPECT_EQ(Evaluate("1 < 2+3"), "!!!ERROR!!!");
  EXPECT_EQ(DecimalSeparator(), ',');
  // Integers and strings are not touched.
  EXPECT_EQ(Evaluate("'1.5'"), "1.5");
  // A blank separator counts as ".".
  SetDecimalSeparator(' ');
  EXPECT_EQ(Evaluate("1.5*1"), "1.5");
  EXPECT_EQ(DecimalSeparator(), '.');
}

TEST_F(ExprRules, DatesAndDaysAdd) {
  CheckAll({
      {"today", "DATE()", "15.03.2026"},
      {"date plus days", "DATE()+30", "14.04.2026"},
      {"date minus days across a year", "CTOD('05.01.2026')-10", "26.12.2025"},
      {"date plus a real number of days", "CTOD('05.01.2026')+1.5", "06.01.2026"},
  });
}

TEST_F(ExprRules, NilOperandsCountAsZeroOrEmpty) {
  // A form-qualified name whose form is not open is Nil.
  CheckAll({
      {"Nil plus a number", "Closed.Table.Summa + 5", "5"},
      {"number minus Nil", "7 - Closed.Table.Summa", "7"},
      {"string plus Nil", "'ab' + Closed.Table.Name", "ab"},
      {"TRY replaces Nil", "TRY(Closed.Table.Name, 'none')", "none"},
      {"DTOC of Nil", "DTOC(Closed.Table.Day)", ""},
  });
}

}  // namespace
}  // namespace orn::test
