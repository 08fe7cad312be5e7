// Check boxes, radio buttons, the radio group and the page tabs, driven with
// the mouse as a user would and checked by what they paint.
#include <QCheckBox>
#include <QtTest>

#include "OrnCheckBox.h"
#include "OrnCtlTestUtil.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "OrnRadioGroup.h"
#include "OrnTabs.h"

using namespace orntest;

class OrnCtlChoiceTest : public QObject {
  Q_OBJECT

 private slots:
  void PanelLayoutFollowsFont_data();
  void PanelLayoutFollowsFont();
  void CheckBoxCaptionClickToggles();
  void RadioCaptionClickUnchecksSiblingsInSamePanelOnly();
  void RadioCircle_data();
  void RadioCircle();
  void RadioGroupFiveItemsInTwoColumns();
  void RadioGroupColumnsOutOfRangeUseOne_data();
  void RadioGroupColumnsOutOfRangeUseOne();
  void PageTabsActiveTextBlueAndLeftTextUpright_data();
  void PageTabsActiveTextBlueAndLeftTextUpright();
  void DefaultsOfLanguageKind();
  void TabControlKeepsTabAcrossTranslation();
};

void OrnCtlChoiceTest::PanelLayoutFollowsFont_data() {
  QTest::addColumn<int>("pixels");
  QTest::addColumn<int>("panelHeight");
  QTest::addColumn<int>("markTop");
  // round(0.3 px) + px + 2, halves to even: 4.5 -> 4, 7.5 -> 8.
  QTest::newRow("11 px") << 11 << 16 << 0;  // round(-0.5) = 0
  QTest::newRow("15 px") << 15 << 21 << 2;  // round(1.5) = 2
  QTest::newRow("20 px") << 20 << 28 << 6;  // round(5.5) = 6
  QTest::newRow("25 px") << 25 << 35 << 9;  // round(9) = 9
}

void OrnCtlChoiceTest::PanelLayoutFollowsFont() {
  QFETCH(int, pixels);
  QFETCH(int, panelHeight);
  QFETCH(int, markTop);
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixels);

  TOrnCheckBox check;
  QCOMPARE(check.width(), 100);
  QCOMPARE(check.Caption(), QStringLiteral("CheckBox"));
  check.setFont(font);
  check.resize(160, check.height());
  check.show();
  QCOMPARE(check.height(), panelHeight);
  QCOMPARE(check.Box()->geometry(), QRect(0, markTop, 17, 17));
  QCOMPARE(check.CaptionLabel()->geometry(), QRect(17, 1, 160 - 17, panelHeight));
  QCOMPARE(check.CaptionLabel()->Caption(), QStringLiteral(" CheckBox"));

  TOrnRadioButton radio;
  QCOMPARE(radio.Caption(), QStringLiteral("Radio button"));
  radio.setFont(font);
  QCOMPARE(radio.height(), panelHeight);
  QCOMPARE(radio.Mark()->geometry(), QRect(0, markTop, 17, 17));
  QCOMPARE(radio.FocusHolder()->geometry(), QRect(-25, 0, 18, 18));
}

void OrnCtlChoiceTest::CheckBoxCaptionClickToggles() {
  QWidget window;
  auto* check = new TOrnCheckBox(&window);
  check->SetCaption(QStringLiteral("Archive"));
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QSignalSpy clicked(check, &TOrnCheckBox::Clicked);

  QTest::mouseClick(check->CaptionLabel(), Qt::LeftButton, {}, QPoint(20, 5));
  QVERIFY(check->Checked());
  QCOMPARE(clicked.count(), 1);
  QVERIFY(check->Box()->hasFocus());
  QVERIFY(check->CaptionLabel()->FocusMark());
  QCOMPARE(check->CaptionLabel()->FocusMarkRect().height(), check->height() - 3);

  QTest::mouseClick(check->CaptionLabel(), Qt::LeftButton, {}, QPoint(20, 5));
  QVERIFY(!check->Checked());
  QCOMPARE(check->State(), OrnTypes::cbUnchecked);

  // Leaving the box takes the mark away.
  auto* other = new QCheckBox(&window);
  other->move(0, 40);
  other->show();
  other->setFocus();
  QVERIFY(!check->CaptionLabel()->FocusMark());

  check->SetState(OrnTypes::cbGrayed);
  QCOMPARE(check->Box()->checkState(), Qt::PartiallyChecked);
  QVERIFY(!check->Checked());
}

