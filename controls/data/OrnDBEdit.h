// TOrnDBEdit: the data-aware edit with a range check on exit (a message
// that keeps the focus), right-justification of string fields, and growth
// to MaxWidth while the person types.
#pragma once

#include <optional>

#include "ComboEdit.h"

class TOrnDBEdit : public TDBEdit {
  Q_OBJECT
  Q_PROPERTY(bool Right READ Right WRITE SetRight)
  Q_PROPERTY(double Min READ Min WRITE SetMin)
  Q_PROPERTY(double Max READ Max WRITE SetMax)
  Q_PROPERTY(QString Txt READ Txt WRITE SetTxt)
  Q_PROPERTY(QString Capt READ Capt WRITE SetCapt)
  Q_PROPERTY(int MaxWidth READ MaxWidth WRITE SetMaxWidth)

 public:
  explicit TOrnDBEdit(QWidget* parent = nullptr);

  bool Right() const { return right_; }
  void SetRight(bool right) { right_ = right; }
  double Min() const { return min_; }
  void SetMin(double value) { min_ = value; }
  double Max() const { return max_; }
  void SetMax(double value) { max_ = value; }
  QString Txt() const { return txt_; }
  void SetTxt(const QString& text) { txt_ = text; }
  QString Capt() const { return capt_; }
  void SetCapt(const QString& caption) { capt_ = caption; }
  int MaxWidth() const { return maxWidth_; }
  void SetMaxWidth(int width) { maxWidth_ = width; }

  // The exit steps: true when the text passed the range check (and was
  // written to the field); false when the message was shown and the edit
  // keeps the focus.
  bool Leave();

 protected:
  void focusInEvent(QFocusEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool right_ = false;
  double min_ = 0;
  double max_ = 0;
  QString txt_;
  QString capt_;
  int maxWidth_ = 0;
  int enterLeft_ = 0;
  int enterWidth_ = 0;
  bool leaving_ = false;
};

namespace orn {

// The range check's reading of a text: a date for exactly two ".", a number
// otherwise; nothing when it cannot be read.
std::optional<double> RangeValue(const QString& text);
bool InRange(const QString& text, double min, double max);
// Right-justification: `text` padded on the left to `size` characters; an
// integer text is first written as that integer (no leading zeros). Text
// that is blank or not shorter than `size` is returned unchanged.
QString RightJustified(const QString& text, int size);

}  // namespace orn
