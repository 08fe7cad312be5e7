// The form base as a user meets it: Enter moves on like Tab, Ctrl+K opens the
// calculator, grids fill their width, and the first window owns the settings.
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "FileSystem.h"
#include "FittableGrid.h"
#include "GradCaption.h"
#include "OrnForma.h"

namespace {

class TestGrid : public QTableWidget, public orn::FittableGrid {
 public:
  TestGrid(bool cutCols, Align align, QWidget* parent) : QTableWidget(2, 2, parent), cut_(cutCols), align_(align) {
    setColumnWidth(0, 50);
    setColumnWidth(1, 150);
  }
  bool CutCols() const override { return cut_; }
  Align GridAlign() const override { return align_; }
  bool ShowsIndicator() const override { return false; }
  int GridWidth() const override { return width(); }
  std::vector<int> ColumnWidths() const override { return {columnWidth(0), columnWidth(1)}; }
  void SetColumnWidths(const std::vector<int>& w) override {
    setColumnWidth(0, w[0]);
    setColumnWidth(1, w[1]);
  }

 private:
  bool cut_;
  Align align_;
};

}  // namespace

class FormsTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    dir_ = std::make_unique<QTemporaryDir>();
    QDir::setCurrent(dir_->path());
  }

  void enterMovesFocusLikeTab() {
    TOrnForm form;
    form.FormCreate();
    auto* layout = new QVBoxLayout(&form);
    auto* a = new QLineEdit(&form);
    auto* b = new QLineEdit(&form);
    auto* memo = new QPlainTextEdit(&form);
    auto* c = new QLineEdit(&form);
    auto* grid = new QTableWidget(2, 2, &form);
    for (QWidget* w : {static_cast<QWidget*>(a), static_cast<QWidget*>(b), static_cast<QWidget*>(memo),
                       static_cast<QWidget*>(c), static_cast<QWidget*>(grid)})
      layout->addWidget(w);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    a->setFocus();
    QTRY_VERIFY(a->hasFocus());

    QTest::keyClick(a, Qt::Key_Return);
    QVERIFY(b->hasFocus());
    QTest::keyClick(b, Qt::Key_Return, Qt::ShiftModifier);
    QVERIFY(a->hasFocus());
    QTest::keyClick(a, Qt::Key_Enter, Qt::KeypadModifier);
    QVERIFY(b->hasFocus());

    QTest::keyClick(b, Qt::Key_Return);
    QVERIFY(memo->hasFocus());
    QTest::keyClick(memo, Qt::Key_Return);  // a memo takes its Enter as a line break
    QVERIFY(memo->hasFocus());
    QCOMPARE(memo->toPlainText(), QString("\n"));

    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QVERIFY(grid->hasFocus());

    form.SetEnterToTab(false);
    c->setFocus();
    QTest::keyClick(c, Qt::Key_Return);
    QVERIFY(c->hasFocus());
  }

  void ctrlKOpensTheCalculator() {
    TOrnForm form;
    form.FormCreate();
    auto* edit = new QLineEdit(&form);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    edit->setFocus();
    QTRY_VERIFY(edit->hasFocus());
    TOrnForm* opened = nullptr;
    TOrnForm::CalculatorHook() = [&](TOrnForm& f) { opened = &f; };
    QTest::keyClick(edit, Qt::Key_K, Qt::ControlModifier);
    TOrnForm::CalculatorHook() = nullptr;
    QCOMPARE(opened, &form);
    QCOMPARE(edit->text(), QString());
  }

  void gridsFillTheirWidthUnlessCut() {
    TOrnForm form;
    auto* fitted = new TestGrid(false, orn::FittableGrid::Align::Client, &form);
    auto* cut = new TestGrid(true, orn::FittableGrid::Align::Client, &form);
    auto* left = new TestGrid(false, orn::FittableGrid::Align::Left, &form);
    for (TestGrid* g : {fitted, cut, left}) g->setFixedWidth(420);
    form.FormResize();
    const int room = 420 - form.style()->pixelMetric(QStyle::PM_ScrollBarExtent) - 4;
    QVERIFY(qAbs(fitted->columnWidth(0) + fitted->columnWidth(1) + 2 - room) <= 2);
    QVERIFY(qAbs(fitted->columnWidth(1) - 3 * fitted->columnWidth(0)) <= 3);
    QCOMPARE(cut->columnWidth(0), 50);
    QCOMPARE(left->columnWidth(1), 150);
  }

  void theFirstWindowOwnsTheSettingsAndWritesThemWhenDirty() {
    QVERIFY(!QFile::exists("Params.ini"));
    {
      TOrnForm main;
      main.FormCreate();
      main.FormCreate();  // created again: keeps what it owns
      QVERIFY(main.Ownership().ownsParamList);
      QVERIFY(main.Ownership().ownsDictionary);
      {
        TOrnForm other;
        other.FormCreate();
        QVERIFY(!other.Ownership().ownsParamList);
        QVERIFY(other.EnterToTab());
        QVERIFY(other.LanguageIni().endsWith("RadEzaZuvev.ini"));
      }
      QVERIFY(orn::Framework().paramList != nullptr);
      QVERIFY(!QFile::exists("Params.ini"));
    }
    QVERIFY(orn::Framework().paramList == nullptr);
    QVERIFY(QFile::exists("Params.ini"));
  }

  void gradientCaptionShowsOneItemAndCanBeSwitchedOff() {
    TOrnForm form;
    GradCaption* caption = form.findChild<GradCaption*>("GradCaption");
    QVERIFY(caption);
    QCOMPARE(caption->GradientSteps(), 128);
    QCOMPARE(caption->StartColor(), QColor(0, 128, 0));
    caption->ClearCaptions();
    caption->AddCaption("Ombrelant ZIP archivator");
    QCOMPARE(caption->Text(), QString("Ombrelant ZIP archivator"));
    caption->resize(300, caption->sizeHint().height());
    QImage image = caption->grab().toImage();
    QCOMPARE(QColor(image.pixel(0, image.height() - 1)), QColor(0, 128, 0));
    caption->SetActive(false);
    QVERIFY(caption->isHidden());
  }

 private:
  std::unique_ptr<QTemporaryDir> dir_;
};

QTEST_MAIN(FormsTest)
#include "OrnFormTest.moc"
