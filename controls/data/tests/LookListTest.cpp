// The lookup list over real Paradox tables: the indexed search with
// right-aligned codes and the Latvian final letter, the scan search, the
// search panel, the titles, and picking a record into another table, which
// pxlib then reads back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTest>

#include "DataControlsTestUtil.h"
#include "FileSystem.h"
#include "OrnLookList.h"
#include "TableError.h"

namespace {

using orn::paradox::kAlpha;
using orn::test::ScratchDir;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class LookList : public orntest::AppTest {
 protected:
  void SetUp() override {
    orntest::EnsureApp();
    window.setWindowTitle(QStringLiteral("Uzmeklēšana"));
    window.resize(400, 300);
  }

  // A lookup list in a window over `table` (fields Kods A6, Nosaukums A20,
  // keyed on Kods).
  TOrnLookList* Over(const std::string& file, const std::vector<std::vector<std::string>>& rows) {
    orntest::MakeTable(dir.File(file), {{"Kods", kAlpha, 6}, {"Nosaukums", kAlpha, 20}}, 1, rows);
    table = new TTable(&window);
    table->SetDatabaseName(Q(dir.Path()));
    table->SetTableName(Q(file));
    table->Open();
    source = new TDataSource(&window);
    source->SetDataSet(table);
    auto* list = new TOrnLookList(&window);
    list->setGeometry(10, 10, 300, 150);
    list->SetLookupSource(source);
    list->SetLookupDisplay(QStringLiteral("Kods;Nosaukums"));
    list->SetLookupField(QStringLiteral("Kods"));
    list->SetOptions(OrnData::lloTitles);
    window.show();
    list->setFocus();
    return list;
  }

  void Type(TOrnLookList* list, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(list, &press);
    }
  }

  ScratchDir dir;
  QWidget window;
  TTable* table = nullptr;
  TDataSource* source = nullptr;
  orntest::ScriptedDialogs dialogs;
};

TEST_F(LookList, IndexedSearchTriesTheCodeRightAligned) {
  auto* list = Over("KODI.DB", {{"     1", "Viens"},
                                {"    12", "Divpadsmit"},
                                {"   123", "Simts divdesmit trīs"},
                                {"120000", "Liels"},
                                {"12ABCD", "Burti"}});
  list->SetSearchColumn(0);
  ASSERT_TRUE(list->SearchIndexed());
  const struct {
    const char* typed;
    const char* code;
  } steps[] = {{"1", "     1"}, {"2", "    12"}, {"3", "   123"}};
  for (const auto& s : steps) {
    Type(list, QLatin1String(s.typed));
    EXPECT_EQ(table->FieldText("Kods"), QLatin1String(s.code)) << s.typed;
  }
  EXPECT_EQ(list->SearchText(), QStringLiteral("123"));
  // A text no code holds leaves the record and the text as they were.
  Type(list, QStringLiteral("9"));
  EXPECT_EQ(table->FieldText("Kods"), QStringLiteral("   123"));
  EXPECT_EQ(list->SearchText(), QStringLiteral("123"));
  EXPECT_EQ(list->currentIndex().row(), 2);
}

TEST_F(LookList, LowerCaseFinalLetterFindsTheCapital) {
  orntest::MakeTable(dir.File("VARDI.DB"), {{"Vards", kAlpha, 20}}, 1, {{"ALFA"}, {"ŠĶĪVIS"}, {"ŽUBURS"}});
  table = new TTable(&window);
  table->SetDatabaseName(Q(dir.Path()));
  table->SetTableName(QStringLiteral("VARDI.DB"));
  table->Open();
  source = new TDataSource(&window);
  source->SetDataSet(table);
  auto* list = new TOrnLookList(&window);
  list->SetLookupSource(source);
  list->SetLookupDisplay(QStringLiteral("Vards"));
  window.show();
  list->SetSearchColumn(0);
  ASSERT_TRUE(list->SearchIndexed());
  Type(list, QStringLiteral("š"));
  EXPECT_EQ(table->FieldText("Vards"), QStringLiteral("ŠĶĪVIS"));
  EXPECT_EQ(list->SearchText(), QStringLiteral("Š"));
  Type(list, QStringLiteral("ķ"));
  EXPECT_EQ(list->SearchText(), QStringLiteral("ŠĶ"));
}

