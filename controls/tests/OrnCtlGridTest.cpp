// The string grid: which font a cell takes, owner-drawn columns, lines split
// at "|", and fonts that follow the grid's font.
#include <QPainter>
#include <QtTest>

#include "OrnCtlTestUtil.h"
#include "OrnStringGrid.h"

using namespace orntest;

class OrnCtlGridTest : public QObject {
  Q_OBJECT

 private slots:
  void AltFontCondition_data();
  void AltFontCondition();
  void CellFontsByKind();
  void OwnerDrawColumnsKeepHandlerDrawing();
  void CellWithBarDrawsTwoLines();
  void SelectedCellDrawnInCaptionColours();
  void FontsFollowGridFont();
};

void OrnCtlGridTest::AltFontCondition_data() {
  QTest::addColumn<QString>("text");
  // Expected answer for each condition in enum order: None, Negative, Zero,
  // Positive, ZeroNegative, ZeroPositive, NotZero, Strings.
  QTest::addColumn<QString>("expected");
  QTest::newRow("zero") << "0"
                        << "00101100";
  QTest::newRow("zero with decimals") << "0.00"
                                      << "00101100";
  QTest::newRow("zero in blanks") << "  0.0 "
                                  << "00101100";
  QTest::newRow("negative zero") << "-0"
                                 << "00101100";
  QTest::newRow("negative") << "-12.5"
                            << "01001010";
  QTest::newRow("positive") << "3"
                            << "00010110";
  QTest::newRow("positive with sign and exponent") << "+1e2"
                                                   << "00010110";
  QTest::newRow("blank") << "   "
                         << "00000001";
  QTest::newRow("empty") << ""
                         << "00000001";
  QTest::newRow("word") << "abc"
                        << "00000001";
  QTest::newRow("decimal comma is no number") << "1,5"
                                              << "00000001";
  QTest::newRow("number then word") << "12 kg"
                                    << "00000001";
  QTest::newRow("infinity is no number") << "inf"
                                         << "00000001";
}

void OrnCtlGridTest::AltFontCondition() {
  QFETCH(QString, text);
  QFETCH(QString, expected);
  for (int c = OrnTypes::acNone; c <= OrnTypes::acStrings; ++c) {
    const bool want = expected.at(c) == QLatin1Char('1');
    QVERIFY2(TOrnStringGrid::AltFontApplies(TOrnAltFontCondition(c), text) == want,
             qPrintable(QStringLiteral("condition %1").arg(c)));
  }
}

void OrnCtlGridTest::CellFontsByKind() {
  TOrnStringGrid grid;
  grid.setColumnCount(4);
  grid.setRowCount(4);
  grid.SetResultColCount(1);
  grid.SetResultRowCount(1);
  QFont fixed = grid.font();
  fixed.setBold(true);
  grid.SetFixedFont(fixed);
  grid.SetFixedFontColor(Qt::darkGreen);
  QFont result = grid.font();
  result.setItalic(true);
  grid.SetResultFont(result);
  grid.SetResultFontColor(Qt::blue);
  QFont alt(QStringLiteral("DejaVu Serif"));
  alt.setPointSize(17);
  alt.setUnderline(true);
  grid.SetAltFont(alt);
  grid.SetAltFontColor(Qt::red);
  grid.SetAltFontCondition(OrnTypes::acNegative);
  grid.SetCells(1, 1, QStringLiteral("-4"));
  grid.SetCells(2, 1, QStringLiteral("4"));
  grid.SetCells(3, 1, QStringLiteral("-4"));

  QVERIFY(grid.CellFont(0, 2).bold());  // fixed column
  QCOMPARE(grid.CellFontColor(1, 0, false), QColor(Qt::darkGreen));
  QVERIFY(grid.CellFont(3, 1).italic());  // result column wins over the condition
  QCOMPARE(grid.CellFontColor(3, 1, false), QColor(Qt::blue));
  QVERIFY(grid.CellFont(1, 3).italic());  // result row
  // The alternative font lends size, style and colour, not its face.
  const QFont negative = grid.CellFont(1, 1);
  QCOMPARE(negative.pointSize(), 17);
  QVERIFY(negative.underline());
  QCOMPARE(negative.family(), grid.font().family());
  QCOMPARE(grid.CellFontColor(1, 1, false), QColor(Qt::red));
  QCOMPARE(grid.CellFontColor(1, 1, true), QColor(Qt::white));
  QCOMPARE(grid.CellFont(2, 1), grid.font());
  QCOMPARE(grid.CellFontColor(2, 1, false), grid.FontColor());
}

namespace {

struct GridFixture {
  TOrnStringGrid grid;
  GridFixture() {
    grid.setPalette(DistinctPalette());
    grid.setFont(SharpFont(14, false));
    grid.setColumnCount(4);
    grid.setRowCount(3);
    grid.setShowGrid(false);
    grid.resize(300, 150);
    grid.setRowHeight(1, 60);
    grid.show();
  }
  QRect Cell(int col, int row) { return grid.visualRect(grid.model()->index(row, col)); }
  QImage Shot() { return Render(grid.viewport()); }
};

}  // namespace

