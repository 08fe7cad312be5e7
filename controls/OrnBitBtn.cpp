#include "OrnBitBtn.h"

#include <QDialog>
#include <QEvent>
#include <QHash>
#include <QPainter>
#include <QShortcut>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionFocusRect>
#include <QStylePainter>

#include "OrnLabel.h"

namespace {

struct KindRow {
  const char* resource;
  const char* caption;
  int modalResult;
  bool isDefault;
  bool cancel;
};

const KindRow& RowOf(TBitBtnKind kind) {
  static const KindRow rows[] = {
      {nullptr, "", 0, false, false},     // bkCustom
      {"ORNBBOK", "OK", 1, true, false},  // bkOK
      {"ORNBBCANCEL", "Cancel", 2, false, true},
      {"ORNBBHELP", "Help", 0, false, false},
      {"ORNBBYES", "Yes", 6, true, false},
      {"ORNBBNO", "No", 7, false, true},
      {"ORNBBCLOSE", "Close", 0, false, false},
      {"ORNBBABORT", "Abort", 3, false, false},
      {"ORNBBRETRY", "Retry", 4, false, false},
      {"ORNBBIGNORE", "Ignore", 5, false, false},
      {"ORNBBALL", "All", 8, false, false},
  };
  const int i = int(kind);
  return rows[(i >= 0 && i <= int(OrnTypes::bkAll)) ? i : 0];
}

std::function<void(int)>& HelpHandler() {
  static std::function<void(int)> handler;
  return handler;
}

}  // namespace

// The glyphs live in a static library, whose resource initialiser the linker
// would drop unless something calls it.
static void InitGlyphResources() { Q_INIT_RESOURCE(OrnGlyphs); }

TOrnBitBtn::TOrnBitBtn(QWidget* parent) : QPushButton(parent) {
  // Connected first, so that help, close and the modal result happen before
  // the window's own handlers see the click.
  connect(this, &QAbstractButton::clicked, this, &TOrnBitBtn::OnClicked);
}

QPixmap TOrnBitBtn::KindGlyph(TBitBtnKind kind) {
  static QHash<int, QPixmap> cache;
  static const bool initialised = (InitGlyphResources(), true);
  Q_UNUSED(initialised);
  const KindRow& row = RowOf(kind);
  if (!row.resource) return {};
  auto it = cache.find(int(kind));
  if (it == cache.end()) it = cache.insert(int(kind), QPixmap(QStringLiteral(":/orn/glyphs/%1.png").arg(row.resource)));
  return *it;
}

QString TOrnBitBtn::KindCaption(TBitBtnKind kind) { return QString::fromLatin1(RowOf(kind).caption); }

void TOrnBitBtn::SetHelpHandler(std::function<void(int)> handler) { HelpHandler() = std::move(handler); }

void TOrnBitBtn::SetCaption(const QString& caption) {
  setText(caption);
  Invalidate();
}

TBitBtnKind TOrnBitBtn::Kind() const {
  if (kind_ == OrnTypes::bkCustom) return kind_;
  const KindRow& row = RowOf(kind_);
  if (!glyphFromKind_ || isDefault() != row.isDefault || cancel_ != row.cancel || modalResult_ != row.modalResult)
    return OrnTypes::bkCustom;
  return kind_;
}

void TOrnBitBtn::SetKind(TBitBtnKind kind) {
  kind_ = kind;
  if (kind == OrnTypes::bkCustom) return;
  const KindRow& row = RowOf(kind);
  setDefault(row.isDefault);
  SetCancel(row.cancel);
  modalResult_ = row.modalResult;
  glyph_ = KindGlyph(kind);
  glyphFromKind_ = true;
  numGlyphs_ = 2;
  // A caption that the window gave the button (by Caption or setText) while
  // building it is its own; one that an earlier kind brought is not.
  const bool ownCaption = loading_ && !text().isEmpty() && text() != kindCaption_;
  if (!ownCaption) {
    kindCaption_ = KindCaption(kind);
    setText(kindCaption_);
  }
  Invalidate();
}

void TOrnBitBtn::SetCancel(bool on) {
  cancel_ = on;
  if (on && !cancelShortcut_) {
    cancelShortcut_ = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    cancelShortcut_->setContext(Qt::WindowShortcut);
    auto press = [this] {
      if (isEnabled() && isVisible()) click();
    };
    connect(cancelShortcut_, &QShortcut::activated, this, press);
    // Two cancel buttons in one window: the first that Qt offers wins.
    connect(cancelShortcut_, &QShortcut::activatedAmbiguously, this, press);
  }
  if (cancelShortcut_) cancelShortcut_->setEnabled(on);
}

