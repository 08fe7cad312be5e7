// Column fitting: grids fill their width, rounding as the Windows MulDiv.
#include <gtest/gtest.h>

#include "ColumnFit.h"

namespace orn {
namespace {

TEST(FormsColumnFitTest, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(MulDiv(5, 3, 2), 8);  // 7.5
  EXPECT_EQ(MulDiv(-5, 3, 2), -8);
  EXPECT_EQ(MulDiv(10, 1, 4), 3);  // 2.5
  EXPECT_EQ(MulDiv(9, 1, 4), 2);   // 2.25
  EXPECT_EQ(MulDiv(1, 1, 0), -1);
  EXPECT_EQ(MulDiv(2000000000, 3, 2), -1);  // does not fit: -1 as the Windows call
}

TEST(FormsColumnFitTest, ColumnsFillTheGrid) {
  GridMetrics m;
  m.gridWidth = 420;  // room: 420 - 16 - 4 = 400
  m.borderWidth = 1;
  m.scrollBarWidth = 16;
  // total = 99 + 1 + 99 + 1 = 200 -> factor 2000
  EXPECT_EQ(FitColumnWidths({99, 99}, m), (std::vector<int>{198, 198}));
  m.showsIndicator = true;  // a further 12 for the indicator: 388 / 200 -> 1940
  EXPECT_EQ(FitColumnWidths({99, 99}, m), (std::vector<int>{192, 192}));
  EXPECT_EQ(FitColumnWidths({}, m), std::vector<int>{});
  m.gridWidth = 10;  // no room at all: left as they are
  EXPECT_EQ(FitColumnWidths({50, 60}, m), (std::vector<int>{50, 60}));
}

}  // namespace
}  // namespace orn
