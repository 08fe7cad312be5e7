// Shared pieces of the data-aware control tests: the application object, a
// scripted message window, tables made with the table layer, and their
// records as pxlib (the independent reader) sees them.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

#include "CreateTable.h"
#include "ScriptedDialogService.h"
#include "TableTestUtil.h"

namespace orntest {

inline void EnsureApp() {
  static int argc = 1;
  static char name[] = "data_controls_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = QApplication::instance() ? nullptr : new QApplication(argc, argv);
  (void)app;
}

// A test whose members may be widgets: the application comes first.
class AppTest : public ::testing::Test {
 protected:
  AppTest() { EnsureApp(); }
};

// Installs a scripted dialog service for the length of a test.
class ScriptedDialogs {
 public:
  ScriptedDialogs() {
    auto service = std::make_unique<orn::ScriptedDialogService>();
    service_ = service.get();
    previous_ = orn::SetDialogs(std::move(service));
  }
  ~ScriptedDialogs() { orn::SetDialogs(std::move(previous_)); }
  orn::ScriptedDialogService* operator->() const { return service_; }
  orn::ScriptedDialogService& operator*() const { return *service_; }

 private:
  orn::ScriptedDialogService* service_;
  std::unique_ptr<orn::DialogService> previous_;
};

// Creates `path` with `fields` and the rows (texts in field order), keyed on
// the first `keyFields` fields.
void MakeTable(const std::string& path, const std::vector<orn::FieldDef>& fields, int keyFields,
               const std::vector<std::vector<std::string>>& rows);

// The text of an Alpha field in every record pxlib reads, in file order
// (code page 1257 decoded to UTF-8, up to the first NUL).
std::vector<std::string> AlphaColumnByPxlib(const std::string& dbPath, const std::string& pxPath, int offset,
                                            int width);

}  // namespace orntest
