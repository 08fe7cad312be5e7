// The desk calculator as a person uses it: the same key sequences pressed
// on its buttons (through the window's handlers) and typed on the keyboard
// must leave the same display; opening it over a field, transferring the
// result back, and the fields it must not write into.
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>

#include "Calculat.h"
#include "CalculatorDriving.h"

namespace {

// One key of a sequence: a handler of the window and the key that does the same.
struct Step {
  std::function<void(TFormCalcul&)> click;
  int key;  // Qt key code, or 0 when `text` is typed
  char text;
};

Step StepFor(const QString& token) {
  using C = TFormCalcul;
  if (token.size() == 1 && token[0].isDigit()) {
    const char d = token[0].toLatin1();
    return {[d](C& c) { c.DigitClick(d); }, 0, d};
  }
  static const std::map<QString, Step> steps = {
      {".", {&C::BtnZptClick, 0, '.'}},
      {"+", {&C::BtnPlusClick, 0, '+'}},
      {"-", {&C::BtnMinusClick, 0, '-'}},
      {"*", {&C::BtnMultClick, 0, '*'}},
      {"/", {&C::BtnDClick, 0, '/'}},
      {"=", {&C::BtnEqlClick, 0, '='}},
      {"%", {&C::BtnProcClick, 0, '%'}},
      {"1/x", {&C::BtnObrClick, 0, 'x'}},
      {"sqrt", {&C::BtnSqrtClick, 0, 'q'}},
      {"+/-", {&C::BtnZnClick, 0, 'z'}},
      {"MS", {&C::BtnMSClick, 0, 's'}},
      {"MR", {&C::BtnMRClick, 0, 'r'}},
      {"MC", {&C::BtnMCClick, 0, 'c'}},
      {"M+", {&C::BtnMPlusClick, 0, 'm'}},
      {"Back", {&C::BtnBackClick, Qt::Key_Backspace, 0}},
      {"CE", {&C::BtnCEClick, Qt::Key_Delete, 0}},
      {"C", {&C::BtnCClick, Qt::Key_Escape, 0}},
  };
  return steps.at(token);
}

// The widget that receives typed keys, as the window manager would choose it.
QWidget* KeyTarget(TFormCalcul& calc) {
  QWidget* focus = QApplication::focusWidget();
  return focus && focus->window() == &calc ? focus : &calc;
}

void Press(TFormCalcul& calc, const Step& step) {
  if (step.key)
    QTest::keyClick(KeyTarget(calc), static_cast<Qt::Key>(step.key));
  else
    QTest::keyClick(KeyTarget(calc), step.text);
}

QString Shown(const TFormCalcul& calc) { return calc.findChild<QLabel*>("LblDisp")->text(); }

// A window with one edit and one grid, as the program's windows have.
struct FieldWindow {
  TOrnForm form;
  QLineEdit* edit;
  QTableWidget* grid;
  FieldWindow() {
    form.setObjectName("FieldWindow");
    edit = new QLineEdit(&form);
    edit->setObjectName("Edit1");
    grid = new QTableWidget(2, 1, &form);
    grid->setObjectName("Grid1");
    auto* layout = new QVBoxLayout(&form);
    layout->addWidget(edit);
    layout->addWidget(grid);
    form.FormCreate();
    form.show();
    form.activateWindow();
    (void)QTest::qWaitForWindowActive(&form);
  }
};

}  // namespace

class CalculatorTest : public QObject {
  Q_OBJECT

 private slots:
  void initTestCase() { orn::InstallCalculator(); }