void OrnCtlChoiceTest::RadioCaptionClickUnchecksSiblingsInSamePanelOnly() {
  QWidget window;
  auto* panelA = new QWidget(&window);
  auto* panelB = new QWidget(&window);
  panelB->move(0, 100);
  TOrnRadioButton* a[3];
  TOrnRadioButton* b[2];
  for (int i = 0; i < 3; ++i) {
    a[i] = new TOrnRadioButton(panelA);
    a[i]->move(0, 25 * i);
  }
  for (int i = 0; i < 2; ++i) {
    b[i] = new TOrnRadioButton(panelB);
    b[i]->move(0, 25 * i);
  }
  b[1]->SetChecked(true);
  a[0]->SetChecked(true);
  window.show();
  QVERIFY(QTest::qWaitForWindowActive(&window));
  QSignalSpy clicked(a[2], &TOrnRadioButton::Clicked);

  QTest::mouseClick(a[2]->CaptionLabel(), Qt::LeftButton, {}, QPoint(15, 5));
  QVERIFY(a[2]->Checked());
  QVERIFY(!a[0]->Checked());
  QVERIFY(!a[1]->Checked());
  QVERIFY(b[1]->Checked());  // another panel keeps its choice
  QCOMPARE(clicked.count(), 1);
  QVERIFY(a[2]->FocusHolder()->hasFocus());
  QVERIFY(a[2]->CaptionLabel()->FocusMark());

  // A click on the circle itself does the same.
  QTest::mouseClick(a[1]->Mark(), Qt::LeftButton, {}, QPoint(8, 8));
  QVERIFY(a[1]->Checked());
  QVERIFY(!a[2]->Checked());
  QVERIFY(!a[2]->CaptionLabel()->FocusMark());

  // Space on the focus holder checks its button.
  QTest::keyClick(a[1]->FocusHolder(), Qt::Key_Space);
  QVERIFY(a[1]->Checked());
  QVERIFY(!a[1]->FocusHolder()->isChecked());

  // Disabled buttons ignore clicks.
  a[0]->setEnabled(false);
  QTest::mouseClick(a[0]->Mark(), Qt::LeftButton, {}, QPoint(8, 8));
  QVERIFY(!a[0]->Checked());
}

void OrnCtlChoiceTest::RadioCircle_data() {
  QTest::addColumn<bool>("checked");
  QTest::addColumn<bool>("enabled");
  QTest::addColumn<QColor>("dot");   // pixel (7, 7)
  QTest::addColumn<QColor>("fill");  // pixel (7, 4), inside the circle, outside the dot
  const QColor text(0, 0, 0), window(255, 255, 255), light3d(255, 255, 0);
  QTest::newRow("checked") << true << true << text << window;
  QTest::newRow("unchecked") << false << true << window << window;
  QTest::newRow("disabled, checked") << true << false << text << light3d;
  QTest::newRow("disabled") << false << false << light3d << light3d;
}

void OrnCtlChoiceTest::RadioCircle() {
  QFETCH(bool, checked);
  QFETCH(bool, enabled);
  QFETCH(QColor, dot);
  QFETCH(QColor, fill);
  TOrnRadioButton radio;
  radio.setPalette(DistinctPalette());
  radio.SetChecked(checked);
  radio.setEnabled(enabled);
  const QImage img = Render(radio.Mark());
  QCOMPARE(img.size(), QSize(17, 17));
  QCOMPARE(QColor(img.pixel(7, 7)), dot);
  QCOMPARE(QColor(img.pixel(7, 4)), fill);
  // Upper-left outer rim in clBtnShadow, inner upper-left rim in cl3DDkShadow,
  // lower-right rim in cl3DLight; the corner shows the panel colour.
  QCOMPARE(QColor(img.pixel(7, 1)), QColor(0, 0, 255));
  QCOMPARE(QColor(img.pixel(7, 2)), QColor(0, 255, 255));
  QCOMPARE(QColor(img.pixel(7, 13)), QColor(255, 255, 0));
  QCOMPARE(QColor(img.pixel(0, 0)), QColor(200, 200, 200));
}

