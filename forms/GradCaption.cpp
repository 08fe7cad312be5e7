#include "GradCaption.h"

#include <QPainter>

GradCaption::GradCaption(QWidget* parent) : QWidget(parent), startColor_(Qt::darkGreen) {
  setObjectName("GradCaption");
  QFont f("Arial");
  f.setPixelSize(12);
  f.setBold(true);
  setFont(f);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void GradCaption::SetStartColor(const QColor& color) {
  startColor_ = color;
  update();
}

void GradCaption::SetGradientSteps(int steps) {
  steps_ = steps < 1 ? 1 : steps;
  update();
}

void GradCaption::SetActive(bool active) {
  active_ = active;
  setVisible(active);
}

void GradCaption::ClearCaptions() {
  captions_.clear();
  update();
}

void GradCaption::AddCaption(const QString& text) {
  captions_.append(text);
  update();
}

QSize GradCaption::sizeHint() const { return QSize(200, fontMetrics().height() + 8); }

void GradCaption::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QColor end = palette().color(QPalette::Window);
  const int w = width();
  // Solid bands, as many as there are steps, rather than a smooth blend.
  for (int i = 0; i < steps_; ++i) {
    int x0 = w * i / steps_, x1 = w * (i + 1) / steps_;
    double t = steps_ == 1 ? 0.0 : static_cast<double>(i) / (steps_ - 1);
    QColor c = QColor::fromRgbF(startColor_.redF() + (end.redF() - startColor_.redF()) * t,
                                startColor_.greenF() + (end.greenF() - startColor_.greenF()) * t,
                                startColor_.blueF() + (end.blueF() - startColor_.blueF()) * t);
    p.fillRect(x0, 0, x1 - x0, height(), c);
  }
  p.setPen(Qt::white);
  p.setFont(font());
  p.drawText(rect().adjusted(6, 0, -6, 0), Qt::AlignLeft | Qt::AlignVCenter, Text());
}
