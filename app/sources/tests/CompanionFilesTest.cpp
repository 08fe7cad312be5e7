// Which files are companions of a Paradox table.
#include <gtest/gtest.h>

#include "CompanionFiles.h"

namespace orn {
namespace {

TEST(SourcesCompanionFiles, RecognisedByExtensionOnly) {
  const struct {
    const char* path;
    bool companion;
  } cases[] = {
      {"/data/KONTI.PX", true},   {"/data/konti.px", true},   {"/data/KONTI.MB", true},  {"/data/KONTI.VAL", true},
      {"/data/KONTI.TV", true},   {"/data/KONTI.FAM", true},  {"/data/KONTI.XG0", true}, {"/data/KONTI.YG9", true},
      {"/data/KONTI.X01", true},  {"/data/KONTI.Y99", true},  {"/data/KONTI.X0C", true}, {"/data/KONTI.y0c", true},
      {"/data/KONTI.DB", false},  {"/data/KONTI.X00", false}, {"/data/KONTI.X1", false}, {"/data/KONTI.X001", false},
      {"/data/KONTI.XGA", false}, {"/data/KONTI.TXT", false}, {"/data/KONTI", false},    {"/data/buh.PX/KONTI", false},
      {"/data/KONTI.Z01", false},
  };
  for (const auto& c : cases) EXPECT_EQ(IsCompanionFile(c.path), c.companion) << c.path;
}

TEST(SourcesCompanionFiles, ExtensionComesOffTheFileNameOnly) {
  EXPECT_EQ(WithoutExtension("/srv/buh.data/KONTI.DB"), "/srv/buh.data/KONTI");
  EXPECT_EQ(WithoutExtension("/srv/buh.data/KONTI"), "/srv/buh.data/KONTI");
  EXPECT_EQ(WithoutExtension("/srv/a/KONTI.2024.DB"), "/srv/a/KONTI.2024");
  EXPECT_EQ(ListKey("  /Data/Konti.db \t"), "/DATA/KONTI.DB");
}

}  // namespace
}  // namespace orn
