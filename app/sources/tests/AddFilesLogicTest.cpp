// The add-files window's lists and result.
#include <gtest/gtest.h>

#include "AddFilesLogic.h"
#include "JobListEdits.h"
#include "SourcesTestUtil.h"

namespace orn {
namespace {

TEST(SourcesAddFiles, FoldersComeFirstAndTheResultUsesTheNamesOnDisk) {
  test::ScratchDir dir;
  dir.Touch("Konti/a.txt");  // a folder and a file of the same name
  dir.Touch("konti");
  dir.Touch("Beta.TXT");
  dir.Touch(".hidden");
  const auto listing = ListForAddFiles(dir.Path());
  ASSERT_EQ(listing.folders.size(), 1u);
  EXPECT_EQ(listing.folders[0].display, "KONTI");
  std::vector<std::string> shown;
  for (const auto& e : listing.entries) shown.push_back(e.display);
  EXPECT_EQ(shown, (std::vector<std::string>{" KONTI", "beta.txt", "konti"}));

  const auto result = AddFilesResult(dir.Path(), " *.DB ", {listing.entries[0], listing.entries[1]});
  EXPECT_EQ(result, (std::vector<std::string>{" *.DB ", dir.Path() + "Konti", dir.Path() + "Beta.TXT"}));
  // What the window returns is found again on disk.
  EXPECT_EQ(ExpandAddedEntries(result).size(), 3u);
  EXPECT_EQ(AddFilesResult(dir.Path(), "   ", {}).size(), 0u);
}

TEST(SourcesAddFiles, UpOneLevel) {
  EXPECT_EQ(UpOneLevel("/srv/buh.data/2024/"), "/srv/buh.data/");
  EXPECT_EQ(UpOneLevel("/srv/"), "/");
  EXPECT_EQ(UpOneLevel("/"), "");
  EXPECT_EQ(UpOneLevel(""), "");
}

}  // namespace
}  // namespace orn
