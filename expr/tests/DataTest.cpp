// Names read from datasets and forms, the host's extension points (user
// functions, FORMANALIT, the rate table) and the nested evaluation of
// CASESTR.
#include <gtest/gtest.h>

#include "ExprTestSupport.h"
#include "MemoryDataset.h"
#include "Reduction.h"
#include "Tokenizer.h"

namespace orn::test {
namespace {

DateTime Day(int y, int m, int d) { return *EncodeDate(y, m, d); }

class ExprData : public ExprTest {
 protected:
  void SetUp() override {
    ExprTest::SetUp();
    items.AddField("Kods", FieldType::String);
    items.AddField("Summa", FieldType::Float);
    items.AddField("Skaits", FieldType::Integer);
    items.AddField("Cena", FieldType::Currency);
    items.AddField("Aktivs", FieldType::Boolean);
    items.AddField("Datums", FieldType::Date);
    items.AddField("Laiks", FieldType::Time);
    items.AddField("Piezimes", FieldType::Memo);
    items.AddField("Brivs", FieldType::Integer);
    items.AddRow({MemoryDataset::Text("LV-ā1"), MemoryDataset::Real(12.5), MemoryDataset::Int(3),
                  MemoryDataset::Real(9.95, FieldType::Currency), MemoryDataset::Boolean(true),
                  MemoryDataset::Day(Day(2026, 2, 1)), MemoryDataset::Day(EncodeTime(13, 5, 0), FieldType::Time),
                  MemoryDataset::Text("note"), MemoryDataset::Null(FieldType::Integer)});
  }

