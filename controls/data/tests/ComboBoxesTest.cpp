// The combo boxes with list files as a person meets them: where the list
// file is found or created, what the filter keeps, adding and editing the
// list, type-ahead, the drop-down list's size, and list files that are no
// lists at all.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

#include "ComboList.h"
#include "DataControlsTestUtil.h"
#include "FileSystem.h"
#include "LangTestUtil.h"
#include "OrnComboBoxes.h"
#include "OrnForma.h"
#include "OrnListBox.h"

namespace {

using orn::test::ReadBytes;
using orn::test::ScratchDir;
using orn::test::WriteBytes;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class ComboBoxes : public orntest::AppTest {
 protected:
  void SetUp() override {
    orntest::EnsureApp();
    orn::SetProgramFolder(Q(dir.Path()));
    // Without a language in Params.ini the windows speak the locale's; these
    // are looked at in Latvian, the program's first language.
    qputenv("LC_ALL", "lv_LV.UTF-8");
  }
  void TearDown() override { orn::SetProgramFolder(QString()); }

  // A combo box loaded over `sourceFile` the way a form resource loads it.
  std::unique_ptr<TOrnComboBox> Loaded(const QString& sourceFile, const QString& filter = QString(),
                                       TLoadStyle style = OrnData::lsFromExePath) {
    auto combo = std::make_unique<TOrnComboBox>();
    combo->setObjectName(QStringLiteral("CBTest"));
    combo->SetLoadStyle(style);
    combo->SetSourceFile(sourceFile);
    combo->SetFilter(filter);
    combo->Loaded();
    return combo;
  }

  ScratchDir dir;
  orntest::ScriptedDialogs dialogs;
};

TEST_F(ComboBoxes, ListFileIsFoundOrCreatedByItsName) {
  WriteBytes(dir.File("LIST.TXT"), "Alfa\r\nBeta\r\n");
  WriteBytes(dir.File("NOEXT"), "not this one\r\n");
  const struct {
    const char* sourceFile;
    const char* expectedFile;
    QStringList items;
  } cases[] = {
      {"VALUTAS", "VALUTAS.MNU", {}},              // ".MNU" added, created empty
      {"LIST.TXT", "LIST.TXT", {"Alfa", "Beta"}},  // an extension is kept
      {"NOEXT", "NOEXT.MNU", {}},                  // without "." it is never the bare name
      {"/elsewhere/VALUTAS", "VALUTAS.MNU", {}},   // reduced to its file name
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sourceFile);
    auto combo = Loaded(QLatin1String(c.sourceFile));
    EXPECT_TRUE(combo->Source()->Usable());
    EXPECT_EQ(combo->Source()->FullName(), Q(dir.File(c.expectedFile)));
    EXPECT_TRUE(orn::FileExists(dir.File(c.expectedFile)));
    EXPECT_EQ(combo->Items(), c.items);
  }
  EXPECT_FALSE(orn::FileExists(dir.File("LIST.TXT.MNU")));
  EXPECT_TRUE(dialogs->messageBoxes.empty());
}

TEST_F(ComboBoxes, FilterKeepsExactlyTheMatchingItemsInFileOrder) {
  WriteBytes(dir.File("KONTI.MNU"), "2610 Kase\r\n5310 Parādi\r\n2620 Banka\r\n7210 Biroja\r\n26 \"Īsais\"\r\n");
  const struct {
    const char* filter;
    QStringList items;
  } cases[] = {
      {"LEFT(%S, 2) = \"26\"", {"2610 Kase", "2620 Banka", "26 \"Īsais\""}},
      {"LEFT(%S, 1) = \"9\"", {}},
      {"", {"2610 Kase", "5310 Parādi", "2620 Banka", "7210 Biroja", "26 \"Īsais\""}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.filter);
    EXPECT_EQ(Loaded(QStringLiteral("KONTI"), QLatin1String(c.filter))->Items(), c.items);
  }
  EXPECT_TRUE(dialogs->asked.empty());
}

TEST_F(ComboBoxes, FilterThatDoesNotEvaluateSaysSoOnceAndHidesNothing) {
  WriteBytes(dir.File("KONTI.MNU"), "A\r\nB\r\nC\r\n");
  auto combo = Loaded(QStringLiteral("KONTI"), QStringLiteral("%S + 1 > 2"));
  EXPECT_EQ(combo->Items(), (QStringList{"A", "B", "C"}));
  ASSERT_EQ(dialogs->asked.size(), 1u);
  EXPECT_NE(dialogs->asked[0].find("Can not evaluate expression"), std::string::npos);
}

