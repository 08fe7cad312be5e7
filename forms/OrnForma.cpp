#include "OrnForma.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTextEdit>

#include "ColumnFit.h"
#include "FileSystem.h"
#include "FittableGrid.h"
#include "GradCaption.h"
#include "LangSettings.h"
#include "OrnAccessible.h"
#include "ProgramFolders.h"
#include "TextUtil.h"

TOrnForm::TOrnForm(QWidget* parent) : QDialog(parent) {
  orn::InstallOrnAccessibility();
  resize(539, 400);
  QFont f("Arial");
  f.setPixelSize(11);
  setFont(f);
  gradCaption_ = new GradCaption(this);
  gradCaption_->SetStartColor(Qt::darkGreen);
  gradCaption_->SetGradientSteps(128);
  // Key preview: the window sees the keys of all its controls first.
  qApp->installEventFilter(this);
}

TOrnForm::~TOrnForm() {
  qApp->removeEventFilter(this);
  FormDestroy();
}

std::function<void(TOrnForm&)>& TOrnForm::CalculatorHook() {
  static std::function<void(TOrnForm&)> hook;
  return hook;
}

void TOrnForm::FormCreate() {
  enterToTab_ = true;
  if (orn::Trim(languageIni_.toStdString()).empty())
    languageIni_ = QString::fromStdString(orn::ProgramDataDir() + "RadEzaZuvev.ini");
  paramsFile_ = orn::SettingsFilePath("Params.ini", orn::CurrentDir());
  destroyed_ = false;

  // A window that already owns parts of the shared state keeps them when its
  // creation step runs again; otherwise nobody would write or free them.
  orn::FrameworkOwnership fresh = orn::AcquireFrameworkSettings(paramsFile_);
  ownership_.ownsExpressionCache |= fresh.ownsExpressionCache;
  ownership_.ownsParamList |= fresh.ownsParamList;
  ownership_.dirty |= fresh.dirty;

  if (!orn::Framework().dictionary) {
    orn::AcquireDictionary(ownership_, languageIni_.toStdString());
    if (orn::Framework().dictionary->Empty()) {
      ApplyFontSettings();
      ChangeCompFont();
    } else {
      if (orn::Framework().settingsFromLanguageFile)
        orn::ReadLanguageFileSettings(*orn::Framework().dictionary, orn::Framework().values);
      ReloadCharSets();
      ApplyFontSettings();
      ChangeLanguage();
      ChangeCompFont();
    }
  } else {
    ApplyFontSettings();
    ChangeLanguage();
    ChangeCompFont();
  }
  FormResize();
}

void TOrnForm::FormDestroy() {
  if (destroyed_) return;
  destroyed_ = true;
  orn::ReleaseFramework(ownership_, paramsFile_);
}

void TOrnForm::FormResize() {
  const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
  for (QWidget* child : findChildren<QWidget*>()) {
    auto* grid = dynamic_cast<orn::FittableGrid*>(child);
    if (!grid || grid->CutCols()) continue;
    auto align = grid->GridAlign();
    using A = orn::FittableGrid::Align;
    if (align != A::Top && align != A::Bottom && align != A::Client) continue;
    orn::GridMetrics metrics;
    metrics.gridWidth = grid->GridWidth();
    metrics.scrollBarWidth = scrollBar;
    metrics.borderWidth = 1;
    metrics.showsIndicator = grid->ShowsIndicator();
    grid->SetColumnWidths(orn::FitColumnWidths(grid->ColumnWidths(), metrics));
  }
}

void TOrnForm::resizeEvent(QResizeEvent* event) {
  QDialog::resizeEvent(event);
  FormResize();
}

void TOrnForm::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  FormResize();
}

bool TOrnForm::EnterStaysIn(QWidget* focus) const {
  if (!focus) return true;
  if (qobject_cast<QTextEdit*>(focus) || qobject_cast<QPlainTextEdit*>(focus)) return true;
  if (qobject_cast<QAbstractItemView*>(focus)) return true;
  // Enter on a focused push button presses it.
  if (qobject_cast<QPushButton*>(focus)) return true;
  if (auto* combo = qobject_cast<QComboBox*>(focus)) return combo->view() && combo->view()->isVisible();
  // A control inside a memo or a grid (its viewport, an open cell editor).
  for (QWidget* w = focus->parentWidget(); w && w != this; w = w->parentWidget())
    if (qobject_cast<QAbstractItemView*>(w) || qobject_cast<QTextEdit*>(w) || qobject_cast<QPlainTextEdit*>(w))
      return true;
  return false;
}

bool TOrnForm::HandleKey(QWidget* target, QKeyEvent* key) {
  const Qt::KeyboardModifiers mods = key->modifiers() & ~Qt::KeypadModifier;
  if (key->key() == Qt::Key_K && mods == Qt::ControlModifier) {
    if (calculatorKey_ && CalculatorHook()) CalculatorHook()(*this);
    return true;
  }
  const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
  if (enterToTab_ && enter && (mods == Qt::NoModifier || mods == Qt::ShiftModifier) && !EnterStaysIn(target)) {
    focusNextPrevChild(mods != Qt::ShiftModifier);
  }
  return false;  // the control still sees its key
}

bool TOrnForm::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
    auto* widget = static_cast<QWidget*>(watched);
    QWidget* focus = QApplication::focusWidget();
    if (widget->window() == this && (widget == focus || (!focus && widget == this)))
      return HandleKey(widget, static_cast<QKeyEvent*>(event));
  }
  return QDialog::eventFilter(watched, event);
}

void TOrnForm::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  // Enter moves the focus; it does not press a default button as well.
  if (enter && enterToTab_ && !qobject_cast<QPushButton*>(QApplication::focusWidget())) return event->accept();
  QDialog::keyPressEvent(event);
}

namespace orn {

void CentreOn(QWidget* window, const QWidget* over) {
  const QWidget* anchor = over ? over->window() : nullptr;
  QRect area;
  if (anchor && anchor->isVisible()) {
    area = anchor->frameGeometry();
  } else if (QScreen* screen = anchor && anchor->screen() ? anchor->screen() : QGuiApplication::primaryScreen()) {
    area = screen->availableGeometry();
  }
  if (area.isValid()) window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
}

}  // namespace orn
