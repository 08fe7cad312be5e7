// TOrnBitBtn and TOrnButton: push buttons with a glyph beside the caption,
// stock kinds (OK, Cancel, Yes, ...) that bring their own glyph, caption,
// modal result and default/cancel roles, and a caption drawn in the label
// styles of TOrnLabel. A disabled button embosses its caption.
//
// A kind's caption does not replace a caption that the window set while it
// was being built (before the button was first shown, or before Loaded()):
// the window's own, usually translated, caption wins over the stock word.
#pragma once

#include <QPixmap>
#include <QPushButton>
#include <functional>

#include "OrnTypes.h"

class QShortcut;

class TOrnBitBtn : public QPushButton {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(OrnTypes::TBitBtnKind Kind READ Kind WRITE SetKind)
  Q_PROPERTY(int ModalResult READ ModalResult WRITE SetModalResult)
  Q_PROPERTY(bool Default READ Default WRITE SetDefault)
  Q_PROPERTY(bool Cancel READ Cancel WRITE SetCancel)
  Q_PROPERTY(QPixmap Glyph READ Glyph WRITE SetGlyph)
  Q_PROPERTY(int NumGlyphs READ NumGlyphs WRITE SetNumGlyphs)
  Q_PROPERTY(OrnTypes::TButtonLayout Layout READ Layout WRITE SetLayout)
  Q_PROPERTY(int Margin READ Margin WRITE SetMargin)
  Q_PROPERTY(int Spacing READ Spacing WRITE SetSpacing)
  Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE SetShadowColor RESET ResetShadowColor)
  Q_PROPERTY(int ShadowInterval READ ShadowInterval WRITE SetShadowInterval)
  Q_PROPERTY(OrnTypes::TLabelStyle LabelStyle READ LabelStyle WRITE SetLabelStyle)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)

 public:
  explicit TOrnBitBtn(QWidget* parent = nullptr);

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption);
  // bkCustom once the roles or the glyph no longer match the kind's row.
  TBitBtnKind Kind() const;
  void SetKind(TBitBtnKind kind);
  int ModalResult() const { return modalResult_; }
  void SetModalResult(int result) { modalResult_ = result; }
  bool Default() const { return isDefault(); }
  void SetDefault(bool on) { setDefault(on); }
  bool Cancel() const { return cancel_; }
  void SetCancel(bool on);
  QPixmap Glyph() const { return glyph_; }
  void SetGlyph(const QPixmap& glyph);
  int NumGlyphs() const { return numGlyphs_; }
  void SetNumGlyphs(int count);
  TButtonLayout Layout() const { return layout_; }
  void SetLayout(TButtonLayout layout);
  int Margin() const { return margin_; }
  void SetMargin(int margin);
  int Spacing() const { return spacing_; }
  void SetSpacing(int spacing);
  QColor ShadowColor() const;
  void SetShadowColor(const QColor& color);
  void ResetShadowColor() { SetShadowColor(QColor()); }
  int ShadowInterval() const { return shadowInterval_; }
  void SetShadowInterval(int pixels);
  TLabelStyle LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(TLabelStyle style);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }

  // Ends the building phase early: from now on a kind sets its caption.
  void Loaded() { loading_ = false; }

  // The stock two-image glyph of a kind (empty for bkCustom), loaded from the
  // program's resources on first use and kept for the process.
  static QPixmap KindGlyph(TBitBtnKind kind);
  // The stock caption of a kind: "OK", "Cancel", ...
  static QString KindCaption(TBitBtnKind kind);

  // Opens a help topic; a bkHelp button calls it with the help context of
  // the nearest of itself and its parents whose dynamic property
  // "HelpContext" is non-zero. The help window installs it.
  static void SetHelpHandler(std::function<void(int)> handler);

  // Where the glyph and the caption go inside `contents` (public for the
  // layout tests).
  void LayoutContents(const QRect& contents, QRect* glyphRect, QRect* textRect) const;

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void OnClicked();
  QPixmap CurrentGlyphImage() const;
  QSize GlyphSize() const;
  QString PlainCaption() const;
  void Invalidate();

  TBitBtnKind kind_ = OrnTypes::bkCustom;
  int modalResult_ = 0;
  bool cancel_ = false;
  QPixmap glyph_;
  bool glyphFromKind_ = false;
  int numGlyphs_ = 1;
  TButtonLayout layout_ = OrnTypes::blGlyphLeft;
  int margin_ = -1;
  int spacing_ = 4;
  QColor shadowColor_;
  int shadowInterval_ = 2;
  TLabelStyle labelStyle_ = OrnTypes::ls_None;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
  bool loading_ = true;
  QString kindCaption_;
  QShortcut* cancelShortcut_ = nullptr;
  mutable QSize sizeHint_;
  mutable QString sizeHintText_;
};

// The plain push button of the forms; the same control under its own name.
class TOrnButton : public TOrnBitBtn {
  Q_OBJECT
 public:
  explicit TOrnButton(QWidget* parent = nullptr) : TOrnBitBtn(parent) {}
};