TEST_F(ComboBoxes, AddAppendsNewTextsOnlyIgnoringLetterCase) {
  // Code page 1257, no line break after the last line.
  WriteBytes(dir.File("PILSETAS.MNU"), "R\xEEga\r\nC\xE7sis");
  auto combo = Loaded(QStringLiteral("PILSETAS"));
  const struct {
    const char* typed;
    bool added;
  } cases[] = {{"RĪGA", false}, {"cēsis", false}, {"Valmiera", true}, {"valmiera", false}, {"", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    const std::string before = ReadBytes(dir.File("PILSETAS.MNU"));
    combo->setText(QString::fromUtf8(c.typed));
    combo->Add();
    EXPECT_EQ(ReadBytes(dir.File("PILSETAS.MNU")) != before, c.added);
  }
  EXPECT_EQ(ReadBytes(dir.File("PILSETAS.MNU")), "R\xEEga\r\nC\xE7sis\r\nValmiera\r\n");
  EXPECT_EQ(combo->Items(), (QStringList{"Rīga", "Cēsis", "Valmiera"}));
}

TEST_F(ComboBoxes, DoubleClickAsksInTheWindowsLanguageAndMenuCaptionsFollowIt) {
  QDir::setCurrent(Q(dir.Path()));
  std::vector<langtest::Line> lines = langtest::BuiltIns();
  lines.insert(lines.end(), {{"* ORNCBAddStringToList"},
                             langtest::Lv("Pievienot tekstu sarakstam?"),
                             langtest::Ru("Добавить строку в список?"),
                             {""}});
  WriteBytes(dir.File("PILSETAS.MNU"), "R\xEEga\r\n");
  TOrnForm form;
  form.setObjectName(QStringLiteral("FormPilsetas"));
  form.setWindowTitle(QStringLiteral("Pilsētas"));
  form.SetLanguageIni(Q(langtest::WriteDictionary(Q(dir.Path()), lines)));
  auto* combo = new TOrnComboBox(&form);
  combo->setObjectName(QStringLiteral("CBPilsetas"));
  combo->SetSourceFile(QStringLiteral("PILSETAS"));
  combo->Loaded();
  form.FormCreate();

  const struct {
    const char* typed;
    int answer;
    bool asked;
    bool added;
  } cases[] = {{"Valmiera", orn::kMsgOk, true, true},
               {"Liepāja", orn::kMsgCancel, true, false},
               {"rīga", orn::kMsgOk, false, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    dialogs->messageBoxes.clear();
    dialogs->messageBoxAnswers.push_back(c.answer);
    combo->setText(QString::fromUtf8(c.typed));
    QTest::mouseDClick(combo, Qt::LeftButton);
    ASSERT_EQ(dialogs->messageBoxes.size(), c.asked ? 1u : 0u);
    if (c.asked) {
      EXPECT_EQ(dialogs->messageBoxes[0].message, "Pievienot tekstu sarakstam?");
      EXPECT_EQ(dialogs->messageBoxes[0].caption, "Pilsētas");
      EXPECT_EQ(dialogs->messageBoxes[0].iconIndex, 2);
      EXPECT_EQ(dialogs->messageBoxes[0].buttons, 6);
    }
    EXPECT_EQ(orn::ContainsItem(combo->Items(), QString::fromUtf8(c.typed)), c.added || !c.asked);
    dialogs->messageBoxAnswers.clear();
  }
  EXPECT_EQ(ReadBytes(dir.File("PILSETAS.MNU")), "R\xEEga\r\nValmiera\r\n");

  QMenu* menu = combo->Source()->PopupMenu([] {}, [] {});
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(menu->actions().size(), 2);
  EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Pielikt"));
  EXPECT_EQ(menu->actions()[1]->text(), QStringLiteral("Rediģēt"));
  combo->SetLoadStyle(OrnData::lsNone);
  EXPECT_EQ(combo->Source()->PopupMenu([] {}, [] {}), nullptr);
}

TEST_F(ComboBoxes, ListEditorSavesOrDropsAsAnswered) {
  WriteBytes(dir.File("E.MNU"), "one\r\n");
  const struct {
    bool ok;     // Ok pressed, else Cancel
    int answer;  // to the question asked
    bool saved;
  } cases[] = {{true, orn::kMsgOk, true},
               {true, orn::kMsgCancel, false},
               {false, orn::kMsgOk, false},
               {false, orn::kMsgCancel, true}};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.ok) + "/" + std::to_string(c.answer));
    WriteBytes(dir.File("E.MNU"), "one\r\n");
    auto combo = Loaded(QStringLiteral("E"));
    combo->show();
    combo->Edit();
    orn::ListEditor* editor = combo->Source()->Editor();
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->Memo()->objectName(), QStringLiteral("MemoEditFromCBTest"));
    editor->Memo()->appendPlainText(QStringLiteral("two"));
    dialogs->messageBoxAnswers.push_back(c.answer);
    if (c.ok)
      editor->Ok();
    else
      editor->Cancel();
    EXPECT_FALSE(editor->isVisible());
    EXPECT_EQ(ReadBytes(dir.File("E.MNU")), c.saved ? "one\r\ntwo\r\n" : "one\r\n");
    EXPECT_EQ(combo->Items().size(), c.saved ? 2 : 1);
  }
}

