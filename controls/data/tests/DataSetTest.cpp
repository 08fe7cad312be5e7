// The data set and the data edit over real Paradox tables: the range check
// and right-justification of TOrnDBEdit (every post read back by pxlib),
// master-detail, bookmarks, and the evaluator reading fields of the data
// sets and of a window's tables.
#include <gtest/gtest.h>

#include <QTest>

#include "DataControlsTestUtil.h"
#include "DataPage.h"
#include "Evaluator.h"
#include "ExprForms.h"
#include "FileSystem.h"
#include "OrnComboBoxes.h"
#include "OrnDBEdit.h"
#include "OrnLookList.h"
#include "ParseCache.h"

namespace {

using orn::paradox::kAlpha;
using orn::paradox::kCurrency;
using orn::paradox::kLogical;
using orn::test::ScratchDir;

QString Q(const std::string& s) { return QString::fromStdString(s); }

class DataSet : public orntest::AppTest {
 protected:
  void SetUp() override {
    orntest::EnsureApp();
    orn::CreateParseCache();
    window.setObjectName(QStringLiteral("FormDok"));
    window.setWindowTitle(QStringLiteral("Dokumenti"));
  }
  void TearDown() override { orn::FreeParseCache(); }

  TTable* Open(const std::string& file, QObject* owner) {
    auto* t = new TTable(owner);
    t->setObjectName(Q(orn::CutAtFirstDotOfName(file)));
    t->SetDatabaseName(Q(dir.Path()));
    t->SetTableName(Q(file));
    t->Open();
    return t;
  }