void OrnCtlGridTest::OwnerDrawColumnsKeepHandlerDrawing() {
  GridFixture f;
  // Blank and non-numeric fields match nothing.
  f.grid.SetOwnerDrawColumns(QStringLiteral(" 2 ; ;x;"));
  QVERIFY(f.grid.IsOwnerDrawColumn(2));
  QVERIFY(!f.grid.IsOwnerDrawColumn(0));
  const QColor magenta(255, 0, 255);
  QObject::connect(&f.grid, &TOrnStringGrid::DrawCell,
                   [&](QPainter* p, int, int, const QRect& rect, bool) { p->fillRect(rect, magenta); });
  QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
  const QImage img = f.Shot();
  QVERIFY(CountOf(img, magenta, f.Cell(2, 1)) > 100);
  QCOMPARE(CountOf(img, magenta, f.Cell(1, 1)), 0);
  QCOMPARE(CountOf(img, magenta, f.Cell(3, 2)), 0);
}

void OrnCtlGridTest::CellWithBarDrawsTwoLines() {
  GridFixture f;
  f.grid.SetCells(1, 1, QStringLiteral("HH|HH"));
  f.grid.SetCells(2, 1, QStringLiteral("HH"));
  QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
  const QImage img = f.Shot();
  auto inkRows = [&](const QRect& cell) {
    QList<int> rows;
    for (int y = cell.top(); y <= cell.bottom(); ++y)
      for (int x = cell.left(); x <= cell.right(); ++x)
        if (img.pixel(x, y) == qRgb(0, 0, 0)) {
          rows << y;
          break;
        }
    return rows;
  };
  const QList<int> two = inkRows(f.Cell(1, 1));
  const QList<int> one = inkRows(f.Cell(2, 1));
  QVERIFY(!one.isEmpty());
  // The first line sits where a one-line cell has its text, the second is
  // the font's height + 2 lower and shaped the same.
  const int step = 14 + 2;
  QCOMPARE(two.first(), one.first());
  QCOMPARE(two.size(), 2 * one.size());
  for (int i = 0; i < one.size(); ++i) QCOMPARE(two.at(one.size() + i), one.at(i) + step);
}

void OrnCtlGridTest::SelectedCellDrawnInCaptionColours() {
  GridFixture f;
  f.grid.SetCells(1, 1, QStringLiteral("HH"));
  f.grid.setCurrentCell(1, 1);
  QVERIFY(QTest::qWaitForWindowExposed(&f.grid));
  const QImage img = f.Shot();
  const QRect cell = f.Cell(1, 1);
  QVERIFY(CountOf(img, QColor(128, 0, 0), cell) > cell.width() * cell.height() / 2);
  QVERIFY(CountOf(img, Qt::white, cell) > 10);
  QCOMPARE(CountOf(img, Qt::black, cell), 0);

  // Fixed cells are headings: neither the mouse nor the keyboard selects them.
  QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(0, 1).center());
  QCOMPARE(f.grid.currentColumn(), 1);
  f.grid.setFocus();
  QTest::keyClick(&f.grid, Qt::Key_Up);
  QTest::keyClick(&f.grid, Qt::Key_Left);
  QCOMPARE(f.grid.currentRow(), 1);
  QCOMPARE(f.grid.currentColumn(), 1);
  QTest::keyClick(&f.grid, Qt::Key_Right);
  QCOMPARE(f.grid.currentColumn(), 2);
  QTest::mouseClick(f.grid.viewport(), Qt::LeftButton, {}, f.Cell(3, 2).center());
  QCOMPARE(f.grid.currentRow(), 2);
  QCOMPARE(f.grid.currentColumn(), 3);
  QVERIFY(!f.grid.selectionModel()->isSelected(f.grid.model()->index(0, 0)));
}

void OrnCtlGridTest::FontsFollowGridFont() {
  TOrnStringGrid grid;
  QFont own(QStringLiteral("DejaVu Serif"));
  own.setPointSize(15);
  grid.SetResultFont(own);
  QFont bigger = grid.font();
  bigger.setPointSize(bigger.pointSize() + 4);
  grid.setFont(bigger);
  QCOMPARE(grid.FixedFont().pointSize(), bigger.pointSize());
  QCOMPARE(grid.AltFont().pointSize(), bigger.pointSize());
  QCOMPARE(grid.ResultFont(), own);  // set on its own: stays

  // A font that differs from the grid's only in colour does not follow.
  grid.SetAltFontColor(Qt::red);
  QFont smaller = bigger;
  smaller.setPointSize(6);
  grid.setFont(smaller);
  QCOMPARE(grid.FixedFont().pointSize(), 6);
  QCOMPARE(grid.AltFont().pointSize(), bigger.pointSize());

  // A colour change of the grid font is a font change too.
  grid.SetFontColor(Qt::darkBlue);
  QCOMPARE(grid.FixedFontColor(), QColor(Qt::darkBlue));
  QCOMPARE(grid.AltFontColor(), QColor(Qt::red));
}

QTEST_MAIN(OrnCtlGridTest)
#include "OrnCtlGridTest.moc"