TEST_F(ComboBoxes, ListFilesThatCannotBeUsedGiveTheMessageAndKeepTheFile) {
  const bool root = ::geteuid() == 0;
  orn::CreateDir(dir.File("FOLDER.MNU"));
  WriteBytes(dir.File("BINARY.MNU"), std::string("\x00\x01\x02PK\x03\x04", 8));
  WriteBytes(dir.File("SECRET.MNU"), "hidden\r\n");
  ::chmod(dir.File("SECRET.MNU").c_str(), 0);
  orn::CreateDir(dir.File("ro"));
  ::chmod(dir.File("ro").c_str(), 0555);
  const struct {
    TLoadStyle style;
    std::string sourceFile;
    const char* message;
    bool needsNonRoot;
  } cases[] = {
      {OrnData::lsFromExePath, "FOLDER", "Can not create file ", false},
      {OrnData::lsFromExePath, "BINARY", "Can not read file ", false},
      {OrnData::lsFromExePath, "SECRET", "Can not read file ", true},
      {OrnData::lsNone, dir.File("ro/NEW.MNU"), "Can not create file ", true},
      {OrnData::lsFromFilePath, dir.File("MISSING.MNU"), "Can not read file ", false},
  };
  for (const auto& c : cases) {
    if (c.needsNonRoot && root) continue;
    SCOPED_TRACE(c.sourceFile);
    dialogs->messageBoxes.clear();
    const std::string before = ReadBytes(dir.File("BINARY.MNU"));
    auto combo = std::make_unique<TOrnComboBox>();
    combo->SetItems({"design item"});
    combo->SetLoadStyle(c.style);
    combo->SetSourceFile(Q(c.sourceFile));
    combo->Loaded();
    ASSERT_EQ(dialogs->messageBoxes.size(), 1u);
    EXPECT_EQ(dialogs->messageBoxes[0].message.rfind(c.message, 0), 0u) << dialogs->messageBoxes[0].message;
    EXPECT_EQ(dialogs->messageBoxes[0].iconIndex, 1);
    EXPECT_FALSE(combo->Source()->Usable());
    EXPECT_EQ(combo->Items(), QStringList{"design item"});
    combo->setText(QStringLiteral("new"));
    combo->Add();
    EXPECT_EQ(ReadBytes(dir.File("BINARY.MNU")), before);
  }
  EXPECT_TRUE(orn::DirectoryExists(dir.File("FOLDER.MNU")));
  EXPECT_FALSE(orn::FileExists(dir.File("MISSING.MNU")));
}

