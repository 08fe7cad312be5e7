#include "ColumnFit.h"

#include <cstdint>

namespace orn {

int MulDiv(int a, int b, int c) {
  if (c == 0) return -1;
  std::int64_t p = static_cast<std::int64_t>(a) * b;
  bool negative = (p < 0) != (c < 0);
  std::int64_t ap = p < 0 ? -p : p, ac = c < 0 ? -static_cast<std::int64_t>(c) : c;
  std::int64_t q = (ap + ac / 2) / ac;
  if (q > INT32_MAX) return -1;
  return static_cast<int>(negative ? -q : q);
}

std::vector<int> FitColumnWidths(const std::vector<int>& widths, const GridMetrics& m) {
  int available = m.gridWidth - m.scrollBarWidth - 4;
  if (m.showsIndicator) available -= m.scrollBarWidth - 4;
  int total = 0;
  for (int w : widths) total += w + m.borderWidth;
  if (total <= 0 || available <= 0) return widths;
  int factor = MulDiv(available, 1000, total);
  std::vector<int> fitted;
  fitted.reserve(widths.size());
  for (int w : widths) fitted.push_back(MulDiv(w, factor, 1000));
  return fitted;
}

}  // namespace orn
