// A window showing every in-house control in its states, for looking at
// them while changing their painting, and a page of the data-aware controls
// working over the bundled example tables. Its usage is kUsage below.
#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "DataPage.h"
#include "DialogService.h"
#include "OrnAccessible.h"
#include "OrnBitBtn.h"
#include "OrnCheckBox.h"
#include "OrnEdits.h"
#include "OrnFon.h"
#include "OrnLabel.h"
#include "OrnRadioButton.h"
#include "OrnRadioGroup.h"
#include "OrnStringGrid.h"
#include "OrnTabs.h"
#include "QtDialogService.h"

namespace {

const char* const kUsage =
    "usage: orn_gallery [--page data] [--data FOLDER] [--drop WHAT] [--save FILE.png]\n"
    "Shows every in-house control in its states, and the data-aware controls over\n"
    "the bundled example tables.\n"
    "  --page data     open the page of the data-aware controls\n"
    "  --data FOLDER   the example tables to show (default: the bundled ones)\n"
    "  --drop WHAT     open something over the page: combo (the combo box's list),\n"
    "                  editor (its list editor), lookup (the lookup list's search),\n"
    "                  range (the message for a value out of range), listbox (the\n"
    "                  list box's editing window)\n"
    "  --save FILE.png write a picture of the window and end\n"
    "  --help          this text\n";

// A page that scrolls inside the window, so that the window fits a small
// screen.
QScrollArea* Scrolling(QWidget* page) {
  auto* area = new QScrollArea;
  area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
  area->setWidget(page);
  area->setWidgetResizable(true);
  area->setFrameShape(QFrame::NoFrame);
  return area;
}

QPixmap Tile() {
  QPixmap tile(24, 24);
  tile.fill(QColor(214, 222, 236));
  QPainter p(&tile);
  p.setPen(QColor(190, 200, 222));
  p.drawLine(0, 23, 23, 0);
  p.drawPoint(5, 5);
  return tile;
}

QPixmap Logo() {
  QPixmap logo(40, 20);
  logo.fill(QColor(30, 70, 150));
  QPainter p(&logo);
  p.setPen(Qt::white);
  p.drawText(logo.rect(), Qt::AlignCenter, QStringLiteral("ORN"));
  return logo;
}

// A panel painted with a tiled picture and a logo in its lower right corner.
class FonPanel : public QWidget {
 public:
  explicit FonPanel(QWidget* parent) : QWidget(parent) {
    tiles_ = new TOrnFon(this);
    tiles_->SetPicture(Tile());
    tiles_->SetPaintStyle(OrnTypes::psFromTopLeft);
    logo_ = new TOrnFon(this);
    logo_->SetPicture(Logo());
    logo_->SetFonStyle(OrnTypes::fsShowAtPos);
    logo_->SetPaintPosStyle(OrnTypes::psCornerBR);
    logo_->SetIntervalHoriz(6);
    logo_->SetIntervalVert(6);
    orn::InstallFonBackground(this, tiles_, logo_);
    setMinimumSize(160, 60);
  }

