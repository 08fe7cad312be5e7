// Draws the ten stock button glyphs as two 18 x 18 images side by side: the
// normal picture and its embossed disabled twin (white one pixel down-right,
// grey on top), the way the buttons expect them. Run once with the output
// folder as argument; the PNGs are kept in the source tree.
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <cstdio>
#include <functional>

namespace {

constexpr int kSize = 18;

QPen Stroke(const QColor& color, double width) {
  return QPen(color, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

void Check(QPainter& p, const QColor& color, double dx = 0) {
  p.setPen(Stroke(color, 2.6));
  p.drawPolyline(QPolygonF({QPointF(3 + dx, 9.5), QPointF(7 + dx, 13.5), QPointF(15 + dx, 4)}));
}

void Cross(QPainter& p, const QColor& color) {
  p.setPen(Stroke(color, 2.6));
  p.drawLine(QPointF(4.5, 4.5), QPointF(13.5, 13.5));
  p.drawLine(QPointF(13.5, 4.5), QPointF(4.5, 13.5));
}

void Question(QPainter& p, const QColor& color) {
  p.setPen(Stroke(color, 2.4));
  QPainterPath path;
  path.moveTo(5.5, 6.5);
  path.cubicTo(5.5, 2.5, 12.5, 2.5, 12.5, 6.0);
  path.cubicTo(12.5, 8.5, 9, 8.5, 9, 11.5);
  p.drawPath(path);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawEllipse(QPointF(9, 15), 1.5, 1.5);
}

void NoSign(QPainter& p, const QColor& color) {
  p.setPen(Stroke(color, 2.2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(QPointF(9, 9), 6.2, 6.2);
  p.drawLine(QPointF(4.8, 13.2), QPointF(13.2, 4.8));
}

void Door(QPainter& p) {
  p.setPen(Stroke(QColor(90, 60, 20), 1.2));
  p.setBrush(QColor(190, 140, 70));
  p.drawRect(QRectF(3.5, 2.5, 8, 13));
  p.setPen(Qt::NoPen);
  p.setBrush(QColor(250, 220, 60));
  p.drawEllipse(QPointF(9.8, 9.5), 1, 1);
  p.setPen(Stroke(QColor(0, 110, 0), 2));
  p.drawLine(QPointF(11.5, 9), QPointF(16, 9));
  p.drawPolyline(QPolygonF({QPointF(14, 6.8), QPointF(16.2, 9), QPointF(14, 11.2)}));
}

void Stop(QPainter& p) {
  QPolygonF octagon;
  for (int i = 0; i < 8; ++i) {
    const double a = (22.5 + 45.0 * i) * 3.14159265 / 180.0;
    octagon << QPointF(9 + 7.5 * std::cos(a), 9 + 7.5 * std::sin(a));
  }
  p.setPen(Stroke(QColor(120, 0, 0), 1));
  p.setBrush(QColor(210, 30, 30));
  p.drawPolygon(octagon);
  p.setPen(Stroke(Qt::white, 2.2));
  p.drawLine(QPointF(5.5, 9), QPointF(12.5, 9));
}

void Retry(QPainter& p) {
  const QColor color(0, 120, 0);
  p.setPen(Stroke(color, 2.2));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(3.5, 3.5, 11, 11), 100 * 16, 280 * 16);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(QPolygonF({QPointF(6.5, 0.8), QPointF(11.2, 4.1), QPointF(6.5, 7.2)}));
}

void Ignore(QPainter& p) {
  const QColor color(30, 60, 160);
  p.setPen(Stroke(color, 2));
  p.setBrush(Qt::NoBrush);
  QPainterPath hop;
  hop.moveTo(2.5, 13);
  hop.cubicTo(4, 3, 12, 3, 13.5, 11);
  p.drawPath(hop);
  p.setPen(Qt::NoPen);
  p.setBrush(color);
  p.drawPolygon(QPolygonF({QPointF(10.6, 10), QPointF(16.4, 9.6), QPointF(14, 15)}));
  p.setPen(Stroke(QColor(120, 120, 120), 1.6));
  p.drawLine(QPointF(6.5, 15.5), QPointF(10, 15.5));
}

void Draw(const QString& folder, const char* name, const std::function<void(QPainter&)>& paint) {
  QImage normal(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  normal.fill(Qt::transparent);
  {
    QPainter p(&normal);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
  }
  // The disabled twin: the shape's mask embossed, as the platform greys
  // a glyph for a disabled button.
  QImage mask(kSize, kSize, QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      if (qAlpha(normal.pixel(x, y)) > 110) mask.setPixel(x, y, qRgba(0, 0, 0, 255));
  auto tinted = [&](const QColor& color) {
    QImage img = mask;
    QPainter p(&img);
    p.setCompositionMode(QPainter::CompositionMode_SourceIn);
    p.fillRect(img.rect(), color);
    return img;
  };
  QImage both(kSize * 2, kSize, QImage::Format_ARGB32_Premultiplied);
  both.fill(Qt::transparent);
  {
    QPainter p(&both);
    p.drawImage(0, 0, normal);
    p.drawImage(kSize + 1, 1, tinted(Qt::white));
    p.drawImage(kSize, 0, tinted(QColor(128, 128, 128)));
  }
  const QString file = folder + "/" + name + ".png";
  if (!both.save(file)) std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const QString folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(".");
  const QColor green(0, 140, 0), red(200, 0, 0), blue(20, 60, 190);
  Draw(folder, "ORNBBOK", [&](QPainter& p) { Check(p, green); });
  Draw(folder, "ORNBBCANCEL", [&](QPainter& p) { Cross(p, red); });
  Draw(folder, "ORNBBHELP", [&](QPainter& p) { Question(p, blue); });
  Draw(folder, "ORNBBYES", [&](QPainter& p) { Check(p, QColor(0, 100, 160)); });
  Draw(folder, "ORNBBNO", [&](QPainter& p) { NoSign(p, red); });
  Draw(folder, "ORNBBCLOSE", [&](QPainter& p) { Door(p); });
  Draw(folder, "ORNBBABORT", [&](QPainter& p) { Stop(p); });
  Draw(folder, "ORNBBRETRY", [&](QPainter& p) { Retry(p); });
  Draw(folder, "ORNBBIGNORE", [&](QPainter& p) { Ignore(p); });
  Draw(folder, "ORNBBALL", [&](QPainter& p) {
    Check(p, green, -2);
    Check(p, QColor(0, 100, 0), 2);
  });
  return 0;
}