void TOrnBitBtn::SetGlyph(const QPixmap& glyph) {
  glyph_ = glyph;
  glyphFromKind_ = false;
  Invalidate();
}

void TOrnBitBtn::SetNumGlyphs(int count) {
  numGlyphs_ = qBound(1, count, 4);
  Invalidate();
}

void TOrnBitBtn::SetLayout(TButtonLayout layout) {
  layout_ = layout;
  Invalidate();
}

void TOrnBitBtn::SetMargin(int margin) {
  margin_ = margin;
  Invalidate();
}

void TOrnBitBtn::SetSpacing(int spacing) {
  spacing_ = spacing;
  Invalidate();
}

QColor TOrnBitBtn::ShadowColor() const {
  return shadowColor_.isValid() ? shadowColor_ : orn::SystemColor(palette(), orn::SysColor::BtnShadow);
}

void TOrnBitBtn::SetShadowColor(const QColor& color) {
  shadowColor_ = color;
  update();
}

void TOrnBitBtn::SetShadowInterval(int pixels) {
  shadowInterval_ = pixels;
  update();
}

void TOrnBitBtn::SetLabelStyle(TLabelStyle style) {
  labelStyle_ = style;
  update();
}

void TOrnBitBtn::OnClicked() {
  if (kind_ == OrnTypes::bkHelp) {
    for (QWidget* w = this; w; w = w->parentWidget()) {
      const int context = w->property("HelpContext").toInt();
      if (context != 0) {
        if (HelpHandler()) HelpHandler()(context);
        break;
      }
    }
    return;
  }
  if (kind_ == OrnTypes::bkClose) {
    window()->close();
    return;
  }
  // The modal result ends a modal window only; a window shown alongside
  // others (the main window) stays open, as it always did.
  if (modalResult_ != 0) {
    auto* dialog = qobject_cast<QDialog*>(window());
    if (dialog && dialog->isModal()) dialog->done(modalResult_);
  }
}

QSize TOrnBitBtn::GlyphSize() const {
  if (glyph_.isNull()) return {};
  const qreal dpr = glyph_.devicePixelRatio();
  return QSize(qRound(glyph_.width() / dpr) / numGlyphs_, qRound(glyph_.height() / dpr));
}

QPixmap TOrnBitBtn::CurrentGlyphImage() const {
  if (glyph_.isNull()) return {};
  const int w = glyph_.width() / numGlyphs_;
  const int h = glyph_.height();
  if (!isEnabled()) {
    if (numGlyphs_ >= 2) return glyph_.copy(w, 0, w, h);
    QStyleOption option;
    option.initFrom(this);
    return style()->generatedIconPixmap(QIcon::Disabled, glyph_.copy(0, 0, w, h), &option);
  }
  if (isDown() && numGlyphs_ >= 3) return glyph_.copy(2 * w, 0, w, h);
  return glyph_.copy(0, 0, w, h);
}

QString TOrnBitBtn::PlainCaption() const {
  // The mnemonic marker takes no room; "&&" stands for one "&".
  QString s = text();
  s.replace(QLatin1String("&&"), QChar(0x1));
  s.remove(QLatin1Char('&'));
  s.replace(QChar(0x1), QLatin1Char('&'));
  return s;
}

void TOrnBitBtn::LayoutContents(const QRect& contents, QRect* glyphRect, QRect* textRect) const {
  const QSize glyph = GlyphSize();
  const QString caption = PlainCaption();
  const QSize textSize = caption.isEmpty() ? QSize() : fontMetrics().size(Qt::TextSingleLine, caption);
  const bool horizontal = layout_ == OrnTypes::blGlyphLeft || layout_ == OrnTypes::blGlyphRight;
  const int client = horizontal ? contents.width() : contents.height();
  const int glyphLen = horizontal ? glyph.width() : glyph.height();
  const int textLen = horizontal ? textSize.width() : textSize.height();

  int margin = margin_;
  int spacing = (glyph.isEmpty() || caption.isEmpty()) ? 0 : spacing_;
  if (margin == -1) {
    if (spacing_ == -1) {
      margin = (client - glyphLen - textLen) / 3;
      spacing = (glyph.isEmpty() || caption.isEmpty()) ? 0 : margin;
    } else {
      margin = (client - glyphLen - spacing - textLen) / 2;
    }
  } else if (spacing_ == -1 && !glyph.isEmpty() && !caption.isEmpty()) {
    spacing = (client - margin - glyphLen - textLen) / 2;
  }

  int glyphPos = margin;
  int textPos = margin + glyphLen + spacing;
  if (layout_ == OrnTypes::blGlyphRight || layout_ == OrnTypes::blGlyphBottom) {
    glyphPos = client - margin - glyphLen;
    textPos = glyphPos - spacing - textLen;
  }
  if (horizontal) {
    *glyphRect = QRect(contents.left() + glyphPos, contents.top() + (contents.height() - glyph.height()) / 2,
                       glyph.width(), glyph.height());
    *textRect = QRect(contents.left() + textPos, contents.top(), textLen, contents.height());
  } else {
    *glyphRect = QRect(contents.left() + (contents.width() - glyph.width()) / 2, contents.top() + glyphPos,
                       glyph.width(), glyph.height());
    *textRect = QRect(contents.left(), contents.top() + textPos, contents.width(), textLen);
  }
}

