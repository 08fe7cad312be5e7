// Fitting data-grid columns to the grid's width: each column is scaled by the
// same factor so that all columns together fill the room beside the vertical
// scroll bar (and the indicator column, when the grid shows one).
#pragma once

#include <vector>

namespace orn {

// a * b / c rounded half away from zero; -1 when c is 0 (as the Windows call).
int MulDiv(int a, int b, int c);

struct GridMetrics {
  int gridWidth = 0;
  int scrollBarWidth = 16;  // width of a vertical scroll bar
  int borderWidth = 1;      // width of a cell border
  bool showsIndicator = false;
};

// The column widths scaled to fill the grid; the widths unchanged when there
// are no columns or they have no width at all.
std::vector<int> FitColumnWidths(const std::vector<int>& widths, const GridMetrics& metrics);

}  // namespace orn
