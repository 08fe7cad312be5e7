#include "OrnRadioCircle.h"

#include <QPainter>
#include <QPalette>

#include "OrnTypes.h"

namespace orn {
namespace {

// An aliased ellipse whose pixels cover [left, right) x [top, bottom).
QRect Span(const QPoint& o, int left, int top, int right, int bottom) {
  return QRect(o.x() + left, o.y() + top, right - left - 1, bottom - top - 1);
}

}  // namespace

void DrawRadioCircle(QPainter& painter, const QPoint& origin, bool checked, bool enabled, const QPalette& palette,
                     const QColor& background) {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (background.isValid()) painter.fillRect(QRect(origin, QSize(kRadioBox, kRadioBox)), background);
  const QColor fill = SystemColor(palette, enabled ? SysColor::Window : SysColor::Light3D);

  const QRect outer = Span(origin, 1, 1, 14, 14);
  painter.setPen(fill);
  painter.setBrush(fill);
  painter.drawEllipse(outer);
  painter.setBrush(Qt::NoBrush);
  // Qt angles run counter-clockwise from three o'clock, in 1/16 degree.
  painter.setPen(SystemColor(palette, SysColor::BtnShadow));
  painter.drawArc(outer, 45 * 16, 180 * 16);
  painter.setPen(SystemColor(palette, SysColor::Light3D));
  painter.drawArc(outer, 225 * 16, 180 * 16);
  painter.setPen(SystemColor(palette, SysColor::DkShadow3D));
  painter.drawArc(Span(origin, 2, 2, 13, 13), 45 * 16, 180 * 16);

  painter.setPen(fill);
  painter.setBrush(fill);
  painter.drawEllipse(Span(origin, 3, 3, 12, 12));
  if (checked) {
    const QColor dot = SystemColor(palette, SysColor::BtnText);
    painter.setPen(dot);
    painter.setBrush(dot);
    painter.drawEllipse(Span(origin, 5, 5, 10, 10));
  }
  painter.restore();
}

}  // namespace orn
