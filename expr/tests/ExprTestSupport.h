// Shared set-up for the evaluator's tests: a scripted dialog service that
// records the failure messages, a clock standing on 15.03.2026, a fresh
// parse cache, and every extension point reset afterwards.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Clock.h"
#include "Evaluator.h"
#include "ParseCache.h"
#include "ScriptedDialogService.h"

namespace orn::test {

// One row of a table: what it checks, the expression, the expected text.
struct Case {
  const char* name;
  const char* expression;
  const char* expected;
};

class ExprTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto dialogs = std::make_unique<ScriptedDialogService>();
    dialogs_ = dialogs.get();
    previousDialogs_ = SetDialogs(std::move(dialogs));
    previousClock_ = SetClock(std::make_unique<FixedClock>(*EncodeDate(2026, 3, 15)));
    FreeParseCache();
    CreateParseCache();
    SetDecimalSeparator('.');
  }

  void TearDown() override {
    SetDialogs(std::move(previousDialogs_));
    SetClock(std::move(previousClock_));
    FreeParseCache();
    SetExprHost(nullptr);
    SetKursDataset(nullptr);
    UserFunctions().Clear();
    UserFunctionHandler = nullptr;
    AnalyticFormatHandler = nullptr;
    SetDecimalSeparator('.');
  }

  // Runs every row through EvaluateExpression.
  void CheckAll(const std::vector<Case>& cases, const ExprDataset* dataset = nullptr, ExprForm* form = nullptr) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ": " + c.expression);
      EXPECT_EQ(Evaluate(c.expression, dataset, form), c.expected);
    }
  }

  // The same for rows written in UTF-8 (Latvian letters).
  void CheckAllUtf8(const std::vector<Case>& cases) {
    for (const Case& c : cases) {
      SCOPED_TRACE(std::string(c.name) + ": " + c.expression);
      EXPECT_EQ(EvaluateUtf8(c.expression), c.expected);
    }
  }

  ScriptedDialogService* dialogs_ = nullptr;

 private:
  std::unique_ptr<DialogService> previousDialogs_;
  std::unique_ptr<Clock> previousClock_;
};

}  // namespace orn::test
