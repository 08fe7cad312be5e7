// TOrnRadioButton: a borderless panel with a painted radio circle, a
// TOrnLabel caption and a native check box hidden outside the panel that
// only holds the keyboard focus. Checking a button unchecks the other
// TOrnRadioButtons of the same parent.
#pragma once

#include <QFrame>

#include "OrnTypes.h"

class QCheckBox;
class TOrnLabel;

// The 17 x 17 picture in which the radio button draws its circle.
class TOrnRadioMark : public QWidget {
  Q_OBJECT
 public:
  explicit TOrnRadioMark(QWidget* parent = nullptr);
  void SetChecked(bool checked);
  bool Checked() const { return checked_; }
  QSize sizeHint() const override { return {17, 17}; }

 signals:
  void Clicked();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;

 private:
  bool checked_ = false;
};

class TOrnRadioButton : public QFrame {
  Q_OBJECT
  Q_PROPERTY(QString Caption READ Caption WRITE SetCaption)
  Q_PROPERTY(bool Checked READ Checked WRITE SetChecked)
  Q_PROPERTY(OrnTypes::TLoadAs LoadAs READ LoadAs WRITE SetLoadAs)

 public:
  explicit TOrnRadioButton(QWidget* parent = nullptr);

  QString Caption() const { return caption_; }
  void SetCaption(const QString& caption);
  bool Checked() const { return mark_->Checked(); }
  // Checking unchecks the siblings, as a click does, but fires no Clicked.
  void SetChecked(bool checked);
  TLoadAs LoadAs() const { return loadAs_; }
  void SetLoadAs(TLoadAs loadAs) { loadAs_ = loadAs; }

  // The mark, the caption and the focus mark's margin; the height is the
  // panel's own.
  QSize sizeHint() const override;

  TOrnRadioMark* Mark() const { return mark_; }
  TOrnLabel* CaptionLabel() const { return label_; }
  QCheckBox* FocusHolder() const { return holder_; }

 signals:
  // The user checked the button (picture, caption, or space on the holder).
  void Clicked();
  void Toggled(bool checked);
  void Resized();

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void changeEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CheckByUser();
  void UncheckSiblings();
  void Relayout();

  TOrnRadioMark* mark_;
  TOrnLabel* label_;
  QCheckBox* holder_;
  QString caption_;
  TLoadAs loadAs_ = OrnTypes::AsLabel;
  bool inLayout_ = false;
};
