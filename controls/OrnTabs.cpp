#include "OrnTabs.h"

#include <QEvent>
#include <QPainter>
#include <QSignalBlocker>
#include <QStyleOptionFocusRect>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QStylePainter>

// --- TOrnTabControl -------------------------------------------------------

TOrnTabControl::TOrnTabControl(QWidget* parent) : QWidget(parent) {
  tabBar_ = new QTabBar(this);
  tabBar_->setObjectName(QStringLiteral("TabBar"));
  tabBar_->setDrawBase(false);
  connect(tabBar_, &QTabBar::currentChanged, this, &TOrnTabControl::Change);
  PlaceTabs();
}

QStringList TOrnTabControl::Tabs() const {
  QStringList tabs;
  for (int i = 0; i < tabBar_->count(); ++i) tabs << tabBar_->tabText(i);
  return tabs;
}

void TOrnTabControl::SetTabs(const QStringList& tabs) {
  // Rename in place where possible so the current tab survives translation;
  // the window hears of a changed tab once, after the whole change.
  const int before = tabBar_->currentIndex();
  const QSignalBlocker quiet(tabBar_);
  while (tabBar_->count() > tabs.size()) tabBar_->removeTab(tabBar_->count() - 1);
  for (int i = 0; i < tabs.size(); ++i) {
    if (i < tabBar_->count())
      tabBar_->setTabText(i, tabs[i]);
    else
      tabBar_->addTab(tabs[i]);
  }
  PlaceTabs();
  if (tabBar_->currentIndex() != before) emit Change(tabBar_->currentIndex());
}

int TOrnTabControl::TabIndex() const { return tabBar_->currentIndex(); }

void TOrnTabControl::SetTabIndex(int index) { tabBar_->setCurrentIndex(index); }

QRect TOrnTabControl::DisplayRect() const { return rect().adjusted(2, tabBar_->sizeHint().height() + 2, -2, -2); }

QSize TOrnTabControl::sizeHint() const {
  const QSize bar = tabBar_->sizeHint();
  return QSize(qMax(bar.width() + 8, 200), bar.height() + 100);
}

void TOrnTabControl::PlaceTabs() {
  const QSize bar = tabBar_->sizeHint();
  tabBar_->setGeometry(2, 0, qMin(bar.width(), width() - 4), bar.height());
  const QRect display = DisplayRect();
  setContentsMargins(display.left() + 2, display.top() + 2, width() - display.right() + 1,
                     height() - display.bottom() + 1);
}

void TOrnTabControl::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionTabWidgetFrame option;
  option.initFrom(this);
  option.rect = rect().adjusted(0, tabBar_->sizeHint().height() - 1, 0, 0);
  option.shape = QTabBar::RoundedNorth;
  option.tabBarSize = tabBar_->sizeHint();
  option.tabBarRect = tabBar_->geometry();
  painter.drawPrimitive(QStyle::PE_FrameTabWidget, option);
}

void TOrnTabControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  PlaceTabs();
}

void TOrnTabControl::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) PlaceTabs();
}

// --- TOrnPageTabBar -------------------------------------------------------

void TOrnPageTabBar::SetFlatButtons(bool flat) {
  flatButtons_ = flat;
  update();
}

bool TOrnPageTabBar::IsLeftSide() const { return shape() == RoundedWest || shape() == TriangularWest; }

static bool IsRightSide(QTabBar::Shape shape) {
  return shape == QTabBar::RoundedEast || shape == QTabBar::TriangularEast;
}

QSize TOrnPageTabBar::tabSizeHint(int index) const {
  // Tabs on the right keep their text horizontal, so they are as wide as
  // the text rather than the turned size the style would give them.
  if (IsRightSide(shape())) {
    const QFontMetrics fm = fontMetrics();
    return QSize(fm.horizontalAdvance(tabText(index)) + 14, fm.height() + 8);
  }
  return QTabBar::tabSizeHint(index);
}

QPoint TOrnPageTabBar::TextOrigin(int index) const {
  const QRect r = tabRect(index);
  const bool active = index == currentIndex();
  if (IsLeftSide()) return active ? QPoint(r.left() + 5, r.bottom() + 1 - 5) : QPoint(r.left() + 3, r.bottom() + 1 - 3);
  if (active) return QPoint(r.left() + (flatButtons_ ? 4 : 6), r.top() + 3);
  return QPoint(r.left() + 3, r.top() + 3);
}

void TOrnPageTabBar::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  const QColor activeColor(Qt::blue);
  for (int i = 0; i < count(); ++i) {
    if (!isTabVisible(i)) continue;
    QStyleOptionTab option;
    initStyleOption(&option, i);
    const QString text = option.text;
    option.text.clear();
    painter.drawControl(QStyle::CE_TabBarTabShape, option);

    const bool active = i == currentIndex();
    QColor color = active ? activeColor : palette().color(QPalette::WindowText);
    if (!isTabEnabled(i) || !isEnabled()) color = palette().color(QPalette::Disabled, QPalette::WindowText);
    painter.setPen(color);
    const QPoint origin = TextOrigin(i);
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine | Qt::TextShowMnemonic;
    if (IsLeftSide()) {
      // Turned a quarter counter-clockwise: reads from the bottom up, the
      // top of the letters towards the left edge of the tab.
      painter.save();
      painter.translate(origin);
      painter.rotate(-90);
      painter.drawText(QRect(0, 0, tabRect(i).height(), tabRect(i).width()), flags, text);
      painter.restore();
    } else {
      painter.drawText(QRect(origin, tabRect(i).bottomRight()), flags, text);
    }
    if (active && hasFocus()) {
      QStyleOptionFocusRect focus;
      focus.initFrom(this);
      focus.rect = tabRect(i).adjusted(3, 3, -3, -3);
      painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
    }
  }
}

// --- TOrnPageControl ------------------------------------------------------

TOrnPageControl::TOrnPageControl(QWidget* parent) : QTabWidget(parent) {
  bar_ = new TOrnPageTabBar(this);
  bar_->setObjectName(QStringLiteral("PageTabBar"));
  setTabBar(bar_);
}

void TOrnPageControl::SetFlatButtons(bool flat) {
  bar_->SetFlatButtons(flat);
  setDocumentMode(flat);
}

QList<QWidget*> TOrnPageControl::Pages() const {
  QList<QWidget*> pages;
  for (int i = 0; i < count(); ++i) pages << widget(i);
  return pages;
}
