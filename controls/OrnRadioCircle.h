// The radio circle that TOrnRadioButton and TOrnRadioGroup draw themselves,
// so that it looks the same on every desktop and follows the enabled state
// in its fill colour.
#pragma once

#include <QColor>
#include <QPoint>

class QPainter;
class QPalette;

namespace orn {

// Draws the circle into the 17 x 17 box at `origin`: the box cleared to
// `background` (left as it is when that is invalid: a panel that paints no
// background of its own shows its parent's); a circle (1,1)-(14,14) filled with clWindow (cl3DLight when
// disabled), its upper-left rim in clBtnShadow and lower-right rim in
// cl3DLight; an inner upper-left rim (2,2)-(13,13) in cl3DDkShadow; the
// inner circle (3,3)-(12,12) in the fill colour; a dot (5,5)-(10,10) in
// clBtnText when checked. Corners are exclusive, as the design counts them.
void DrawRadioCircle(QPainter& painter, const QPoint& origin, bool checked, bool enabled, const QPalette& palette,
                     const QColor& background);

inline constexpr int kRadioBox = 17;

}  // namespace orn
