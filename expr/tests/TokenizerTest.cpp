// The scanner and the parse cache: what token lists texts become, and when
// a text is scanned at all.
#include <gtest/gtest.h>

#include "ExprTestSupport.h"
#include "Tokenizer.h"

namespace orn::test {
namespace {

// Tokens written as kind:text, one after the other.
std::string Describe(const std::string& text) {
  TokenList tokens;
  TokenizeExpression(text, tokens);
  std::string out;
  for (const Token& t : tokens) out += std::string(out.empty() ? "" : " ") + KindName(t.kind) + ":" + t.text;
  return out;
}

TEST(ExprTokenizer, ScansTextsIntoKindsAndTexts) {
  const std::vector<Case> cases = {
      {"empty text gives one empty token", "", ":"},
      {"integer, real and exponent literals", "12+1.5E-3*2e+4", "Par:12 +:+ ParR:1.5E-3 *:* ParR:2e+4"},
      {"name starting with E stays a name", "Ext+1", "Pole:Ext +:+ Par:1"},
      {"blank inside a name joins its words", "Kods Valutas", "Pole:KodsValutas"},
      {"leading minus makes a negative number", "-5+3", "Par:-5 +:+ Par:3"},
      {"minus after ( makes a negative number", "2*(-1.5)", "Par:2 *:* (:( ParR:-1.5 ):) :"},
      {"minus between numbers is subtraction", "5-3", "Par:5 -:- Par:3"},
      {"lone minus after ( is the minus token", "(-)", "(:( -:- ):) :"},
      {"string after ( is Str, after comma ParStr", "POS(\"a\",'b')", "Func:POS (:( Str:a ,:, ParStr:b ):) :"},
      {"other quote is a plain character inside", "'say \"hi\"'", "Str:say \"hi\" :"},
      {"bracketed list is one Arr token", "CASESTR(1,[1;2;3],[\"a\";'b';c],0)",
       "Func:CASESTR (:( Par:1 ,:, Arr:1;2;3 ,:, Arr:\"a\";'b';c ,:, Par:0 ):) :"},
      {"operator characters with a blank merge", "a > = b", "Pole:a Znak:>= Pole:b"},
      {"not-equal forms", "a<>b#c", "Pole:a Znak:<> Pole:b Znak:# Pole:c"},
      {"and directly before not merges into one operator", "a&!b", "Pole:a Znak:&! Pole:b"},
      {"function names in any letter case", "left(x,2)", "Func:left (:( Pole:x ,:, Par:2 ):) :"},
      {"name after comma is a name", "LEFT(x,n)", "Func:LEFT (:( Pole:x ,:, Pole:n ):) :"},
      {"qualified names keep their dots", "Form1.Table.Summa", "Pole:Form1.Table.Summa"},
      {"trailing blank leaves no token", "(1) ", "(:( Par:1 ):) :"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Describe(c.expression), c.expected);
  }
}

TEST(ExprTokenizer, RewritesLogicalWordsOutsideStrings) {
  const std::vector<Case> cases = {
      {"and between blanks", "a = 1 and b = 2", "a = 1&b = 2"},
      {"dotted forms", "x.and.y.OR.z", "x&y^z"},
      {"parenthesised forms", "(a)and (b) Or(c)", "(a)&(b)^(c)"},
      {"mixed-case word is left alone", "a aNd b", "a aNd b"},
      {"text without the letters is untouched", "x - 1", "x - 1"},
      {"string literal keeps its words", "N = 'Smith and Sons' or N = \"A and B\"",
       "N = 'Smith and Sons'^N = \"A and B\""},
      {"string literal keeps (-", "POS('(-', x) and (-1 < 0)", "POS('(-', x)&(@1 < 0)"},
      {"leading minus after blanks", "  -5", "  @5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(NormalizeExpressionText(c.expression), c.expected);
  }
}

class ExprParseCache : public ExprTest {};

TEST_F(ExprParseCache, TextsDifferingInLetterCaseShareOneEntry) {
  const unsigned long long before = TokenizationCount();
  EXPECT_EQ(Evaluate("left('Abc', 2)"), "Ab");
  EXPECT_EQ(Evaluate("LEFT('Abc', 2)"), "Ab");
  EXPECT_EQ(Evaluate("Left('Abc', 2)"), "Ab");
  EXPECT_EQ(ParseCacheSize(), 1u);
  EXPECT_EQ(TokenizationCount() - before, 1u);
}

TEST_F(ExprParseCache, CacheHitNeverRescans) {
  const unsigned long long before = TokenizationCount();
  for (int i = 0; i < 100; ++i) EXPECT_EQ(Evaluate("1+2 = 3"), "T");
  EXPECT_EQ(TokenizationCount() - before, 1u);
  // The uncached entry point scans every time.
  std::string result;
  for (int i = 0; i < 3; ++i) EvaluateExpressionUncached("1+2 = 3", nullptr, nullptr, result);
  EXPECT_EQ(TokenizationCount() - before, 4u);
}

TEST_F(ExprParseCache, StringLiteralsInDifferentCaseAreDifferentEntries) {
  // Upper-casing the literals too would make the second filter compare
  // against the first one's text.
  EXPECT_EQ(Evaluate("'abc' = 'abc'"), "T");
  EXPECT_EQ(Evaluate("'ABC' = 'abc'"), "F");
  EXPECT_EQ(Evaluate("CASESTR(1,[1],['x'],'')"), "x");
  EXPECT_EQ(Evaluate("CASESTR(1,[1],['X'],'')"), "X");
  EXPECT_EQ(ParseCacheKey("left(x,'ab') and [a;'b']"), "LEFT(X,'ab') AND [a;'b']");
}

TEST_F(ExprParseCache, WorksWithoutACache) {
  FreeParseCache();
  EXPECT_EQ(Evaluate("2*3"), "6");
  EXPECT_FALSE(ParseCacheExists());
}

}  // namespace
}  // namespace orn::test