TEST_F(ComboBoxes, TypeAheadCompletesLongerItemsOfTheSameCase) {
  const struct {
    const char* typed;
    const char* text;
    const char* selected;
  } cases[] = {
      {"Kas", "Kase", "e"},
      {"Kases", "Kases orderis", " orderis"},  // more than the short item
      {"kases", "kases", ""},                  // other letter case: nothing
      {"Kases orderis", "Kases orderis", ""},
      {"X", "X", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    TOrnSingleComboBox combo;
    combo.SetItems({"Kase", "Kases orderis", "Banka"});
    combo.SetShowHinting(true);
    combo.show();
    QTest::keyClicks(&combo, QLatin1String(c.typed));
    EXPECT_EQ(combo.text(), QLatin1String(c.text));
    EXPECT_EQ(combo.selectedText(), QLatin1String(c.selected));
  }
}

TEST_F(ComboBoxes, ArrowKeysWalkTheItemsWithoutRunningOff) {
  TOrnSingleComboBox combo;
  combo.SetItems({"a", "b", "c"});
  const struct {
    Qt::Key key;
    const char* text;
  } steps[] = {{Qt::Key_Up, "a"}, {Qt::Key_Down, "b"}, {Qt::Key_Down, "c"}, {Qt::Key_Down, "c"}, {Qt::Key_Up, "b"}};
  for (const auto& s : steps) {
    QTest::keyClick(&combo, s.key);
    EXPECT_EQ(combo.text(), QLatin1String(s.text));
  }
}

TEST_F(ComboBoxes, DropDownHeightFollowsDropDownCount) {
  const QRect screen(0, 0, 1024, 768);
  const struct {
    const char* name;
    QRect control;
    int items, dropDownCount;
    int rows;
    bool upwards;
  } cases[] = {
      {"DropDownCount 5 shows all 30 items", {100, 100, 200, 22}, 30, 5, 30, false},
      {"DropDownCount 10 shows 10 rows", {100, 100, 200, 22}, 30, 10, 10, false},
      {"fewer items than DropDownCount", {100, 100, 200, 22}, 3, 10, 3, false},
      {"clipped to the screen", {100, 500, 200, 22}, 30, 5, 11, false},
      {"opens upwards near the bottom", {100, 700, 200, 22}, 30, 10, 10, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    orn::DropDownInput in;
    in.control = c.control;
    in.screen = screen;
    in.itemCount = c.items;
    in.itemHeight = 16;
    in.dropDownCount = c.dropDownCount;
    in.listTextWidth = 100;
    const QRect r = orn::DropDownGeometry(in);
    EXPECT_EQ(r.height(), c.rows * 16 + 20);
    EXPECT_EQ(r.bottom() < c.control.top(), c.upwards);
    EXPECT_EQ(r.left(), c.control.left() - 2);
    EXPECT_EQ(r.width(), 200);
    EXPECT_TRUE(screen.contains(r));
  }
}

TEST_F(ComboBoxes, DroppedDownListTakesTheChosenItem) {
  TOrnSingleComboBox combo;
  QStringList items;
  for (int i = 0; i < 30; ++i) items << QStringLiteral("item %1").arg(i);
  combo.SetItems(items);
  combo.SetDropDownCount(10);
  combo.show();
  combo.DropDown();
  orn::DropDownWindow* list = combo.List()->Window();
  ASSERT_NE(list, nullptr);
  EXPECT_TRUE(list->isVisible());
  EXPECT_EQ(list->height(), 10 * combo.List()->RowHeight() + 20);
  QTest::keyClick(list->List(), Qt::Key_Down);
  QTest::keyClick(list->List(), Qt::Key_Down);
  QTest::keyClick(list->List(), Qt::Key_Return);
  EXPECT_FALSE(list->isVisible());
  EXPECT_EQ(combo.text(), QStringLiteral("item 2"));
}

TEST_F(ComboBoxes, ListBoxLoadsItsFileAndSavesTheEditedList) {
  WriteBytes(dir.File("valutas.mnu"), "EUR\r\nUSD\r\n");
  TOrnListBox list;
  list.SetAllowEditing(true);
  list.SetSourceFile(QStringLiteral("  valutas "));
  EXPECT_EQ(list.Items(), (QStringList{"EUR", "USD"}));
  EXPECT_TRUE(list.SaveEditedList({"EUR", "USD", "GBP"}));
  EXPECT_EQ(ReadBytes(dir.File("valutas.mnu")), "EUR\r\nUSD\r\nGBP\r\n");
}

// To a screen reader every combo box, plain or data-aware, is a combo box:
// named by its label, its text as its value, its items as a list whose
// current item is selected, and it opens with its action.
TEST_F(ComboBoxes, ScreenReadersHearAComboBoxWithItsItems) {
  struct Row {
    const char* what;
    std::function<QLineEdit*(QWidget*)> make;
  } rows[] = {
      {"TOrnSingleComboBox", [](QWidget* p) { return new TOrnSingleComboBox(p); }},
      {"TOrnComboBox", [](QWidget* p) { return new TOrnComboBox(p); }},
      {"TOrnSingleDBComboBox", [](QWidget* p) { return new TOrnSingleDBComboBox(p); }},
      {"TOrnDBNComboBox", [](QWidget* p) { return new TOrnDBNComboBox(p); }},
  };
  const QStringList items = {QString::fromUtf8("Rīga"), "Valmiera", QString::fromUtf8("Liepāja")};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* label = new QLabel(QString::fromUtf8("&Pilsēta"), &window);
    QLineEdit* combo = row.make(&window);
    label->setBuddy(combo);
    column->addWidget(label);
    column->addWidget(combo);
    combo->setProperty("Items", items);
    orn::ComboList* list = combo->findChild<orn::ComboList*>();
    ASSERT_TRUE(list);
    list->SetItemIndex(1);
    window.show();

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(combo);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->role(), QAccessible::ComboBox);
    EXPECT_EQ(a->text(QAccessible::Name), QString::fromUtf8("Pilsēta"));
    EXPECT_EQ(a->text(QAccessible::Value), QString("Valmiera"));
    EXPECT_TRUE(a->state().expandable);
    EXPECT_FALSE(a->state().expanded);
    EXPECT_TRUE(a->state().editable);
    ASSERT_TRUE(a->textInterface());
    EXPECT_EQ(a->textInterface()->text(0, a->textInterface()->characterCount()), QString("Valmiera"));
    ASSERT_EQ(a->childCount(), 1);
    QAccessibleInterface* listed = a->child(0);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->role(), QAccessible::List);
    EXPECT_EQ(listed->parent(), a);
    ASSERT_EQ(listed->childCount(), 3);
    QStringList heard;
    for (int i = 0; i < listed->childCount(); ++i) {
      heard << listed->child(i)->text(QAccessible::Name);
      EXPECT_EQ(listed->child(i)->role(), QAccessible::ListItem);
      EXPECT_EQ(listed->child(i)->state().selected, i == 1);
      EXPECT_EQ(listed->indexOfChild(listed->child(i)), i);
    }
    EXPECT_EQ(heard, items);

    // Choosing another item changes what is heard; the action opens the list.
    list->SetItemIndex(2);
    EXPECT_EQ(a->text(QAccessible::Value), QString::fromUtf8("Liepāja"));
    EXPECT_TRUE(listed->child(2)->state().selected);
    ASSERT_TRUE(a->actionInterface());
    a->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_TRUE(list->DroppedDown());
    EXPECT_TRUE(a->state().expanded);
    list->CloseUp();
  }
}

