// TOrnLabel: a label that draws its caption raised, lowered or with a
// shadow. The drawing of styled text is shared with the bitmap button, and
// the label also serves as the caption part of the in-house check box and
// radio button, which is why it can show a focus mark around its text.
#pragma once

#include <QLabel>

#include "OrnTypes.h"

namespace orn {

// Draws `text` in `rect` with the relief or shadow of `style` first and the
// text itself in `textColor` on top. Relief uses the active palette's shadow
// and highlight colours also for a disabled control, as the label always did.
void DrawStyledText(QPainter& painter, const QRect& rect, int flags, const QString& text, TLabelStyle style,
                    const QColor& shadowColor, int shadowInterval, const QColor& textColor, const QPalette& palette);

}  // namespace orn

class TOrnLabel : public QLabel {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(QColor ShadowColor READ ShadowColor WRITE SetShadowColor RESET ResetShadowColor)
  Q_PROPERTY(int ShadowInterval READ ShadowInterval WRITE SetShadowInterval)
  Q_PROPERTY(OrnTypes::TLabelStyle LabelStyle READ LabelStyle WRITE SetLabelStyle)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)
  // On by default: the label shows its parent's colour, as ParentColor did.
  Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
  Q_PROPERTY(bool ShowAccelChar READ ShowAccelChar WRITE SetShowAccelChar)

 public:
  explicit TOrnLabel(QWidget* parent = nullptr);
  TOrnLabel(const QString& caption, QWidget* parent = nullptr);

  QString Caption() const { return text(); }
  void SetCaption(const QString& caption) { setText(caption); }
  // clBtnShadow of the current palette until a colour is set.
  QColor ShadowColor() const;
  void SetShadowColor(const QColor& color);
  void ResetShadowColor();
  int ShadowInterval() const { return shadowInterval_; }
  void SetShadowInterval(int pixels);
  TLabelStyle LabelStyle() const { return labelStyle_; }
  void SetLabelStyle(TLabelStyle style);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }
  bool Transparent() const { return !autoFillBackground(); }
  void SetTransparent(bool transparent);
  bool ShowAccelChar() const { return showAccelChar_; }
  void SetShowAccelChar(bool show);

  // The dotted rectangle that the check box and radio button show around
  // their caption while their focus holder has the focus: left 1, top 0,
  // text width + 4 wide, owner height - 3 high.
  void SetFocusMark(bool on, int ownerHeight);
  bool FocusMark() const { return focusMark_; }
  QRect FocusMarkRect() const;

  // The text's size plus the room its relief or shadow takes.
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  int TextFlags() const;

 private:
  QColor shadowColor_;
  int shadowInterval_ = 2;
  TLabelStyle labelStyle_ = OrnTypes::ls_None;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
  bool showAccelChar_ = true;
  bool focusMark_ = false;
  int focusOwnerHeight_ = 0;
  bool pressed_ = false;
};