  void sequences_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("display");
    QTest::addColumn<int>("beeps");
    QTest::newRow("plus") << "5 + 3 ="
                          << " 8." << 0;
    QTest::newRow("equals again repeats the operator") << "5 + 3 = ="
                                                       << " 16." << 0;
    QTest::newRow("left to right") << "2 + 3 *"
                                   << " 5." << 0;
    QTest::newRow("division by zero refused") << "1 0 / 0 ="
                                              << " 0." << 1;
    QTest::newRow("after a refused division") << "1 0 / 0 = 4 ="
                                              << " 2.5" << 1;
    QTest::newRow("reciprocal") << "0 . 5 1/x"
                                << " 2." << 0;
    QTest::newRow("no leading zeros") << "0 0 1 2 3"
                                      << " 123." << 0;
    QTest::newRow("a 16th character beeps") << "1 2 3 4 5 6 7 8 9 0 1 2 3 4"
                                            << " 1234567890123." << 1;
    QTest::newRow("fraction digits count too") << "1 . 2 3 4 5 6 7 8 9 0 1 2 3 4"
                                               << " 1.234567890123" << 1;
    QTest::newRow("percent of the left operand") << "2 0 0 + 1 0 %"
                                                 << " 20." << 0;
    QTest::newRow("percent then equals") << "2 0 0 + 1 0 % ="
                                         << " 220." << 0;
    QTest::newRow("percent without a left operand") << "1 0 %"
                                                    << " 10." << 1;
    QTest::newRow("memory store, clear, recall") << "4 2 MS C MR"
                                                 << " 42." << 0;
    QTest::newRow("memory add twice") << "7 M+ M+ MR"
                                      << " 14." << 0;
    QTest::newRow("memory clear") << "7 MS MC 1 MR"
                                  << " 0." << 0;
    QTest::newRow("memory keeps a result") << "5 + 3 = MS C MR"
                                           << " 8." << 0;
    QTest::newRow("clear forgets the operator") << "5 * 3 = C 2 + 4 ="
                                                << " 6." << 0;
    QTest::newRow("negative left operand") << "3 +/- - 2 ="
                                           << "-5." << 0;
    QTest::newRow("negative right operand") << "3 - 2 +/- ="
                                            << " 5." << 0;
    QTest::newRow("sign of zero stays") << "+/-"
                                        << " 0." << 0;
    QTest::newRow("square root") << "9 sqrt"
                                 << " 3." << 0;
    QTest::newRow("square root cut to the display") << "2 sqrt"
                                                    << " 1.414213562373" << 0;
    QTest::newRow("square root of a negative beeps") << "4 +/- sqrt"
                                                     << "-4." << 1;
    QTest::newRow("one-operand keys use the shown result") << "5 + 3 = 1/x"
                                                           << " 0.125" << 0;
    QTest::newRow("second decimal point beeps") << "1 . . 5"
                                                << " 1.5" << 1;
    QTest::newRow("backspace a whole digit") << "1 2 3 Back"
                                             << " 12." << 0;
    QTest::newRow("backspace a fraction digit") << "1 . 2 5 Back"
                                                << " 1.2" << 0;
    QTest::newRow("backspace the last digit beeps") << "5 Back"
                                                    << " 0." << 1;
    QTest::newRow("backspace after a result beeps") << "5 + 3 = Back"
                                                    << " 8." << 1;
    QTest::newRow("clear entry") << "5 + 7 CE 3 ="
                                 << " 8." << 0;
    QTest::newRow("clear entry of a result beeps") << "5 + 3 = CE"
                                                   << " 8." << 1;
    QTest::newRow("subtraction below zero") << "2 - 5 ="
                                            << "-3." << 0;
    QTest::newRow("fractions") << "0 . 1 + 0 . 2 ="
                               << " 0.3" << 0;
    QTest::newRow("too large for the display") << "9 9 9 9 9 9 9 9 * 9 9 9 9 9 9 9 9 ="
                                               << " 9.9999998E15" << 0;
  }

  void sequences() {
    QFETCH(QString, keys);
    QFETCH(QString, display);
    QFETCH(int, beeps);
    const QStringList tokens = keys.split(' ', Qt::SkipEmptyParts);

    // Through the window's handlers.
    {
      TFormCalcul calc;
      const int before = TFormCalcul::BeepCount();
      for (const QString& t : tokens) StepFor(t).click(calc);
      QCOMPARE(Shown(calc), display);
      QCOMPARE(TFormCalcul::BeepCount() - before, beeps);
    }
    // Through the keyboard.
    {
      TFormCalcul calc;
      calc.show();
      calc.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&calc));
      const int before = TFormCalcul::BeepCount();
      for (const QString& t : tokens) Press(calc, StepFor(t));
      QCOMPARE(Shown(calc), display);
      QCOMPARE(TFormCalcul::BeepCount() - before, beeps);
    }
  }

  void oneThirdIsTheEvaluatorsQuotientCut() {
    TFormCalcul calc;
    for (const char* t : {"1", "/", "3", "="}) StepFor(t).click(calc);
    QCOMPARE(Shown(calc).size(), 15);
    QVERIFY2(Shown(calc).startsWith(" 0.33333333"), qPrintable(Shown(calc)));
  }

  // A screen reader reads the display as read-only text that follows each
  // key: the result reaches it.
  void displayIsReadAsChangingText() {
    TFormCalcul calc;
    calc.show();
    QVERIFY(QTest::qWaitForWindowExposed(&calc));
    QAccessibleInterface* display = QAccessible::queryAccessibleInterface(calc.findChild<QLabel*>("LblDisp"));
    QVERIFY(display);
    QCOMPARE(display->role(), QAccessible::EditableText);
    QVERIFY(display->state().readOnly);
    QVERIFY(!display->text(QAccessible::Name).isEmpty());
    QVERIFY(display->textInterface());
    for (const char* t : {"6", "*", "7", "="}) Press(calc, StepFor(t));
    QCOMPARE(display->text(QAccessible::Value), QString("42."));
    QCOMPARE(display->textInterface()->text(0, display->textInterface()->characterCount()), QString("42."));
  }

  void numberFormat_data() {
    QTest::addColumn<QString>("evaluated");
    QTest::addColumn<QString>("shown");
    QTest::newRow("whole") << "8"
                           << " 8.";
    QTest::newRow("trailing zeros") << "2.500"
                                    << " 2.5";
    QTest::newRow("whole written with a point") << "3.0"
                                                << " 3.";
    QTest::newRow("negative") << "-0.25"
                              << "-0.25";
    QTest::newRow("cut, not rounded") << "0.66666666666666666"
                                      << " 0.666666666666";
    QTest::newRow("large in exponent form") << "12345678901234567"
                                            << " 1.23456789E16";
    QTest::newRow("tiny in exponent form") << "0.0000000000001234"
                                           << " 1.234E-13";
    QTest::newRow("negative exponent form fits") << "-123456789012345678"
                                                 << "-1.23456789E17";
    QTest::newRow("error text stays") << "!!!ERROR!!!"
                                      << "!!!ERROR!!!";
  }
  void numberFormat() {
    QFETCH(QString, evaluated);
    QFETCH(QString, shown);
    QCOMPARE(QString::fromStdString(orn::FormatCalculatorNumber(evaluated.toStdString())), shown);
  }

  void startValueFromTheFocusedField_data() {
    QTest::addColumn<QString>("fieldText");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("display");
    QTest::addColumn<bool>("transfer");
    QTest::newRow("a number") << "12.5" << false << " 12.5" << true;
    QTest::newRow("a negative number") << " -7" << false << "-7." << true;
    QTest::newRow("not a number") << "abc" << false << " 0." << true;
    QTest::newRow("empty") << "" << false << " 0." << true;
    QTest::newRow("read-only field") << "3" << true << " 3." << false;
  }
  void startValueFromTheFocusedField() {
    QFETCH(QString, fieldText);
    QFETCH(bool, readOnly);
    QFETCH(QString, display);
    QFETCH(bool, transfer);
    FieldWindow w;
    w.edit->setText(fieldText);
    w.edit->setReadOnly(readOnly);
    w.edit->setFocus();
    QString shown;
    bool copyEnabled = false, menuEnabled = false;
    int beeps = 0;
    WhenCalculatorOpen([&](TFormCalcul& calc) {
      shown = Shown(calc);
      copyEnabled = calc.findChild<QPushButton*>("BtnCopy")->isEnabled();
      menuEnabled = calc.findChild<QAction*>("Parnestlauk")->isEnabled();
      const int before = TFormCalcul::BeepCount();
      QTest::keyClick(KeyTarget(calc), Qt::Key_Insert);
      beeps = TFormCalcul::BeepCount() - before;
    });
    QTest::keyClick(w.edit, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(shown, display);
    QCOMPARE(copyEnabled, transfer);
    QCOMPARE(menuEnabled, transfer);
    QCOMPARE(beeps, transfer ? 0 : 1);
    QVERIFY(!TFormCalcul::Current());
    // Insert transferred the start value unchanged, or nothing at all.
    QCOMPARE(w.edit->text(), transfer ? QString(display).remove(' ').remove(QRegularExpression("\\.$")) : fieldText);
  }

  void resultGoesBackIntoTheField() {
    FieldWindow w;
    w.edit->setText("7");
    w.edit->setFocus();
    WhenCalculatorOpen([](TFormCalcul& calc) {
      for (const char* t : {"*", "6", "="}) Press(calc, StepFor(t));
      QTest::keyClick(KeyTarget(calc), Qt::Key_Insert);
    });
    QTest::keyClick(w.edit, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(w.edit->text(), QString("42"));
  }

  void closingWithoutTransferLeavesTheField() {
    FieldWindow w;
    w.edit->setText("7");
    w.edit->setFocus();
    WhenCalculatorOpen([](TFormCalcul& calc) {
      for (const char* t : {"+", "1", "="}) Press(calc, StepFor(t));
      calc.findChild<QAction*>("Iziet1")->trigger();
    });
    QTest::keyClick(w.edit, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(w.edit->text(), QString("7"));
  }

  void gridCells() {
    FieldWindow w;
    w.grid->setItem(0, 0, new QTableWidgetItem("2.5"));
    auto* fixed = new QTableWidgetItem("9");
    fixed->setFlags(fixed->flags() & ~Qt::ItemIsEditable);
    w.grid->setItem(1, 0, fixed);

    w.grid->setFocus();
    w.grid->setCurrentCell(0, 0);
    WhenCalculatorOpen([](TFormCalcul& calc) {
      QCOMPARE(Shown(calc), QString(" 2.5"));
      for (const char* t : {"*", "4", "="}) Press(calc, StepFor(t));
      QTest::mouseClick(calc.findChild<QPushButton*>("BtnCopy"), Qt::LeftButton);
    });
    QTest::keyClick(w.grid, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(w.grid->item(0, 0)->text(), QString("10"));

    // A read-only cell: no transfer button, no transfer menu item.
    w.grid->setFocus();
    w.grid->setCurrentCell(1, 0);
    bool copyEnabled = true, menuEnabled = true;
    WhenCalculatorOpen([&](TFormCalcul& calc) {
      copyEnabled = calc.findChild<QPushButton*>("BtnCopy")->isEnabled();
      menuEnabled = calc.findChild<QAction*>("Parnestlauk")->isEnabled();
      QCOMPARE(Shown(calc), QString(" 9."));
    });
    QTest::keyClick(w.grid, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(!copyEnabled);
    QVERIFY(!menuEnabled);
    QCOMPARE(w.grid->item(1, 0)->text(), QString("9"));
  }

  void enterWithAStartValueClosesAndWritesBack() {
    FieldWindow w;
    w.edit->setText("12");
    w.edit->setFocus();
    WhenCalculatorOpen([](TFormCalcul& calc) {
      // The start value is continued by the first digits.
      Press(calc, StepFor("3"));
      QCOMPARE(Shown(calc), QString(" 123."));
      QTest::keyClick(KeyTarget(calc), Qt::Key_Return);
    });
    OpenCalculator(w.form, "12");
    QCOMPARE(w.edit->text(), QString("123"));
  }

  void enterWithoutAStartValueIsEquals() {
    FieldWindow w;
    w.edit->setText("12");
    w.edit->setFocus();
    QString shown;
    WhenCalculatorOpen([&](TFormCalcul& calc) {
      for (const char* t : {"+", "3"}) Press(calc, StepFor(t));
      QTest::keyClick(KeyTarget(calc), Qt::Key_Return);
      shown = Shown(calc);
    });
    QTest::keyClick(w.edit, Qt::Key_K, Qt::ControlModifier);
    QCOMPARE(shown, QString(" 15."));
    QCOMPARE(w.edit->text(), QString("12"));
  }

  void onlyOneCalculator() {
    FieldWindow w;
    w.edit->setFocus();
    int beeps = -1;
    TFormCalcul* first = nullptr;
    TFormCalcul* during = nullptr;
    WhenCalculatorOpen([&](TFormCalcul& calc) {
      first = &calc;
      const int before = TFormCalcul::BeepCount();
      QTest::keyClick(KeyTarget(calc), Qt::Key_K, Qt::ControlModifier);
      beeps = TFormCalcul::BeepCount() - before;
      during = TFormCalcul::Current();
    });
    QTest::keyClick(w.edit, Qt::Key_K, Qt::ControlModifier);
    QVERIFY(first);
    QCOMPARE(during, first);
    QCOMPARE(beeps, 1);
    QVERIFY(!TFormCalcul::Current());
  }

  void copyAndPasteThroughTheClipboard() {
    TFormCalcul calc;
    calc.show();
    calc.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&calc));
    for (const char* t : {"6", "*", "7", "="}) Press(calc, StepFor(t));
    QTest::keyClick(KeyTarget(calc), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString(" 42."));
    QApplication::clipboard()->setText("5");
    Press(calc, StepFor("C"));
    QTest::keyClick(KeyTarget(calc), Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Shown(calc), QString("5"));
    for (const char* t : {"+", "1", "="}) Press(calc, StepFor(t));
    QCOMPARE(Shown(calc), QString(" 6."));
  }

  void evaluatorFailureShowsItsText() {
    TFormCalcul calc;
    QApplication::clipboard()->setText("abc");
    calc.IeliktCtrlV1Click();
    calc.BtnPlusClick();
    calc.DigitClick('1');
    calc.BtnEqlClick();
    QVERIFY2(Shown(calc).contains("!!!"), qPrintable(Shown(calc)));
  }
};

QTEST_MAIN(CalculatorTest)
#include "CalculatorTest.moc"