void TOrnBitBtn::paintEvent(QPaintEvent*) {
  QStylePainter painter(this);
  QStyleOptionButton option;
  initStyleOption(&option);
  option.text.clear();
  option.icon = QIcon();
  // Bevel, default frame and focus come from the style; glyph and caption
  // are ours.
  painter.drawControl(QStyle::CE_PushButton, option);

  QRect contents = style()->subElementRect(QStyle::SE_PushButtonContents, &option, this);
  if (option.state & (QStyle::State_Sunken | QStyle::State_On))
    contents.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                       style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
  QRect glyphRect, textRect;
  LayoutContents(contents, &glyphRect, &textRect);
  const QPixmap image = CurrentGlyphImage();
  if (!image.isNull()) painter.drawPixmap(glyphRect, image);
  // A dotted frame inside the bevel whenever the button has the focus, so
  // that a keyboard user sees where Space and Enter go in every style.
  if (hasFocus()) {
    QStyleOptionFocusRect focus;
    focus.initFrom(this);
    focus.rect = contents.adjusted(1, 1, -1, -1);
    focus.state |= QStyle::State_KeyboardFocusChange;
    focus.backgroundColor = palette().color(QPalette::Button);
    painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
  }
  if (text().isEmpty()) return;

  const int flags = Qt::AlignCenter | Qt::TextSingleLine | Qt::TextShowMnemonic;
  if (!isEnabled()) {
    const QPalette& pal = palette();
    painter.setPen(orn::SystemColor(pal, orn::SysColor::BtnHighlight));
    painter.drawText(textRect.translated(1, 1), flags, text());
    painter.setPen(orn::SystemColor(pal, orn::SysColor::BtnShadow));
    painter.drawText(textRect, flags, text());
    return;
  }
  orn::DrawStyledText(painter, textRect, flags, text(), labelStyle_, ShadowColor(), shadowInterval_,
                      palette().color(QPalette::ButtonText), palette());
}

QSize TOrnBitBtn::sizeHint() const {
  // setText() bypasses Caption, so the text is part of the cache key.
  if (sizeHint_.isValid() && sizeHintText_ == text()) return sizeHint_;
  sizeHintText_ = text();
  const QSize glyph = GlyphSize();
  const QString caption = PlainCaption();
  const QSize textSize = caption.isEmpty() ? QSize() : fontMetrics().size(Qt::TextSingleLine, caption);
  const int gap = (glyph.isEmpty() || caption.isEmpty()) ? 0 : qMax(spacing_, 4);
  QSize contents;
  if (layout_ == OrnTypes::blGlyphLeft || layout_ == OrnTypes::blGlyphRight)
    contents = QSize(glyph.width() + gap + textSize.width(), qMax(glyph.height(), textSize.height()));
  else
    contents = QSize(qMax(glyph.width(), textSize.width()), glyph.height() + gap + textSize.height());
  if (margin_ > 0) contents += QSize(2 * margin_, 0);
  QStyleOptionButton option;
  initStyleOption(&option);
  sizeHint_ = style()->sizeFromContents(QStyle::CT_PushButton, &option, contents + QSize(8, 0), this);
  sizeHint_ = sizeHint_.expandedTo(QSize(75, 25));
  return sizeHint_;
}

void TOrnBitBtn::showEvent(QShowEvent* event) {
  loading_ = false;
  QPushButton::showEvent(event);
}

void TOrnBitBtn::changeEvent(QEvent* event) {
  if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) Invalidate();
  QPushButton::changeEvent(event);
}

void TOrnBitBtn::Invalidate() {
  sizeHint_ = QSize();
  updateGeometry();
  update();
}