TEST_F(LookList, ColumnWithoutIndexScansAndContinues) {
  auto* list = Over("NOS.DB", {{"1", "Alfa"}, {"2", "Beta"}, {"3", "alfabets"}, {"4", "Gamma"}});
  list->SetSearchColumn(1);
  ASSERT_FALSE(list->SearchIndexed());
  Type(list, QStringLiteral("ALF"));
  EXPECT_EQ(table->FieldText("Kods"), QStringLiteral("1"));  // typing alone does not move
  const char* expected[] = {"1", "3", "3"};                  // the last scan finds nothing more
  for (const char* code : expected) {
    list->ContinueSearch();
    EXPECT_EQ(table->FieldText("Kods"), QLatin1String(code));
  }
  // A space is kept as the mark and searched as a space.
  Type(list, QStringLiteral("a"));
  EXPECT_EQ(list->SearchText(), QStringLiteral("ALFa"));
}

TEST_F(LookList, SearchPanelShowsWhileThereIsText) {
  auto* list = Over("P.DB", {{"A1", "x"}, {"B2", "y"}});
  list->SetSearchColumn(1);
  Type(list, QStringLiteral("x y"));
  EXPECT_TRUE(list->SearchPanelShown());
  EXPECT_EQ(list->SearchText(), QStringLiteral("x\u2022y"));
  auto* panel = window.findChild<QFrame*>(list->objectName() + QStringLiteral("SearchPanel"));
  ASSERT_NE(panel, nullptr);
  EXPECT_EQ(panel->geometry(), QRect(list->x() - 2, list->y() + list->height() - 2, list->width(), 28));
  for (int i = 0; i < 3; ++i) {
    EXPECT_TRUE(list->SearchPanelShown());
    QTest::keyClick(list, Qt::Key_Backspace);
  }
  EXPECT_TRUE(list->SearchText().isEmpty());
  EXPECT_FALSE(list->SearchPanelShown());
}

TEST_F(LookList, TitlesComeFromLookDispLabelOrTheFieldNames) {
  auto* list = Over("T.DB", {{"1", "a"}});
  const QString prefix = list->Titles().value(0).left(list->Titles().value(0).indexOf('K'));
  ASSERT_FALSE(prefix.isEmpty());
  EXPECT_GE(QFontMetrics(list->LookTitleFont()).horizontalAdvance(prefix), 20);
  const struct {
    const char* labels;
    QStringList titles;
  } cases[] = {
      {"", {"Kods", "Nosaukums"}},
      {"Kods;Nosaukums", {"Kods", "Nosaukums"}},
      {"Numurs;", {"Numurs", "Nosaukums"}},
      {"Код;Название", {"Код", "Название"}},
  };
  for (const auto& c : cases) {
    list->SetLookDispLabel(QString::fromUtf8(c.labels));
    QStringList expected;
    for (const QString& t : c.titles) expected << prefix + t;
    EXPECT_EQ(list->Titles(), expected) << c.labels;
    EXPECT_EQ(list->model()->headerData(1, Qt::Horizontal).toString(), expected[1]);
  }
}

TEST_F(LookList, AFieldTheTableLacksShowsEmptyAndFindsNothing) {
  auto* list = Over("N.DB", {{"1", "Alfa"}, {"2", "Beta"}});
  list->SetLookupDisplay(QStringLiteral("Kods;NavLauka"));
  list->SetLookupField(QStringLiteral("NavLauka"));
  EXPECT_EQ(list->model()->data(list->model()->index(1, 1)).toString(), QString());
  list->SetSearchColumn(1);
  EXPECT_FALSE(list->SearchIndexed());
  Type(list, QStringLiteral("a"));
  list->ContinueSearch();
  EXPECT_EQ(table->FieldText("Kods"), QStringLiteral("1"));
  EXPECT_FALSE(list->Choose());
  EXPECT_TRUE(dialogs->messageBoxes.empty());
}

