// Small helpers for checking painted controls pixel by pixel.
#pragma once

#include <QFont>
#include <QImage>
#include <QPalette>
#include <QRect>
#include <QWidget>
#include <functional>

namespace orntest {

// A palette whose system colours are all different, so that a pixel tells
// which of them painted it.
inline QPalette DistinctPalette() {
  QPalette pal;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    pal.setColor(group, QPalette::Window, QColor(200, 200, 200));
    pal.setColor(group, QPalette::Base, QColor(255, 255, 255));
    pal.setColor(group, QPalette::Button, QColor(200, 200, 200));
    pal.setColor(group, QPalette::WindowText, QColor(0, 0, 0));
    pal.setColor(group, QPalette::ButtonText, QColor(0, 0, 0));
    pal.setColor(group, QPalette::Text, QColor(0, 0, 0));
    pal.setColor(group, QPalette::Light, QColor(0, 255, 0));       // clBtnHighlight
    pal.setColor(group, QPalette::Dark, QColor(0, 0, 255));        // clBtnShadow
    pal.setColor(group, QPalette::Midlight, QColor(255, 255, 0));  // cl3DLight
    pal.setColor(group, QPalette::Shadow, QColor(0, 255, 255));    // cl3DDkShadow
    pal.setColor(group, QPalette::Highlight, QColor(128, 0, 0));   // clActiveCaption
  }
  pal.setColor(QPalette::Disabled, QPalette::WindowText, QColor(128, 0, 128));  // clGrayText
  return pal;
}

// A font drawn without smoothing, so that edges have exact colours.
inline QFont SharpFont(int pixelSize, bool bold = true) {
  QFont f(QStringLiteral("DejaVu Sans"));
  f.setPixelSize(pixelSize);
  f.setBold(bold);
  f.setStyleStrategy(QFont::NoAntialias);
  return f;
}

inline QImage Render(QWidget* w) { return w->grab().toImage().convertToFormat(QImage::Format_RGB32); }

// The bounding box of the pixels of exactly `color` inside `area` (the
// whole image when empty).
inline QRect BoxOf(const QImage& image, const QColor& color, QRect area = {}) {
  if (area.isEmpty()) area = image.rect();
  area &= image.rect();
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) == color.rgb()) box |= QRect(x, y, 1, 1);
  return box;
}

inline int CountOf(const QImage& image, const QColor& color, QRect area = {}) {
  if (area.isEmpty()) area = image.rect();
  area &= image.rect();
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (image.pixel(x, y) == color.rgb()) ++n;
  return n;
}

}  // namespace orntest
