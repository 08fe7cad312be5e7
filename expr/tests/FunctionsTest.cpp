// The function library, family by family. Each row is a call a filter or
// the calculator makes and the text it must give.
#include <gtest/gtest.h>

#include "ExprTestSupport.h"

namespace orn::test {
namespace {

class ExprFunctions : public ExprTest {};

TEST_F(ExprFunctions, TrimCutAndPad) {
  CheckAll({
      {"ALLTRIM drops blanks on both sides", "'[' + ALLTRIM('  ab c  ') + ']'", "[ab c]"},
      {"LTRIM", "LTRIM('  ab ') + '|'", "ab |"},
      {"RTRIM", "'|' + RTRIM(' ab  ')", "| ab"},
      {"LEFT", "LEFT('abcdef', 3)", "abc"},
      {"LEFT of a negative count", "LEFT('abc', (-1)) + '|'", "|"},
      {"RIGHT", "RIGHT('abcdef', 2)", "ef"},
      {"RIGHT with count past the length", "RIGHT('abc', 10)", "abc"},
      {"SUBSTR", "SUBSTR('abcdef', 2, 3)", "bcd"},
      {"SUBSTR start below 1 counts as 1", "SUBSTR('abcdef', (-5), 2)", "ab"},
      {"SUBSTR beyond the end", "SUBSTR('abc', 9, 2) + '|'", "|"},
      {"STUFF", "STUFF('abcdef', 2, 3, 'XY')", "aXYef"},
      {"STUFF inserting only", "STUFF('abc', 2, 0, '-')", "a-bc"},
      {"REPLICATE", "REPLICATE('ab', 3)", "ababab"},
      {"REPLICATE of zero", "REPLICATE('ab', 0) + '|'", "|"},
      {"SPACE", "'[' + SPACE(3) + ']'", "[   ]"},
      {"PADL cuts from the left", "PADL('12345', 3)", "345"},
      {"PADL pads with blanks", "PADL('7', 3)", "  7"},
      {"PADL with a pad text", "PADL('7', 4, '0')", "0007"},
      {"PADR cuts from the right", "PADR('12345', 3)", "123"},
      {"PADR with a pad text", "PADR('ab', 5, '.-')", "ab.-."},
      {"PADC odd margin goes left", "PADC('ab', 5, '*')", "**ab*"},
      {"PADC margin of one goes right", "PADC('ab', 3, '*')", "ab*"},
      {"PADC even margins", "PADC('ab', 6, '*')", "**ab**"},
      {"PADC cuts a long text on both sides", "PADC('abcdefg', 4, '*')", "cdef"},
      {"PADC with blanks", "'[' + PADC('x', 3) + ']'", "[ x ]"},
  });
}

TEST_F(ExprFunctions, SearchAndTokens) {
  CheckAll({
      {"POS finds the first occurrence", "POS('an', 'banana')", "2"},
      {"POS of an empty text is 0", "POS('', 'abc')", "0"},
      {"POS missing", "POS('x', 'abc')", "0"},
      {"IN", "IN('nan', 'banana')", "T"},
      {"IN missing", "IN('x', 'banana')", "F"},
      {"LENGTH", "LENGTH('abc')", "3"},
      {"EMPTY of blanks", "EMPTY('   ')", "T"},
      {"EMPTY of text", "EMPTY(' a ')", "F"},
      {"ATNUM second occurrence", "ATNUM('a', 'banana', 2, 0)", "4"},
      {"ATNUM last occurrence", "ATNUM('a', 'banana', 0, 0)", "6"},
      {"ATNUM too few occurrences", "ATNUM('a', 'banana', 4, 0)", "0"},
      {"ATNUM skips characters", "ATNUM('a', 'banana', 1, 2)", "4"},
      {"ATNUM negative n", "ATNUM('a', 'banana', (-1), 0)", "0"},
      {"BEFORATNUM", "BEFORATNUM('-', 'a-b-c', 2, 0)", "a-b"},
      {"BEFORATNUM none", "BEFORATNUM('x', 'a-b', 1, 0) + '|'", "|"},
      {"AFTERATNUM", "AFTERATNUM('--', 'a--b--c', 1, 0)", "b--c"},
      {"NUMAT whole text", "NUMAT('a', 'banana', 0)", "3"},
      {"NUMAT from a position", "NUMAT('a', 'banana', 5)", "1"},
      {"ATTOKEN first", "ATTOKEN('a,b,c', ',', 1)", "2"},
      {"ATTOKEN missing counts past the end", "ATTOKEN('abc', 'x', 1)", "4"},
      {"ATTOKEN last", "ATTOKEN('a,b,c', ',', 0)", "4"},
      {"ATTOKEN from the right", "ATTOKEN('a,b,c', ',', (-2))", "2"},
      {"ATTOKEN from the right missing", "ATTOKEN('abc', 'x', (-1))", "0"},
      {"TOKEN second", "TOKEN('a,b;c', ',;', 2, 1)", "b"},
      {"TOKEN last", "TOKEN('a,b;c', ',;', 0, 1)", "c"},
      {"TOKEN past the last", "TOKEN('a,b;c', ',;', 4, 1) + '|'", "|"},
      {"TOKEN two delimiters in a row", "TOKEN('a,,b', ',', 2, 1) + '|'", "|"},
      {"TOKEN with a two-character delimiter", "TOKEN('a<>b<>c', '<>', 3, 0)", "c"},
      {"STRTRAN all", "STRTRAN('a-b-c', '-', '+', 1, 0)", "a+b+c"},
      {"STRTRAN from the second, one", "STRTRAN('a-b-c', '-', '+', 2, 1)", "a-b+c"},
      {"STRTRAN from past the last", "STRTRAN('a-b-c', '-', '+', 3, 0)", "a-b-c"},
      {"STRTRAN longer replacement", "STRTRAN('aXbXc', 'X', '<>', 0, 0)", "a<>b<>c"},
      {"REPLQUOTA replaces double quotes", "REPLQUOTA('say \"hi\"', '`')", "say `hi`"},
      {"REPLQUOTA replaces apostrophes", "REPLQUOTA(\"it's\", '`')", "it`s"},
      {"REPLQUOTA keeps a replacement that holds a quote", "REPLQUOTA('a\"b', \"''\")", "a''b"},
  });
}

TEST_F(ExprFunctions, Numbers) {
  CheckAll({
      {"STR keeps the number's text", "STR(1.50) + '|'", "1.50|"},
      {"VAL of an integer text", "VAL('12') + 1", "13"},
      {"VAL of a real text", "VAL('1.5') * 2", "3"},
      {"ROUND half away from zero with the nudge", "ROUND(2.675, 2)", "2.68"},
      {"ROUND of a negative half", "ROUND(-2.5)", "-3"},
      {"ROUND to an integer", "ROUND(2.5) + 1", "4"},
      {"ROUND keeps the shortest form", "ROUND(2.5, 3)", "2.5"},
      {"ROUNDF pads with zeros", "ROUNDF(2, 2)", "2.00"},
      {"ROUNDF of a half", "ROUNDF(2.5, 2)", "2.50"},
      {"ROUNDF to no decimals", "ROUNDF(2.5, 0)", "3"},
      {"SQR", "SQR(1.5)", "2.25"},
      {"SQRT", "SQRT(16)", "4"},
      {"tiny results use the exponent form", "SQR(0.001)", "1E-6"},
  });
}

TEST_F(ExprFunctions, Dates) {
  CheckAll({
      {"CTOD reads a short date", "CTOD('5.1.2026')", "05.01.2026"},
      {"CTOD of a two-digit year", "CTOD('05.01.26')", "05.01.2026"},
      {"CTOD of no date", "CTOD('no date')", "11.11.11"},
      {"DTOC of a date", "DTOC(CTOD('01.02.2026'))", "01.02.2026"},
      {"DTOC of a number is a blank", "'[' + DTOC(5) + ']'", "[ ]"},
      {"DAY", "DAY(CTOD('07.08.2026'))", "7"},
      {"MONTH", "MONTH(CTOD('07.08.2026'))", "8"},
      {"YEAR is the whole year", "YEAR(CTOD('07.08.2026'))", "2026"},
      {"YEAR of a two-digit date text", "YEAR(CTOD('xx'))", "11"},
      {"DAYSTR", "DAYSTR(CTOD('07.08.2026'))", "07"},
      {"MONTHSTR", "MONTHSTR(CTOD('07.08.2026'))", "08"},
      {"YEARSTR", "YEARSTR(CTOD('07.08.2026'))", "2026"},
      {"BOM", "BOM(CTOD('17.02.2026'))", "01.02.2026"},
      {"EOM", "EOM(CTOD('17.04.2026'))", "30.04.2026"},
      {"EOM of a leap February", "EOM(CTOD('10.02.2024'))", "29.02.2024"},
      {"ADDMONTH to a shorter month", "ADDMONTH(CTOD('31.01.2025'), 1)", "28.02.2025"},
      {"ADDMONTH into a leap February", "ADDMONTH(CTOD('31.01.2024'), 1)", "29.02.2024"},
      {"ADDMONTH keeps the 29th in a leap year", "ADDMONTH(CTOD('29.01.2024'), 1)", "29.02.2024"},
      {"ADDMONTH back across a year", "ADDMONTH(CTOD('15.03.2026'), (-3))", "15.12.2025"},
      {"ADDMONTH back over a year", "ADDMONTH(CTOD('15.03.2026'), (-15))", "15.12.2024"},
      {"ADDMONTH forward over years", "ADDMONTH(CTOD('15.03.2026'), 22)", "15.01.2028"},
      {"a minus after a comma is no sign", "LEFT('abc', -1)", "!!!ERROR!!!"},
      {"ADDMONTH of 0", "ADDMONTH(CTOD('15.03.2026'), 0)", "15.03.2026"},
  });
}

TEST_F(ExprFunctions, LogicAndChoice) {
  CheckAll({
      {"NOT", "NOT(1 = 2)", "T"},
      {"IF true gives the integer", "IF(1 < 2, 10, 'x') + 1", "11"},
      {"IF false gives the string", "IF(1 > 2, 10, 'x') + 'y'", "xy"},
      {"TRY of a value", "TRY(1, 2)", "1"},
      {"CASESTR finds the second condition", "CASESTR(2, [1;2;3], ['one';'two';'three'], 'none')", "two"},
      {"CASESTR default", "CASESTR(5, [1;2;3], ['one';'two';'three'], 'none')", "none"},
      {"CASESTR with expressions as items", "CASESTR('b', ['a';'b'], [1+1;2*5], 0)", "10"},
      {"CASENUM is a number", "CASENUM(1, [1;2], [10;20], 0) + 1", "11"},
      {"CASESTR nested in an expression", "'<' + CASESTR(3, [1;3], ['a';'c'], '?') + '>' + LEFT('xyz', 1)", "<c>x"},
      {"FORMNOTNIL with no form open", "FORMNOTNIL('Form1')", "F"},
  });
}

TEST_F(ExprFunctions, CallsWithArgumentsOfOtherKindsFail) {
  for (const char* expression :
       {"LEFT(1, 2)", "SUBSTR('abc', '1', 2)", "SPACE(1.5)", "SQRT(-1)", "ADDMONTH(CTOD('01.01.9999'), 12)",
        "ROUND('1')", "FORMANALIT('a', 'b')", "GETKURS('USD', DATE())", "DAY(5)", "REPLICATE('ab', 2000000)"}) {
    SCOPED_TRACE(expression);
    EXPECT_EQ(Evaluate(expression), "!!!ERROR!!!");
  }
}

TEST_F(ExprFunctions, LatvianLetters) {
  CheckAllUtf8({
      {"LATVBANK capitals without diacritics", "LATVBANK('ņā ķēža')", "NA KEZA"},
      {"LATVBANK keeps other accented letters", "LATVBANK('ö')", "ö"},
      {"LATVUNICODE markup and references", "LATVUNICODE('<Š&\"x\">')", "&lt;&#352;&amp;&quot;x&quot;&gt;"},
      {"LATVUNICODE apostrophe", "LATVUNICODE(\"a'b\")", "a&apos;b"},
      {"Š passes both conversions", "LATV(LATVDOS('Š'))", "Š"},
  });
  // Every letter of the table survives the round trip, and goes to its DOS code.
  const std::string letters =
      "\xC2\xE2\xC8\xE8\xC7\xE7\xCC\xEC\xCE\xEE\xCD\xED\xCF\xEF\xD2\xF2\xD0\xF0\xDB\xFB\xDE\xFE";
  EXPECT_EQ(Evaluate("LATV(LATVDOS('" + letters + "'))"), letters);
  EXPECT_EQ(Evaluate("LATVDOS('\xE2\xF2')"), "\xC6\xB7");
  EXPECT_EQ(Evaluate("LATV('\xD2\xD3')"), "\xE8\xC8") << "each byte converted once";
}

}  // namespace
}  // namespace orn::test