TEST_F(ComboBoxes, FoldersOfTheLoadStyles) {
  WriteBytes(dir.File("Aliases.ini"), "[BUH]\nPATH=/data/buh\n[SPR]\nPATH=/srv/firma/dati/\n");
  ::setenv("ORN_ALIASES", dir.File("Aliases.ini").c_str(), 1);
  const struct {
    TLoadStyle style;
    const char* alias;
    const char* registerDb;
    const char* folder;
  } cases[] = {
      {OrnData::lsFromAliasPath, "BUH", "", "/data/buh/"},
      {OrnData::lsFromAliasPath, "/a/folder", "", ""},
      {OrnData::lsFromExePath, "", "", "/prog/"},
      {OrnData::lsFromExePath, "", "/reg/data", "/reg/data/"},
      {OrnData::lsFromExePath, "", "BUH", "/data/Spr_comm/"},
      {OrnData::lsFromExePath, "", "SPR", "/srv/firma/dati/Spr_comm/"},
      {OrnData::lsFromFilePath, "BUH", "BUH", ""},
      {OrnData::lsNone, "BUH", "BUH", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.alias) + "|" + c.registerDb);
    QString file = QStringLiteral("sub/LIST");
    EXPECT_EQ(
        orn::SourceFolder(c.style, file, QLatin1String(c.alias), QLatin1String(c.registerDb), QStringLiteral("/prog")),
        QLatin1String(c.folder));
  }
  QString file;
  EXPECT_THROW(orn::SourceFolder(OrnData::lsFromAliasPath, file, QStringLiteral("NOSUCH"), {}, {}), std::exception);
  ::unsetenv("ORN_ALIASES");
}

}  // namespace