TEST_F(LookList, FollowsTheEditedFieldAndEnterWritesTheCode) {
  auto* list = Over("K.DB", {{"2610", "Kase"}, {"2620", "Banka"}, {"5310", "Parādi"}});
  orntest::MakeTable(dir.File("DOK.DB"), {{"Nr", kAlpha, 4}, {"Konts", kAlpha, 6}}, 1, {{"1", "2620"}, {"2", "5310"}});
  TTable dok;
  dok.SetDatabaseName(Q(dir.Path()));
  dok.SetTableName(QStringLiteral("DOK.DB"));
  dok.Open();
  TDataSource dokSource;
  dokSource.SetDataSet(&dok);
  list->SetDataSource(&dokSource);
  list->SetDataField(QStringLiteral("Konts"));
  EXPECT_EQ(table->FieldText("Kods"), QStringLiteral("2620"));
  EXPECT_EQ(list->currentIndex().row(), 1);
  dok.Next();
  EXPECT_EQ(table->FieldText("Kods"), QStringLiteral("5310"));
  dok.First();
  list->SetSearchColumn(0);
  Type(list, QStringLiteral("261"));
  QTest::keyClick(list, Qt::Key_Return);
  EXPECT_TRUE(dialogs->messageBoxes.empty());
  EXPECT_EQ(dok.FieldText("Konts"), QStringLiteral("2610"));
  EXPECT_EQ(orntest::AlphaColumnByPxlib(dir.File("DOK.DB"), dir.File("DOK.PX"), 4, 6),
            (std::vector<std::string>{"2610", "5310"}));
}

TEST_F(LookList, RefusedOrMissingTablesGiveTheMessageAndWriteNothing) {
  auto* list = Over("K.DB", {{"2610", "Kase"}, {"2620", "Banka"}});
  orntest::MakeTable(dir.File("DOK.DB"), {{"Nr", kAlpha, 4}, {"Konts", kAlpha, 6}}, 1, {{"1", "2610"}});
  const std::string before = orn::test::ReadBytes(dir.File("DOK.DB"));
  TTable dok;
  dok.SetDatabaseName(Q(dir.Path()));
  dok.SetTableName(QStringLiteral("DOK.DB"));
  dok.Open();
  TDataSource dokSource;
  dokSource.SetDataSet(&dok);
  list->SetDataSource(&dokSource);
  list->SetDataField(QStringLiteral("Konts"));
  table->Last();

  const struct {
    const char* name;
    std::function<void()> refuse;
    const char* message;
  } cases[] = {
      {"secondary index beside it", [&] { orn::test::WriteBytes(dir.File("DOK.X02"), "index"); }, "secondary indexes"},
      {"read-only file",
       [&] {
         ::unlink(dir.File("DOK.X02").c_str());
         ::chmod(dir.File("DOK.DB").c_str(), 0444);
       },
       ""},
  };
  for (const auto& c : cases) {
    if (std::string(c.name) == "read-only file" && ::geteuid() == 0) continue;
    SCOPED_TRACE(c.name);
    c.refuse();
    dialogs->messageBoxes.clear();
    EXPECT_FALSE(list->Choose());
    ASSERT_EQ(dialogs->messageBoxes.size(), 1u);
    EXPECT_EQ(dialogs->messageBoxes[0].caption, "Uzmeklēšana");
    EXPECT_NE(dialogs->messageBoxes[0].message.find(c.message), std::string::npos);
    EXPECT_NE(dialogs->messageBoxes[0].message.find("DOK.DB"), std::string::npos);
    EXPECT_EQ(dok.State(), orn::TableState::Browse);
    EXPECT_EQ(dok.FieldText("Konts"), QStringLiteral("2610"));
    EXPECT_EQ(orn::test::ReadBytes(dir.File("DOK.DB")), before);
  }

  // A lookup table that is not there: opening says which file, the list
  // stays empty and picking writes nothing.
  TTable missing;
  missing.SetDatabaseName(Q(dir.Path()));
  missing.SetTableName(QStringLiteral("NAV.DB"));
  try {
    missing.Open();
    FAIL() << "a missing table opened";
  } catch (const orn::TableError& e) {
    EXPECT_NE(std::string(e.what()).find("NAV.DB"), std::string::npos);
  }
  source->SetDataSet(&missing);
  EXPECT_EQ(list->model()->rowCount(), 0);
  EXPECT_FALSE(list->Choose());
  Type(list, QStringLiteral("26"));
  EXPECT_EQ(orn::test::ReadBytes(dir.File("DOK.DB")), before);
}

}  // namespace
