// Small helpers shared by the in-house controls.
#include "OrnTypes.h"

#include <QVariant>
#include <cfenv>
#include <cmath>

namespace orn {

int RoundHalfEven(double value) {
  // nearbyint follows the current rounding mode, which is to-nearest-even
  // unless someone changed it; make sure for this call.
  const int saved = std::fegetround();
  std::fesetround(FE_TONEAREST);
  const double r = std::nearbyint(value);
  std::fesetround(saved);
  return static_cast<int>(r);
}

QColor SystemColor(const QPalette& palette, SysColor color) {
  switch (color) {
    case SysColor::BtnShadow:
      return palette.color(QPalette::Active, QPalette::Dark);
    case SysColor::BtnHighlight:
      return palette.color(QPalette::Active, QPalette::Light);
    case SysColor::Light3D:
      return palette.color(QPalette::Active, QPalette::Midlight);
    case SysColor::DkShadow3D:
      return palette.color(QPalette::Active, QPalette::Shadow);
    case SysColor::Window:
      return palette.color(QPalette::Active, QPalette::Base);
    case SysColor::BtnFace:
      return palette.color(QPalette::Active, QPalette::Button);
    case SysColor::BtnText:
      return palette.color(QPalette::Active, QPalette::ButtonText);
    case SysColor::GrayText:
      return palette.color(QPalette::Disabled, QPalette::WindowText);
    case SysColor::ActiveCaption:
      return palette.color(QPalette::Active, QPalette::Highlight);
  }
  return {};
}

int Charset(const QObject* control) {
  const QVariant v = control->property(kCharsetProperty);
  return v.isValid() ? v.toInt() : kDefaultCharset;
}

void SetCharset(QObject* control, int charset) { control->setProperty(kCharsetProperty, charset); }

}  // namespace orn