namespace {

// The design's item geometry worked out independently of the control.
struct ExpectedGroup {
  int rows, h, rowStep, columnWidth, top0, left0;
  ExpectedGroup(int n, int columns, int width, int height, int textHeight) {
    auto round = [](double v) { return int(std::nearbyint(v)); };
    h = textHeight;
    rows = (n + columns - 1) / columns;
    const double e9 = rows > 1 ? double(height) / ((rows - 1) * 9) : 0;
    const double e12 = rows > 1 ? double(height) / ((rows - 1) * 12) : 0;
    rowStep = round((height - h - round(h / 2.0) + e9) / rows);
    columnWidth = round(double(width - h - round(h / 2.0)) / columns);
    top0 = round(h / 2.0 + e12);
    left0 = round(h / 3.0);
  }
  // A point in the middle of the clickable band of (row, column).
  QPoint Inside(int row, int column) const { return {left0 + column * columnWidth + 30, top0 + row * rowStep + h}; }
  // The middle of the item's radio circle.
  QPoint Circle(int row, int column) const {
    return {left0 + column * columnWidth + 8 + 6, int(std::nearbyint(top0 + row * rowStep + h / 2.0)) + 7};
  }
};

}  // namespace

void OrnCtlChoiceTest::RadioGroupFiveItemsInTwoColumns() {
  QWidget window;
  auto* group = new TOrnRadioGroup(&window);
  group->setPalette(DistinctPalette());
  group->SetItems({"a", "b", "c", "d", "e"});
  group->SetColumns(2);
  group->SetItemIndex(-1);
  group->setGeometry(0, 0, 240, 150);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const ExpectedGroup g(5, 2, 240, 150, group->fontMetrics().height());
  QCOMPARE(g.rows, 3);

  // Three circles in the first column, two in the second; none where a
  // sixth item would go.
  const QImage img = Render(group);
  const QColor white(255, 255, 255);
  for (int row = 0; row < 3; ++row) QCOMPARE(QColor(img.pixel(g.Circle(row, 0))), white);
  for (int row = 0; row < 2; ++row) QCOMPARE(QColor(img.pixel(g.Circle(row, 1))), white);
  QVERIFY(QColor(img.pixel(g.Circle(2, 1))) != white);

  // A click in each band picks the item there: items run down the columns.
  QSignalSpy clicked(group, &TOrnRadioGroup::Clicked);
  const struct { int row, column, item; } bands[] = {{0, 0, 0}, {1, 0, 1}, {2, 0, 2}, {0, 1, 3}, {1, 1, 4}};
  for (const auto& band : bands) {
    QTest::mouseClick(group, Qt::LeftButton, {}, g.Inside(band.row, band.column));
    QCOMPARE(group->ItemIndex(), band.item);
  }
  QCOMPARE(clicked.count(), 5);
  // The empty sixth place and the gap above the first band pick nothing.
  QTest::mouseClick(group, Qt::LeftButton, {}, g.Inside(2, 1));
  QTest::mouseClick(group, Qt::LeftButton, {}, QPoint(g.left0 + 30, g.top0 + g.h / 2 - 1));
  QCOMPARE(group->ItemIndex(), 4);
  QCOMPARE(clicked.count(), 5);

  // The chosen item shows its dot.
  QCOMPARE(QColor(Render(group).pixel(g.Circle(1, 1))), QColor(0, 0, 0));
}

void OrnCtlChoiceTest::RadioGroupColumnsOutOfRangeUseOne_data() {
  QTest::addColumn<int>("columns");
  QTest::newRow("0") << 0;
  QTest::newRow("17") << 17;
  QTest::newRow("-3") << -3;
}

void OrnCtlChoiceTest::RadioGroupColumnsOutOfRangeUseOne() {
  QFETCH(int, columns);
  QWidget window;
  auto* group = new TOrnRadioGroup(&window);
  group->SetItems({"a", "b", "c", "d", "e"});
  group->SetColumns(columns);
  QCOMPARE(group->Columns(), 1);
  group->setGeometry(0, 0, 200, 200);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  const ExpectedGroup g(5, 1, 200, 200, group->fontMetrics().height());
  QCOMPARE(g.rows, 5);
  QTest::mouseClick(group, Qt::LeftButton, {}, g.Inside(4, 0));
  QCOMPARE(group->ItemIndex(), 4);
  QTest::mouseClick(group, Qt::LeftButton, {}, g.Inside(2, 0));
  QCOMPARE(group->ItemIndex(), 2);
}

