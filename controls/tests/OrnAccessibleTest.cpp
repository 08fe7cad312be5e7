// What a screen reader learns about each in-house control, asked through
// Qt's accessibility interfaces, and the focus frame a keyboard user sees.
#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtTest>
#include <functional>

#include "OrnAccessible.h"
#include "OrnBitBtn.h"
#include "OrnCheckBox.h"
#include "OrnCtlTestUtil.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "OrnRadioGroup.h"
#include "OrnStringGrid.h"

class OrnAccessibleTest : public QObject {
  Q_OBJECT

 private slots:
  void eachControlReportsNameRoleAndState() {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* label = new TOrnLabel("Archive path", &window);
    auto* button = new TOrnBitBtn(&window);
    button->SetCaption("&Restore");
    auto* check = new TOrnCheckBox(&window);
    check->SetCaption("Volumes");
    auto* radio1 = new TOrnRadioButton(&window);
    radio1->SetCaption("Every day per week");
    auto* radio2 = new TOrnRadioButton(&window);
    radio2->SetCaption("Not saving");
    auto* grid = new TOrnStringGrid(&window);
    grid->setColumnCount(2);
    grid->setRowCount(2);
    grid->SetCells(1, 1, "KONTI.DB");
    grid->setAccessibleName("File list");
    for (QWidget* w : std::initializer_list<QWidget*>{label, button, check, radio1, radio2, grid}) column->addWidget(w);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    radio1->SetChecked(true);

    struct Row {
      const char* what;
      QWidget* widget;
      QAccessible::Role role;
      QString name;
      int checked;  // -1: not checkable
    } rows[] = {
        {"label", label, QAccessible::StaticText, "Archive path", -1},
        {"bitmap button", button, QAccessible::Button, "Restore", -1},
        {"check box", check, QAccessible::CheckBox, "Volumes", 0},
        {"check box's focus part", check->Box(), QAccessible::CheckBox, "Volumes", 0},
        {"checked radio button", radio1, QAccessible::RadioButton, "Every day per week", 1},
        {"radio button's focus part", radio1->FocusHolder(), QAccessible::RadioButton, "Every day per week", 1},
        {"other radio button", radio2, QAccessible::RadioButton, "Not saving", 0},
        {"string grid", grid, QAccessible::Table, "File list", -1},
    };
    for (const Row& row : rows) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(row.widget);
      QVERIFY2(a, row.what);
      QVERIFY2(a->role() == row.role, row.what);
      QCOMPARE(a->text(QAccessible::Name), row.name);
      if (row.checked >= 0) {
        QVERIFY2(a->state().checkable, row.what);
        QVERIFY2(a->state().checked == (row.checked == 1), row.what);
      }
    }

    // The state follows the control, and the toggle action works it.
    check->SetChecked(true);
    QVERIFY(QAccessible::queryAccessibleInterface(check)->state().checked);
    QAccessibleInterface* other = QAccessible::queryAccessibleInterface(radio2);
    QVERIFY(other->actionInterface());
    other->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    QVERIFY(radio2->Checked());
    QVERIFY(!radio1->Checked());
    QVERIFY(!QAccessible::queryAccessibleInterface(radio1)->state().checked);