  ScratchDir dir;
  QWidget window;
  orntest::ScriptedDialogs dialogs;
};

TEST_F(DataSet, DataEditChecksTheRangeBeforeWriting) {
  orntest::MakeTable(dir.File("M.DB"), {{"Nr", kAlpha, 2}, {"Menesis", kAlpha, 10}}, 1, {{"1", "5"}});
  TTable* t = Open("M.DB", &window);
  TDataSource source;
  source.SetDataSet(t);
  auto* edit = new TOrnDBEdit(&window);
  edit->SetDataSource(&source);
  edit->SetDataField(QStringLiteral("Menesis"));
  edit->SetMin(1);
  edit->SetMax(12);
  edit->SetTxt(QStringLiteral("Mēnesim jābūt no 1 līdz 12"));
  edit->SetCapt(QStringLiteral("Kļūda"));
  EXPECT_EQ(edit->text(), QStringLiteral("5"));
  const struct {
    const char* typed;
    bool passes;
    const char* stored;
  } cases[] = {{"13", false, "5"}, {"12", true, "12"}, {"", true, ""},
               {"abc", false, ""}, {"0.5", false, ""}, {"1.5", true, "1.5"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    dialogs->messageBoxes.clear();
    edit->setText(QLatin1String(c.typed));
    EXPECT_EQ(edit->Leave(), c.passes);
    if (c.passes) {
      EXPECT_TRUE(dialogs->messageBoxes.empty());
    } else {
      ASSERT_EQ(dialogs->messageBoxes.size(), 1u);
      EXPECT_EQ(dialogs->messageBoxes[0].message, "Mēnesim jābūt no 1 līdz 12");
      EXPECT_EQ(dialogs->messageBoxes[0].caption, "Kļūda");
      EXPECT_EQ(dialogs->messageBoxes[0].iconIndex, 1);
      EXPECT_EQ(dialogs->messageBoxes[0].buttons, 0);
    }
    EXPECT_EQ(orntest::AlphaColumnByPxlib(dir.File("M.DB"), dir.File("M.PX"), 2, 10),
              std::vector<std::string>{c.stored});
  }
}

TEST_F(DataSet, DataEditKeepsTheFocusAfterTheMessage) {
  orntest::MakeTable(dir.File("M.DB"), {{"Nr", kAlpha, 2}, {"Menesis", kAlpha, 10}}, 1, {{"1", "5"}});
  TTable* t = Open("M.DB", &window);
  TDataSource source;
  source.SetDataSet(t);
  auto* edit = new TOrnDBEdit(&window);
  auto* other = new TOrnEdit(&window);
  other->move(0, 40);
  edit->SetDataSource(&source);
  edit->SetDataField(QStringLiteral("Menesis"));
  edit->SetMin(1);
  edit->SetMax(12);
  window.show();
  QApplication::setActiveWindow(&window);
  edit->setFocus();
  edit->setText(QStringLiteral("13"));
  other->setFocus();
  QApplication::processEvents();
  EXPECT_EQ(dialogs->messageBoxes.size(), 1u);
  EXPECT_TRUE(edit->hasFocus());
}

TEST_F(DataSet, DataEditGrowsWhileTypingAndShrinksOnExit) {
  orntest::MakeTable(dir.File("T.DB"), {{"Nr", kAlpha, 2}, {"Teksts", kAlpha, 40}}, 1, {{"1", "a"}});
  TTable* t = Open("T.DB", &window);
  TDataSource source;
  source.SetDataSet(t);
  window.resize(200, 100);
  const struct {
    int left, width, maxWidth;
    QRect grown;
  } cases[] = {
      {10, 40, 100, {10, 0, 100, 20}},   // room on the right
      {150, 40, 100, {90, 0, 100, 20}},  // the right edge stays
      {10, 40, 0, {10, 0, 40, 20}},      // no MaxWidth
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.left);
    auto* edit = new TOrnDBEdit(&window);
    edit->SetDataSource(&source);
    edit->SetDataField(QStringLiteral("Teksts"));
    edit->SetMaxWidth(c.maxWidth);
    edit->setGeometry(c.left, 0, c.width, 20);
    window.show();
    edit->show();
    edit->setFocus();
    QApplication::processEvents();
    QTest::keyClick(edit, Qt::Key_B);
    EXPECT_EQ(edit->geometry(), c.grown);
    edit->clearFocus();
    QApplication::processEvents();
    EXPECT_EQ(edit->geometry(), QRect(c.left, 0, c.width, 20));
    delete edit;
  }
}

TEST_F(DataSet, RightJustifyPadsStringFieldsToTheirSize) {
  orntest::MakeTable(dir.File("K.DB"), {{"Nr", kAlpha, 2}, {"Kods", kAlpha, 6}}, 1, {{"1", ""}});
  TTable* t = Open("K.DB", &window);
  TDataSource source;
  source.SetDataSet(t);
  auto* edit = new TOrnDBEdit(&window);
  edit->SetDataSource(&source);
  edit->SetDataField(QStringLiteral("Kods"));
  edit->SetRight(true);
  const struct {
    const char* typed;
    const char* stored;
  } cases[] = {{"42", "    42"},   {"007", "     7"},    {"A1", "    A1"}, {"X12", "   X12"},
               {" 1 2", "   1 2"}, {"123456", "123456"}, {"", ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    edit->setText(QLatin1String(c.typed));
    EXPECT_TRUE(edit->Leave());
    EXPECT_EQ(t->FieldText("Kods"), QLatin1String(c.stored));
    EXPECT_EQ(orntest::AlphaColumnByPxlib(dir.File("K.DB"), dir.File("K.PX"), 2, 6),
              std::vector<std::string>{c.stored});
  }
}

TEST_F(DataSet, RangeValuesReadDatesAndNumbers) {
  const double jan1 = *orn::EncodeDate(2025, 1, 1), dec31 = *orn::EncodeDate(2025, 12, 31);
  const struct {
    const char* text;
    bool inRange;
  } cases[] = {{"15.06.2025", true}, {"01.01.2025", true}, {"31.12.2024", false}, {"32.01.2025", false},
               {"1.1.25", true},     {"45700", true},      {"45000", false},      {"", true}};
  for (const auto& c : cases) EXPECT_EQ(orn::InRange(QLatin1String(c.text), jan1, dec31), c.inRange) << c.text;
}

TEST_F(DataSet, DetailFollowsTheMasterRecord) {
  orntest::MakeTable(dir.File("PARTN.DB"), {{"Kods", kAlpha, 4}}, 1, {{"P1"}, {"P2"}, {"P3"}});
  orntest::MakeTable(dir.File("DOK.DB"), {{"Partneris", kAlpha, 4}, {"Nr", kAlpha, 4}}, 2,
                     {{"P1", "1"}, {"P1", "2"}, {"P2", "3"}, {"P1", "4"}});
  TTable* master = Open("PARTN.DB", &window);
  TTable* detail = Open("DOK.DB", &window);
  TDataSource masterSource;
  masterSource.SetDataSet(master);
  detail->SetMasterFields(QStringLiteral("Kods"));
  detail->SetMasterSource(&masterSource);
  const QStringList expected[] = {{"1", "2", "4"}, {"3"}, {}};
  for (const QStringList& numbers : expected) {
    QStringList seen;
    for (detail->First(); !detail->Eof(); detail->Next()) seen << detail->FieldText("Nr");
    EXPECT_EQ(seen, numbers) << master->FieldText("Kods").toStdString();
    EXPECT_EQ(detail->RecordCount(), numbers.size());
    master->Next();
  }
  // Bookmarks bring back a record after moving away.
  master->First();
  detail->First();
  detail->Next();
  const TBookmark mark = detail->GetBookmark();
  detail->First();
  detail->GotoBookmark(mark);
  EXPECT_EQ(detail->FieldText("Nr"), QStringLiteral("2"));
}

TEST_F(DataSet, EvaluatorReadsFieldsOfDataSetsAndOfTheWindowsTables) {
  orntest::MakeTable(dir.File("KONTI.DB"),
                     {{"Konts", kAlpha, 10}, {"Tips", kAlpha, 1}, {"Aktivs", kLogical}, {"Summa", kCurrency}}, 1,
                     {{"2610", "A", "True", "312.45"}, {"5310", "P", "False", "-2980"}});
  TTable* konti = Open("KONTI.DB", &window);
  orn::InstallQtExprHost();
  orn::ExprForm* form = orn::ExprFormOf(&window);
  const struct {
    const char* expression;
    bool throughForm;
    const char* first;
    const char* second;
  } cases[] = {
      {"SUMMA > 100", false, "T", "F"},
      {"KONTS + \"/\" + TIPS", false, "2610/A", "5310/P"},
      {"AKTIVS", false, "T", "F"},
      {"KONTI.SUMMA > 100", true, "T", "F"},
      {"FormDok.KONTI.Tips", true, "A", "P"},
      {"NavForma.KONTI.Tips + \"x\"", true, "x", "x"},
      {"KONTI.NavLauka", true, "!!!ERROR!!!", "!!!ERROR!!!"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.expression);
    konti->First();
    const orn::ExprDataset* data = c.throughForm ? nullptr : konti->ExprData();
    orn::ExprForm* f = c.throughForm ? form : nullptr;
    EXPECT_EQ(orn::EvaluateUtf8(c.expression, data, f), c.first);
    konti->Next();
    EXPECT_EQ(orn::EvaluateUtf8(c.expression, data, f), c.second);
  }

  // A combo box in the window filters its items by the window's table.
  konti->First();
  orn::test::WriteBytes(dir.File("TIPI.MNU"), "A\r\nP\r\nI\r\n");
  orn::SetProgramFolder(Q(dir.Path()));
  auto* combo = new TOrnComboBox(&window);
  combo->SetSourceFile(QStringLiteral("TIPI"));
  combo->SetFilter(QStringLiteral("KONTI.Tips = %S"));
  combo->Loaded();
  EXPECT_EQ(combo->Items(), QStringList{"A"});
  orn::SetProgramFolder(QString());
}

TEST_F(DataSet, DataComboWritesTheChosenItemAndFiltersByValue) {
  orntest::MakeTable(dir.File("DOK.DB"), {{"Nr", kAlpha, 4}, {"Veids", kAlpha, 12}}, 1, {{"1", "RĒĶINS"}});
  orn::test::WriteBytes(dir.File("VEIDI.MNU"), "R\xC7\xCDINS\r\nKASES IEN\r\nAKTS\r\n");
  orn::SetProgramFolder(Q(dir.Path()));
  TTable* t = Open("DOK.DB", &window);
  TDataSource source;
  source.SetDataSet(t);
  auto* combo = new TOrnDBNComboBox(&window);
  combo->SetDataSource(&source);
  combo->SetDataField(QStringLiteral("Veids"));
  combo->SetSourceFile(QStringLiteral("VEIDI"));
  combo->SetFilter(QStringLiteral("LEFT(Value, 5) # \"KASES\""));
  combo->Loaded();
  EXPECT_EQ(combo->text(), QStringLiteral("RĒĶINS"));
  EXPECT_EQ(combo->FullList(), (QStringList{"RĒĶINS", "KASES IEN", "AKTS"}));
  combo->SetFiltered(true);
  EXPECT_EQ(combo->Items(), (QStringList{"RĒĶINS", "AKTS"}));
  combo->SetFiltered(false);
  EXPECT_EQ(combo->Items().size(), 3);
  combo->SetItemIndex(2);
  EXPECT_TRUE(combo->UpdateRecord());
  EXPECT_EQ(orntest::AlphaColumnByPxlib(dir.File("DOK.DB"), dir.File("DOK.PX"), 4, 12),
            std::vector<std::string>{"AKTS"});
  orn::SetProgramFolder(QString());
}

TEST_F(DataSet, GalleryPageWorksOverACopyOfTheExampleTables) {
  const QString data = gallery::FindExampleData();
  ASSERT_FALSE(data.isEmpty());
  const std::string shipped = orn::test::ReadBytes((data + QStringLiteral("/DOKUM.DB")).toStdString());
  std::unique_ptr<QWidget> page(gallery::MakeDataPage(data));
  auto* documents = page->findChild<TOrnCustomDBGrid*>(QStringLiteral("GridDokum"));
  auto* kind = page->findChild<TOrnDBNComboBox*>(QStringLiteral("CBVeids"));
  auto* look = page->findChild<TOrnLookList*>(QStringLiteral("LLPartneri"));
  auto* dokum = page->findChild<TTable*>(QStringLiteral("DOKUM"));
  auto* partneri = page->findChild<TTable*>(QStringLiteral("PARTNERI"));
  ASSERT_TRUE(documents && kind && look && dokum && partneri);
  page->show();
  EXPECT_EQ(kind->text(), QStringLiteral("RĒĶINS"));
  EXPECT_FALSE(kind->Items().contains(QStringLiteral("KASES IEN")));  // the filter
  EXPECT_EQ(documents->model()->rowCount(), 6);

  documents->setCurrentIndex(documents->model()->index(2, 0));
  EXPECT_EQ(dokum->FieldText("Nr"), QStringLiteral("1003"));
  EXPECT_EQ(kind->text(), QStringLiteral("PAVADZĪME"));
  EXPECT_EQ(partneri->FieldText("Kods"), QStringLiteral("P003"));

  look->setFocus();
  look->SetSearchColumn(0);
  for (QChar c : QStringLiteral("P001")) {
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
    QApplication::sendEvent(look, &press);
  }
  QTest::keyClick(look, Qt::Key_Return);
  EXPECT_TRUE(dialogs->messageBoxes.empty());
  // Nr (4) + Datums (4) + Veids (12): Partneris at 20.
  const std::string db = dokum->FilePath().toStdString();
  const auto partners = orntest::AlphaColumnByPxlib(db, orn::CutAtFirstDotOfName(db) + ".PX", 20, 10);
  ASSERT_EQ(partners.size(), 6u);
  EXPECT_EQ(partners[2], "P001");
  EXPECT_EQ(orn::test::ReadBytes((data + QStringLiteral("/DOKUM.DB")).toStdString()), shipped);
}

}  // namespace