void OrnCtlChoiceTest::PageTabsActiveTextBlueAndLeftTextUpright_data() {
  QTest::addColumn<int>("position");
  QTest::newRow("top") << int(QTabWidget::North);
  QTest::newRow("bottom") << int(QTabWidget::South);
  QTest::newRow("left") << int(QTabWidget::West);
  QTest::newRow("right") << int(QTabWidget::East);
}

void OrnCtlChoiceTest::PageTabsActiveTextBlueAndLeftTextUpright() {
  QFETCH(int, position);
  TOrnPageControl pages;
  pages.setTabPosition(QTabWidget::TabPosition(position));
  QFont font = SharpFont(14);
  pages.setFont(font);
  for (const char* name : {"Main", "Volumes", "Hidden"}) {
    auto* page = new QWidget;
    page->setObjectName(QLatin1String(name));
    pages.addTab(page, QStringLiteral("Wide caption %1").arg(QLatin1String(name)));
  }
  pages.setTabVisible(2, false);
  pages.setCurrentIndex(1);
  pages.resize(560, 420);
  pages.show();
  QVERIFY(QTest::qWaitForWindowExposed(&pages));
  TOrnPageTabBar* bar = pages.PageTabBar();
  const QImage img = Render(bar);
  const QColor blue(0, 0, 255);
  const QRect active = bar->tabRect(1);
  const QRect inactive = bar->tabRect(0);
  QCOMPARE(CountOf(img, blue, inactive), 0);
  const QRect text = BoxOf(img, blue, active);
  QVERIFY(text.isValid());
  const bool left = position == QTabWidget::West;
  // Left tabs read upwards: the text is taller than wide and ends at its foot.
  QCOMPARE(text.height() > text.width(), left);
  if (left) {
    QVERIFY(text.bottom() <= active.bottom() - 5);
    QVERIFY(text.left() >= active.left() + 5);
  } else {
    QVERIFY(text.left() >= active.left() + 6);
    QVERIFY(text.top() >= active.top() + 3);
  }
  QCOMPARE(pages.Pages().size(), 3);
  QCOMPARE(pages.Pages().at(1)->objectName(), QStringLiteral("Volumes"));
}

void OrnCtlChoiceTest::DefaultsOfLanguageKind() {
  // The language pass finds these by class and property name.
  TOrnCheckBox check;
  TOrnRadioButton radio;
  TOrnRadioGroup group;
  TOrnGroupBox box;
  TOrnTabControl tabs;
  TOrnPageControl pages;
  TOrnTabbedNotebook notebook;
  for (QObject* o : std::initializer_list<QObject*>{&check, &radio, &group, &box, &tabs, &pages, &notebook})
    QCOMPARE(o->property("LoadAs").value<TLoadAs>(), OrnTypes::AsLabel);
  QCOMPARE(group.Columns(), 1);
  QCOMPARE(group.ItemIndex(), 0);
  QCOMPARE(check.State(), OrnTypes::cbUnchecked);
  QVERIFY(check.setProperty("LoadAs", QVariant::fromValue(OrnTypes::AsSystem)));
  QCOMPARE(check.LoadAs(), OrnTypes::AsSystem);
  // The passes read and write the kinds as plain numbers.
  bool ok = false;
  QCOMPARE(check.property("LoadAs").toInt(&ok), 2);
  QVERIFY(ok);
  QVERIFY(radio.setProperty("LoadAs", 1));
  QCOMPARE(radio.LoadAs(), OrnTypes::AsEdit);
}

void OrnCtlChoiceTest::TabControlKeepsTabAcrossTranslation() {
  TOrnTabControl tabs;
  tabs.resize(300, 200);
  tabs.SetTabs({"Sources", "Volumes", "Floppy"});
  tabs.SetTabIndex(2);
  QSignalSpy changed(&tabs, &TOrnTabControl::Change);
  // Translating renames the tabs; the user stays where he was.
  tabs.SetTabs({"Avoti", "Sējumi", "Disketes"});
  QCOMPARE(tabs.TabIndex(), 2);
  QCOMPARE(tabs.Tabs().at(1), QStringLiteral("Sējumi"));
  QCOMPARE(changed.count(), 0);
  tabs.SetTabs({"Avoti"});
  QCOMPARE(tabs.TabIndex(), 0);
  QCOMPARE(changed.count(), 1);
  // The client area lies below the tabs.
  QVERIFY(tabs.DisplayRect().top() >= tabs.TabBar()->geometry().bottom());
}

QTEST_MAIN(OrnCtlChoiceTest)
#include "OrnCtlChoiceTest.moc"