  MemoryDataset items;
};

TEST_F(ExprData, BareNamesReadTheCurrentRecord) {
  CheckAll(
      {
          {"string field", "LEFT(Kods, 2) = 'LV'", "T"},
          {"field names ignore letter case", "kods",
           "LV-\xE2"
           "1"},
          {"float field is a real", "Summa * 2", "25"},
          {"integer field", "Skaits + 1", "4"},
          {"money with cents is a real", "Cena > 9", "T"},
          {"true boolean field counts as true", "Aktivs & (1 = 1)", "T"},
          {"date field", "Datums + 1", "02.02.2026"},
          {"time field", "TTOC(Laiks)", "13:05:00"},
          {"memo field", "Piezimes + '!'", "note!"},
          {"unknown name is its own text", "Nav", "Nav"},
          {"filter with a call, a comparison and an and", "LEFT(Kods,2) = 'LV' and Summa > 10", "T"},
      },
      &items);
}

TEST_F(ExprData, NameWithoutDatasetIsItsOwnText) {
  EXPECT_EQ(Evaluate("ABC"), "ABC");
  EXPECT_EQ(Evaluate("Skaits"), "Skaits");
}

TEST_F(ExprData, NullIntegerFieldFails) { EXPECT_EQ(Evaluate("Brivs + 1", &items), "!!!ERROR!!!"); }

TEST_F(ExprData, QualifiedNamesReadForms) {
  MemoryForm form("FormPreces");
  form.AddDataset("Table1", &items);
  MemoryHost host;
  host.AddForm(&form);
  SetExprHost(&host);
  CheckAll(
      {
          {"dataset.field of the form", "Table1.Skaits * 2", "6"},
          {"form.dataset.field of an open form", "FormPreces.Table1.Summa + 0.5", "13"},
          {"form name ignores letter case", "formpreces.table1.skaits", "3"},
          {"closed form gives Nil, counted as 0", "Citi.Table1.Skaits + 1", "1"},
          {"FORMNOTNIL of an open form", "FORMNOTNIL('FormPreces')", "T"},
          {"FORMNOTNIL of a closed form", "FORMNOTNIL('Citi')", "F"},
      },
      nullptr, &form);
  EXPECT_EQ(Evaluate("Table9.Skaits", nullptr, &form), "!!!ERROR!!!") << "missing dataset component";
  EXPECT_EQ(Evaluate("Table1.Nekas", nullptr, &form), "!!!ERROR!!!") << "missing field";
  EXPECT_EQ(Evaluate("Table1.Skaits"), "!!!ERROR!!!") << "no form";
  EXPECT_EQ(Evaluate("FormPreces.Table1.Nekas"), "!!!ERROR!!!") << "open form, missing field";
}

TEST_F(ExprData, MdiFrameFindsChildrenAndDataModule) {
  MemoryForm child("Child1"), dataModule("DataAppl");
  child.AddDataset("T", &items);
  dataModule.AddDataset("Kursi", &items);
  MemoryHost host;
  host.mdiFrame = true;
  host.activeChild = &child;
  host.AddForm(&child);
  host.AddForm(&dataModule);
  SetExprHost(&host);
  EXPECT_EQ(Evaluate("T.Skaits"), "3") << "the active child stands in for a missing form";
  EXPECT_EQ(Evaluate("CHILD1.T.Skaits"), "3");
  EXPECT_EQ(Evaluate("dataappl.Kursi.Skaits"), "3");
  EXPECT_EQ(Evaluate("FORMNOTNIL('child1')"), "T");
}

TEST_F(ExprData, UserFunctionsFromTheRegistry) {
  UserFunctions().Set("Dubult", "N|N");
  UserFunctions().Set("Sveiks", "|S");
  UserFunctions().Set("Trijas", "SII|S");
  UserFunctions().Set("Tukss", "");
  UserFunctions().Set("Slikts", "N|Q");
  std::vector<std::string> calls;
  UserFunctionHandler = [&calls](const std::string& name, const std::vector<std::string>& args, std::string& value) {
    std::string call = name + "(";
    for (const std::string& a : args) call += a + ";";
    calls.push_back(call + ")");
    if (name == "DUBULT")
      value = std::to_string(2 * std::stoi(args[0]));
    else if (name == "SVEIKS")
      value = "sveiki";
    else
      value = args[0].substr(static_cast<size_t>(std::stoi(args[1])), static_cast<size_t>(std::stoi(args[2])));
  };
  CheckAll({
      {"one argument, real result", "dubult(21) + 0.5", "42.5"},
      {"no argument", "Sveiks() + '!'", "sveiki!"},
      {"three arguments", "TRIJAS('abcdef', 1, 2)", "bc"},
      {"built-in name wins over the registry", "LEFT('ab', 1)", "a"},
  });
  EXPECT_EQ(calls, (std::vector<std::string>{"DUBULT(21;)", "SVEIKS()", "TRIJAS(abcdef;1;2;)"}));
  EXPECT_EQ(Evaluate("Dubult(1, 2)"), "!!!ERROR!!!") << "wrong argument count stays unreduced";
  EXPECT_EQ(Evaluate("Tukss()"), "!!!ERROR!!!") << "blank registry value";
  EXPECT_EQ(Evaluate("Slikts(1)"), "!!!ERROR!!!") << "unknown result letter";
  UserFunctionHandler = [](const std::string&, const std::vector<std::string>&, std::string&) {
    throw std::runtime_error("host failure");
  };
  EXPECT_EQ(Evaluate("Dubult(1)"), "!!!ERROR!!!") << "a throwing handler is a failed evaluation";
  UserFunctionHandler = nullptr;
  EXPECT_EQ(Evaluate("Dubult(1)"), "!!!ERROR!!!") << "no handler";
}

TEST_F(ExprData, HandlerMayEvaluateFormulasOfItsOwn) {
  UserFunctions().Set("Formula", "S|S");
  UserFunctionHandler = [](const std::string&, const std::vector<std::string>& args, std::string& value) {
    value = Evaluate(args[0]);
  };
  EXPECT_EQ(Evaluate("LEFT('abc', 1) + Formula('2*3 = 6') + RIGHT('xyz', 1)"), "aTz");
}

TEST_F(ExprData, FormAnalitUsesTheHandler) {
  AnalyticFormatHandler = [](const std::string& a, const std::string& b, std::string& value) { value = a + "/" + b; };
  EXPECT_EQ(Evaluate("FORMANALIT('61', '2')"), "61/2");
}

TEST_F(ExprData, GetKursFindsTheRateInForce) {
  MemoryRateDataset rates;
  rates.Add({"EUR", Day(2026, 1, 1), Day(2026, 1, 31), 1, 1});
  rates.Add({"USD", Day(2026, 1, 1), Day(2026, 1, 31), 0.95, 1});
  rates.Add({"USD", Day(2026, 2, 1), Day(2026, 2, 28), 93.5, 100});
  rates.Add({"JPY", Day(2026, 1, 1), Day(2026, 12, 31), 1, 3});
  SetKursDataset(&rates);
  CheckAll({
      {"blank code is 1", "GETKURS(' ', DATE())", "1"},
      {"date inside the first period", "GETKURS('USD', CTOD('15.01.2026'))", "0.95"},
      {"date on a start day", "GETKURS('USD', CTOD('01.02.2026'))", "0.935"},
      {"date at the end of the last period", "GETKURS('USD', CTOD('28.02.2026'))", "0.935"},
      {"date after every period", "GETKURS('USD', CTOD('01.03.2026'))", "0"},
      {"date before every period", "GETKURS('USD', CTOD('01.01.2025'))", "0"},
      {"unknown currency", "GETKURS('GBP', CTOD('15.01.2026'))", "0"},
      {"rate written with nine decimals", "GETKURS('JPY', CTOD('15.01.2026'))", "0.333333333"},
  });
  EXPECT_TRUE(rates.Active());
}

TEST_F(ExprData, CaseStrLeavesTheOuterWorkingListsIntact) {
  // The outer expression still has tokens on both sides of the call when
  // the nested items are evaluated.
  EXPECT_EQ(Evaluate("LEFT('abc', 1) + CASESTR(2, [1+0;1+1], ['x'+'y';LEFT('zw',1)+'!'], '?') + RIGHT('abc', 1)"),
            "az!c");
  EXPECT_EQ(Evaluate("CASESTR(Skaits, [1;2;3], [Kods;'b';Summa], '')", &items), "12.5");
  // After a failing item the outer reduction goes on with its own tokens.
  EXPECT_EQ(Evaluate("CASESTR(1, [1/0;1], ['bad';'good'], '?') + '.'"), "good.");
  TokenList tokens;
  TokenizeExpression("'a' + 'b'", tokens);
  std::string result, resultText;
  ReduceTokens(tokens, nullptr, result, resultText, false, nullptr);
  EXPECT_EQ(WorkingTokens().size(), 1u);
}

}  // namespace
}  // namespace orn::test