    // The grid's cells read out their text.
    QAccessibleInterface* table = QAccessible::queryAccessibleInterface(grid);
    QVERIFY(table->tableInterface());
    QAccessibleInterface* cell = table->tableInterface()->cellAt(1, 1);
    QVERIFY(cell);
    QCOMPARE(cell->text(QAccessible::Name), QString("KONTI.DB"));
  }

  // Panels, lines, windows and the parts a widget is given to play: what a
  // screen reader is told instead of the class's own role.
  void rolesOfPanelsWindowsAndGivenParts() {
    QWidget window;
    auto* column = new QVBoxLayout(&window);
    auto* panel = new QFrame(&window);
    panel->setFrameShape(QFrame::StyledPanel);
    auto* line = new QFrame(&window);
    line->setFrameShape(QFrame::VLine);
    auto* tabs = new QWidget(&window);
    orn::SetAccessibleRole(tabs, QAccessible::PageTabList);
    auto* tabRow = new QHBoxLayout(tabs);
    QToolButton* pages[2];
    for (QToolButton*& tab : pages) {
      tab = new QToolButton(tabs);
      tab->setCheckable(true);
      tab->setAutoExclusive(true);
      orn::SetAccessibleRole(tab, QAccessible::PageTab);
      tabRow->addWidget(tab);
    }
    pages[0]->setText("&Rotation");
    pages[1]->setText("Unique save");
    pages[0]->setChecked(true);
    auto* status = new QFrame(&window);
    orn::SetAccessibleRole(status, QAccessible::StatusBar);
    auto* display = new QLabel(" 0.", &window);
    display->setAccessibleName("Display");
    orn::SetReadOnlyText(display);
    for (QWidget* w : std::initializer_list<QWidget*>{panel, line, tabs, status, display}) column->addWidget(w);
    window.setWindowTitle("In-house controls");
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    display->setText(" 42.");

    struct Row {
      const char* what;
      QWidget* widget;
      QAccessible::Role role;
      QString name;
      int selected;  // -1: not a page tab
    } rows[] = {
        {"a plain top-level widget", &window, QAccessible::Window, "In-house controls", -1},
        {"a panel", panel, QAccessible::Grouping, "", -1},
        {"a line", line, QAccessible::Separator, "", -1},
        {"page tabs", tabs, QAccessible::PageTabList, "", -1},
        {"the chosen page tab", pages[0], QAccessible::PageTab, "Rotation", 1},
        {"the other page tab", pages[1], QAccessible::PageTab, "Unique save", 0},
        {"a status bar", status, QAccessible::StatusBar, "", -1},
        {"a changing value", display, QAccessible::EditableText, "Display", -1},
    };
    for (const Row& row : rows) {
      QAccessibleInterface* a = QAccessible::queryAccessibleInterface(row.widget);
      QVERIFY2(a && a->role() == row.role, row.what);
      QCOMPARE(a->text(QAccessible::Name), row.name);
      if (row.selected >= 0) QVERIFY2(a->state().selected == (row.selected == 1), row.what);
    }

    // Pressing a page tab chooses it.
    QAccessible::queryAccessibleInterface(pages[1])->actionInterface()->doAction(
        QAccessibleActionInterface::pressAction());
    QVERIFY(pages[1]->isChecked());
    QVERIFY(QAccessible::queryAccessibleInterface(pages[1])->state().selected);

    // The value is read-only text that follows the display.
    QAccessibleInterface* value = QAccessible::queryAccessibleInterface(display);
    QVERIFY(value->state().readOnly);
    QCOMPARE(value->text(QAccessible::Value), QString("42."));
    QVERIFY(value->textInterface());
    QCOMPARE(value->textInterface()->text(0, value->textInterface()->characterCount()), QString("42."));
    display->setText("-7.5");
    QCOMPARE(value->textInterface()->text(0, value->textInterface()->characterCount()), QString("-7.5"));
  }

  // The radio group paints its items; a screen reader still hears each
  // one as a radio button, the group's item checked, and can choose one.
  void radioGroupItemsAreRadioButtons() {
    QWidget window;
    auto* group = new TOrnRadioGroup(&window);
    group->SetCaption("&Rotation");
    group->SetItems({"Not saving", "Every day per week", "Every day per month"});
    group->SetItemIndex(1);
    group->resize(260, 110);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    int clicks = 0;
    connect(group, &TOrnRadioGroup::Clicked, [&] { ++clicks; });

    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(group);
    QCOMPARE(a->role(), QAccessible::Grouping);
    QCOMPARE(a->text(QAccessible::Name), QString("Rotation"));
    QCOMPARE(a->text(QAccessible::Value), QString("Every day per week"));
    QCOMPARE(a->childCount(), 3);
    QStringList heard;
    for (int i = 0; i < a->childCount(); ++i) {
      QAccessibleInterface* item = a->child(i);
      QCOMPARE(item->role(), QAccessible::RadioButton);
      QCOMPARE(item->parent(), a);
      QCOMPARE(a->indexOfChild(item), i);
      QCOMPARE(item->state().checked, i == 1);
      QVERIFY(group->rect().contains(group->mapFromGlobal(item->rect().topLeft())));
      heard << item->text(QAccessible::Name);
    }
    QCOMPARE(heard, group->Items());
    a->child(2)->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    QCOMPARE(group->ItemIndex(), 2);
    QCOMPARE(clicks, 1);
    QVERIFY(a->child(2)->state().checked && !a->child(1)->state().checked);
  }

  // Every focusable control draws a visible frame while it has the focus.
  void focusIsVisible() {
    struct Row {
      const char* what;
      std::function<QWidget*(QWidget*)> make;
      std::function<QWidget*(QWidget*)> focusPart;
    } rows[] = {
        {"bitmap button",
         [](QWidget* p) {
           auto* b = new TOrnBitBtn(p);
           b->SetCaption("OK");
           return b;
         },
         [](QWidget* w) { return w; }},
        {"check box",
         [](QWidget* p) {
           auto* c = new TOrnCheckBox(p);
           c->SetCaption("Volumes");
           return c;
         },
         [](QWidget* w) { return static_cast<QWidget*>(static_cast<TOrnCheckBox*>(w)->Box()); }},
        {"radio button",
         [](QWidget* p) {
           auto* r = new TOrnRadioButton(p);
           r->SetCaption("Weekly");
           return r;
         },
         [](QWidget* w) { return static_cast<QWidget*>(static_cast<TOrnRadioButton*>(w)->FocusHolder()); }},
    };
    for (const Row& row : rows) {
      QWidget window;
      auto* column = new QVBoxLayout(&window);
      auto* away = new QCheckBox("elsewhere", &window);
      QWidget* control = row.make(&window);
      column->addWidget(away);
      column->addWidget(control);
      window.show();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      away->setFocus();
      const QImage without = orntest::Render(control);
      row.focusPart(control)->setFocus(Qt::TabFocusReason);
      QVERIFY2(row.focusPart(control)->hasFocus(), row.what);
      const QImage with = orntest::Render(control);
      QVERIFY2(with != without, row.what);
    }
  }
};

QTEST_MAIN(OrnAccessibleTest)
#include "OrnAccessibleTest.moc"