 private:
  TOrnFon* tiles_;
  TOrnFon* logo_;
};

QWidget* Section(QGridLayout* grid, int row, int column, const QString& title, int rowSpan = 1, int colSpan = 1) {
  auto* box = new TOrnGroupBox;
  box->SetCaption(title);
  grid->addWidget(box, row, column, rowSpan, colSpan);
  return box;
}

TOrnLabel* StyledLabel(const QString& text, TLabelStyle style, bool enabled = true) {
  auto* label = new TOrnLabel(text);
  QFont f = label->font();
  f.setPointSize(14);
  f.setBold(true);
  label->setFont(f);
  label->SetLabelStyle(style);
  label->setEnabled(enabled);
  label->setMinimumHeight(26);
  return label;
}

TOrnPageControl* Pages(QTabWidget::TabPosition position, const QString& what, bool flat = false) {
  auto* pages = new TOrnPageControl;
  pages->setTabPosition(position);
  pages->SetFlatButtons(flat);
  for (const char* name : {"Main", "Files", "Volumes"}) {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Tab%1").arg(QLatin1String(name)));
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new TOrnLabel(what + QStringLiteral(": ") + QLatin1String(name)));
    layout->addStretch();
    pages->addTab(page, QLatin1String(name));
  }
  pages->setCurrentIndex(1);
  pages->setMinimumSize(210, 190);
  return pages;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before any window exists (and without a display).
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      std::fputs(kUsage, stdout);
      return 0;
    }
  }
  QApplication app(argc, argv);
  orn::InstallOrnAccessibility();
  orn::SetDialogs(std::make_unique<QtDialogService>());
  QString saveTo, page, drop;
  QString exampleData = gallery::FindExampleData();
  for (int i = 1; i + 1 < argc; ++i) {
    const QString option = QString::fromLocal8Bit(argv[i]);
    const QString value = QString::fromLocal8Bit(argv[i + 1]);
    if (option == QLatin1String("--save")) saveTo = value;
    if (option == QLatin1String("--page")) page = value;
    if (option == QLatin1String("--data")) exampleData = value;
    if (option == QLatin1String("--drop")) drop = value;
  }

  QTabWidget window;
  window.setWindowTitle(QStringLiteral("In-house controls"));
  auto* painted = new QWidget;
  painted->setObjectName(QStringLiteral("PaintedPage"));
  auto* grid = new QGridLayout(painted);

  // Labels.
  auto* labels = new QVBoxLayout(Section(grid, 0, 0, QStringLiteral("TOrnLabel")));
  labels->addWidget(StyledLabel(QStringLiteral("ls_None"), OrnTypes::ls_None));
  labels->addWidget(StyledLabel(QStringLiteral("lsRaised"), OrnTypes::lsRaised));
  labels->addWidget(StyledLabel(QStringLiteral("lsLowered"), OrnTypes::lsLowered));
  auto* shadow = StyledLabel(QStringLiteral("lsShadow"), OrnTypes::lsShadow);
  labels->addWidget(shadow);
  auto* blueShadow = StyledLabel(QStringLiteral("lsShadow, 3, blue"), OrnTypes::lsShadow);
  blueShadow->SetShadowColor(QColor(90, 120, 220));
  blueShadow->SetShadowInterval(3);
  labels->addWidget(blueShadow);
  labels->addWidget(StyledLabel(QStringLiteral("Disabled raised"), OrnTypes::lsRaised, false));
  labels->addWidget(StyledLabel(QStringLiteral("Disabled shadow"), OrnTypes::lsShadow, false));
  labels->addStretch();

  // Buttons of every kind.
  auto* buttons = new QGridLayout(Section(grid, 0, 1, QStringLiteral("TOrnBitBtn / TOrnButton"), 1, 2));
  TOrnBitBtn* focused = nullptr;
  for (int kind = OrnTypes::bkCustom; kind <= OrnTypes::bkAll; ++kind) {
    auto* button = new TOrnBitBtn;
    if (kind == OrnTypes::bkCustom) button->SetCaption(QStringLiteral("&Custom"));
    button->SetKind(TBitBtnKind(kind));
    buttons->addWidget(button, kind / 4, kind % 4);
    if (kind == OrnTypes::bkYes) focused = button;
  }
  auto* disabled = new TOrnBitBtn;
  disabled->SetKind(OrnTypes::bkOK);
  disabled->setEnabled(false);
  disabled->SetCaption(QStringLiteral("Disabled OK"));
  buttons->addWidget(disabled, 3, 0);
  auto* disabledPlain = new TOrnButton;
  disabledPlain->SetCaption(QStringLiteral("Disabled"));
  disabledPlain->setEnabled(false);
  buttons->addWidget(disabledPlain, 3, 1);
  const struct {
    TLabelStyle style;
    const char* caption;
  } styled[] = {{OrnTypes::lsRaised, "Raised"}, {OrnTypes::lsLowered, "Lowered"}, {OrnTypes::lsShadow, "Shadow"}};
  int column = 2;
  for (const auto& s : styled) {
    auto* button = new TOrnButton;
    button->SetCaption(QLatin1String(s.caption));
    button->SetLabelStyle(s.style);
    buttons->addWidget(button, column < 4 ? 3 : 4, column < 4 ? column : 3);
    ++column;
  }
  const struct {
    TButtonLayout layout;
    const char* caption;
  } layouts[] = {{OrnTypes::blGlyphRight, "Glyph right"},
                 {OrnTypes::blGlyphTop, "Glyph top"},
                 {OrnTypes::blGlyphBottom, "Glyph bottom"}};
  column = 0;
  for (const auto& l : layouts) {
    auto* button = new TOrnBitBtn;
    button->SetKind(OrnTypes::bkRetry);
    button->SetCaption(QLatin1String(l.caption));
    button->SetLayout(l.layout);
    button->setMinimumHeight(l.layout == OrnTypes::blGlyphRight ? 25 : 46);
    buttons->addWidget(button, 4, column++);
  }

  // Check boxes and radio buttons.
  auto* choices = new QVBoxLayout(Section(grid, 1, 0, QStringLiteral("TOrnCheckBox / TOrnRadioButton")));
  const struct {
    const char* caption;
    TCheckBoxState state;
    bool enabled;
    bool focusMark;
  } checks[] = {{"Unchecked", OrnTypes::cbUnchecked, true, false},
                {"Checked", OrnTypes::cbChecked, true, false},
                {"Grayed", OrnTypes::cbGrayed, true, false},
                {"Checked, with focus", OrnTypes::cbChecked, true, true},
                {"Disabled, checked", OrnTypes::cbChecked, false, false}};
  for (const auto& c : checks) {
    auto* check = new TOrnCheckBox;
    check->SetCaption(QLatin1String(c.caption));
    check->SetState(c.state);
    check->setEnabled(c.enabled);
    check->setMinimumWidth(170);
    if (c.focusMark) check->CaptionLabel()->SetFocusMark(true, check->height());
    choices->addWidget(check);
  }
  auto* radioPanel = new QFrame;
  radioPanel->setFrameShape(QFrame::StyledPanel);
  auto* radios = new QVBoxLayout(radioPanel);
  const struct {
    const char* caption;
    bool checked;
    bool enabled;
    bool focusMark;
  } radioRows[] = {{"Radio, checked", true, true, false},
                   {"Radio, with focus", false, true, true},
                   {"Radio, disabled", false, false, false}};
  for (const auto& r : radioRows) {
    auto* radio = new TOrnRadioButton(radioPanel);
    radio->SetCaption(QLatin1String(r.caption));
    radio->setEnabled(r.enabled);
    radio->setMinimumWidth(170);
    radios->addWidget(radio);
    if (r.checked) radio->SetChecked(true);
    if (r.focusMark) radio->CaptionLabel()->SetFocusMark(true, radio->height());
  }
  auto* disabledChecked = new TOrnRadioButton(radioPanel);
  disabledChecked->SetCaption(QStringLiteral("Other panel, checked, disabled"));
  disabledChecked->setMinimumWidth(200);
  choices->addWidget(radioPanel);
  auto* otherPanel = new QFrame;
  auto* otherLayout = new QVBoxLayout(otherPanel);
  otherLayout->setContentsMargins(0, 0, 0, 0);
  disabledChecked->setParent(otherPanel);
  disabledChecked->SetChecked(true);
  disabledChecked->setEnabled(false);
  otherLayout->addWidget(disabledChecked);
  choices->addWidget(otherPanel);
  choices->addStretch();

  // Radio groups.
  auto* groups = new QHBoxLayout(Section(grid, 1, 1, QStringLiteral("TOrnRadioGroup")));
  auto* group = new TOrnRadioGroup;
  group->SetCaption(QStringLiteral("Rotation, 2 columns"));
  group->SetItems({QStringLiteral("Weekday"), QStringLiteral("Month day"), QStringLiteral("Year day"),
                   QStringLiteral("Single"), QStringLiteral("None")});
  group->SetColumns(2);
  group->SetItemIndex(3);
  group->setMinimumSize(230, 110);
  groups->addWidget(group);
  auto* oneColumn = new TOrnRadioGroup;
  oneColumn->SetCaption(QStringLiteral("Disabled"));
  oneColumn->SetItems({QStringLiteral("Weekly"), QStringLiteral("Monthly"), QStringLiteral("Yearly")});
  oneColumn->SetItemIndex(1);
  oneColumn->setEnabled(false);
  oneColumn->setMinimumSize(120, 110);
  groups->addWidget(oneColumn);

  // Tab control, edits and the picture background.
  auto* misc = new QVBoxLayout(Section(grid, 1, 2, QStringLiteral("Tabs, edits, TOrnFon")));
  auto* tabs = new TOrnTabControl;
  tabs->SetTabs({QStringLiteral("First"), QStringLiteral("Second")});
  tabs->setMinimumSize(200, 60);
  auto* tabLayout = new QVBoxLayout(tabs);
  tabLayout->addWidget(new TOrnEdit);
  misc->addWidget(tabs);
  auto* mask = new TOrnMaskEdit;
  mask->setInputMask(QStringLiteral("99.99.9999"));
  mask->setText(QStringLiteral("08122026"));
  misc->addWidget(mask);
  auto* memo = new TOrnMemo;
  memo->SetLines({QStringLiteral("TOrnMemo line one"), QStringLiteral("line two")});
  memo->setMaximumHeight(50);
  misc->addWidget(memo);
  misc->addWidget(new FonPanel(nullptr));

  // Page controls, tabs on every side.
  auto* pageRow = new QHBoxLayout(Section(grid, 2, 0, QStringLiteral("TOrnPageControl / TOrnTabbedNotebook"), 1, 3));
  pageRow->addWidget(Pages(QTabWidget::North, QStringLiteral("Top")));
  pageRow->addWidget(Pages(QTabWidget::South, QStringLiteral("Bottom")));
  pageRow->addWidget(Pages(QTabWidget::West, QStringLiteral("Left")));
  pageRow->addWidget(Pages(QTabWidget::East, QStringLiteral("Right")));
  auto* notebook = new TOrnTabbedNotebook;
  notebook->addTab(new TOrnLabel(QStringLiteral("Notebook page")), QStringLiteral("One"));
  notebook->addTab(new QWidget, QStringLiteral("Two"));
  pageRow->addWidget(notebook);

  // String grid.
  auto* gridBox = new QVBoxLayout(Section(grid, 3, 0, QStringLiteral("TOrnStringGrid"), 1, 3));
  auto* sgrid = new TOrnStringGrid;
  sgrid->setAccessibleName(QStringLiteral("Debit and credit"));
  sgrid->setColumnCount(6);
  sgrid->setRowCount(5);
  sgrid->SetResultRowCount(1);
  sgrid->SetResultColCount(1);
  QFont fixedFont = sgrid->font();
  fixedFont.setBold(true);
  sgrid->SetFixedFont(fixedFont);
  QFont resultFont = sgrid->font();
  resultFont.setItalic(true);
  sgrid->SetResultFont(resultFont);
  sgrid->SetResultFontColor(QColor(0, 0, 140));
  sgrid->SetAltFontColor(Qt::red);
  sgrid->SetAltFontCondition(OrnTypes::acNegative);
  sgrid->SetOwnerDrawColumns(QStringLiteral("4"));
  sgrid->verticalHeader()->setDefaultSectionSize(32);
  const QStringList heads = {"", "Debit", "Credit", "Note", "Owner drawn", "Total"};
  for (int c = 0; c < heads.size(); ++c) sgrid->SetCells(c, 0, heads[c]);
  const char* rows[][6] = {{"1", "120.50", "-30", "two|lines", "", "90.50"},
                           {"2", "0.00", "15", "plain", "", "15"},
                           {"3", "-7", "abc", "a|b", "", "-7"},
                           {"Sum", "113.5", "-15", "", "", "98.5"}};
  for (int r = 0; r < 4; ++r)
    for (int c = 0; c < 6; ++c) sgrid->SetCells(c, r + 1, QLatin1String(rows[r][c]));
  QObject::connect(sgrid, &TOrnStringGrid::DrawCell,
                   [sgrid](QPainter* painter, int col, int row, const QRect& rect, bool) {
                     if (col != 4 || sgrid->IsFixedCell(col, row)) return;
                     painter->fillRect(rect.adjusted(4, 6, -4 - 20 * (row % 3), -6), QColor(90, 170, 90));
                   });
  sgrid->setCurrentCell(2, 2);
  sgrid->setMinimumHeight(170);
  gridBox->addWidget(sgrid);

  QScrollArea* paintedArea = Scrolling(painted);
  window.addTab(paintedArea, QStringLiteral("Painted controls"));
  QWidget* dataPage = gallery::MakeDataPage(exampleData);
  QScrollArea* dataArea = Scrolling(dataPage);
  window.addTab(dataArea, QStringLiteral("Data-aware controls"));
  if (page == QLatin1String("data")) window.setCurrentWidget(dataArea);

  // As large as the pages want, but never larger than the screen (a
  // 1280x800 laptop included): the pages scroll inside.
  orn::SetAccessibleRole(&window, QAccessible::Window);
  // Wide enough for the pages and a scroll bar beside them.
  const int pagesWidth = std::max(painted->sizeHint().width(), dataPage->sizeHint().width()) + 48;
  QSize size = window.sizeHint().expandedTo(QSize(std::max(1040, pagesWidth), 1010));
  if (QScreen* screen = QGuiApplication::primaryScreen())
    size = size.boundedTo(screen->availableGeometry().size() - QSize(16, 48));
  window.resize(size);
  window.show();
  if (focused && window.currentWidget() == paintedArea) focused->setFocus();
  QTimer::singleShot(300, &window, [&] {
    if (drop == QLatin1String("combo")) gallery::DropComboList(dataPage);
    if (drop == QLatin1String("editor")) gallery::OpenComboEditor(dataPage);
    if (drop == QLatin1String("range")) gallery::LeaveSumOutOfRange(dataPage);
    if (drop == QLatin1String("listbox")) gallery::OpenListBoxEditor(dataPage);
    if (drop == QLatin1String("lookup")) gallery::ShowLookupSearch(dataPage, QStringLiteral("P003"));
  });

  if (!saveTo.isEmpty()) {
    QTimer::singleShot(900, &window, [&] {
      // The screen, so that a dropped-down list (a window of its own) shows.
      const QRect area = window.frameGeometry();
      QScreen* screen = window.screen();
      // Without anything dropped, the whole page, scrolled or not.
      auto* shown = static_cast<QScrollArea*>(window.currentWidget());
      QPixmap picture = drop.isEmpty() || !screen
                            ? shown->widget()->grab()
                            : screen->grabWindow(0, area.x(), area.y(), area.width(), area.height());
      picture.save(saveTo);
      app.quit();
    });
  }
  return app.exec();
}
