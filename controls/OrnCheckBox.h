// TOrnCheckBox: a borderless panel holding a small native check box for the
// mark and the keyboard focus, and a TOrnLabel for the caption, so that the
// caption is translated and drawn in its own character set. The panel sizes
// itself to about 1.3 text heights of the caption font.
#pragma once

#include <QFrame>

#include "OrnTypes.h"

class QCheckBox;
class TOrnLabel;

namespace orn {

// Height of the check box and radio button panels for a caption font whose
// em is `fontPixels` high: round(0.3 * px) + px + 2.
int ChoicePanelHeight(int fontPixels);
// The em height in pixels of `font` (the design's negative font height).
int FontPixelHeight(const QFont& font);

}  // namespace orn

class TOrnCheckBox : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
  Q_PROPERTY(OrnTypes::TCheckBoxState State READ State WRITE SetState)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)

 public:
  explicit TOrnCheckBox(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool Checked() const;
  void SetChecked(bool checked);
  // cbGrayed shows the native box's partial state.
  TCheckBoxState State() const;
  void SetState(TCheckBoxState state);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }

  // The mark, the caption and the focus mark's margin; the height is the
  // panel's own.
  QSize sizeHint() const override;

  QCheckBox* Box() const { return box_; }
  TOrnLabel* CaptionLabel() const { return label_; }

 signals:
  // The user changed the mark (on the box or by clicking the caption).
  void Clicked();
  void Toggled(bool checked);
  // The panel was laid out anew after a size or font change.
  void Resized();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Relayout();

  QCheckBox* box_;
  TOrnLabel* label_;
  QString caption_;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
  bool inLayout_ = false;
};
