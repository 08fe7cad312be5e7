// A caption bar painted as a colour gradient, from the start colour to the
// window colour in a number of steps, with the first caption item as its
// text. Switched off, it takes no room.
#pragma once

#include <QColor>
#include <QStringList>
#include <QWidget>

class GradCaption : public QWidget {
  Q_OBJECT
  Q_PROPERTY(QColor StartColor READ StartColor WRITE SetStartColor)
  Q_PROPERTY(int GradientSteps READ GradientSteps WRITE SetGradientSteps)
  Q_PROPERTY(bool Active READ Active WRITE SetActive)

 public:
  explicit GradCaption(QWidget* parent = nullptr);

  QColor StartColor() const { return startColor_; }
  void SetStartColor(const QColor& color);
  int GradientSteps() const { return steps_; }
  void SetGradientSteps(int steps);
  bool Active() const { return active_; }
  void SetActive(bool active);

  // The caption items; the first one is shown.
  const QStringList& Captions() const { return captions_; }
  void ClearCaptions();
  void AddCaption(const QString& text);
  QString Text() const { return captions_.isEmpty() ? QString() : captions_.first(); }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override { return sizeHint(); }

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QColor startColor_;
  int steps_ = 128;
  bool active_ = true;
  QStringList captions_;
};
