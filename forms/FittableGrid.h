// What the form base needs of a data grid to fit its columns to its width.
// A grid that does not offer this interface is simply not fitted.
#pragma once

#include <vector>

namespace orn {

class FittableGrid {
 public:
  enum class Align { None, Top, Bottom, Client, Left, Right };
  virtual ~FittableGrid() = default;
  virtual bool CutCols() const = 0;
  virtual Align GridAlign() const = 0;
  virtual bool ShowsIndicator() const = 0;
  virtual int GridWidth() const = 0;
  virtual std::vector<int> ColumnWidths() const = 0;
  virtual void SetColumnWidths(const std::vector<int>& widths) = 0;
};

}  // namespace orn
