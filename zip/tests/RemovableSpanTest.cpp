// Volumes across removable disks, with folders standing for mount points:
// the test's probe says which "medium" is in, and the person answering the
// disk questions takes one folder out and puts another in its place (or
// beside it, as the desktop mounts a stick of another label). Every volume
// must land on a disk of its own, and the disks copied together must give
// back the archive that was split.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <random>

#include "FileSystem.h"
#include "RemovableMedia.h"
#include "RemovableVolumes.h"
#include "Spanning.h"
#include "ZipTestSupport.h"

using namespace ziptest;

namespace {

// Media whose free room is their capacity less what their folder holds.
class FolderMedia : public orn::MediaProbe {
 public:
  struct Disk {
    std::string mountPoint;
    std::string identity;
    std::int64_t capacity;
  };
  std::vector<Disk> disks;

  std::vector<orn::Medium> Mounted() override {
    std::vector<orn::Medium> media;
    for (const Disk& d : disks) {
      std::int64_t used = 0;
      for (const auto& e : std::filesystem::recursive_directory_iterator(d.mountPoint))
        if (e.is_regular_file()) used += static_cast<std::int64_t>(e.file_size());
      media.push_back({d.mountPoint, d.identity, d.capacity, d.capacity - used});
    }
    return media;
  }
  void Pause() override {}
};

std::string ZipOf(std::size_t size) {
  std::string data(size, '\0');
  for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 31 + (i >> 7));
  return MakeZip({{"KONTI.DB", data}});
}

class RemovableSpan : public ::testing::Test {
 public:
  void SetUp() override {
    mount_ = dir_ / "media/u/STICK/";
    orn::ForceDirectories(mount_);
    orn::ForceDirectories(dir_ / "out/");
    auto media = std::make_unique<FolderMedia>();
    media_ = media.get();
    media_->disks.push_back({mount_, "disk1", 1 << 20});
    previous_ = orn::SetMedia(std::move(media));
    WriteFile(dir_ / "temp.zip", ZipOf(250000));
    events_.mediumWaitSeconds = 0;
  }
  void TearDown() override { orn::SetMedia(std::move(previous_)); }

  // Takes the disk at `mountPoint` out and puts `disk` in there; a disk seen
  // before comes back with what it held.
  void Insert(const std::string& disk, std::int64_t capacity = 1 << 20, const std::string& at = "") {
    const std::string mountPoint = at.empty() ? mount_ : at;
    for (auto it = media_->disks.begin(); it != media_->disks.end(); ++it)
      if (it->mountPoint == mountPoint) {
        std::filesystem::rename(mountPoint, dir_ / ("out/" + it->identity));
        media_->disks.erase(it);
        break;
      }
    const std::string kept = dir_ / ("out/" + disk);
    if (orn::DirectoryExists(kept))
      std::filesystem::rename(kept, mountPoint);
    else
      orn::ForceDirectories(mountPoint);
    media_->disks.push_back({mountPoint, disk, capacity});
  }
  // Where a disk's files are: in its mount point while it is in, else kept aside.
  std::string Disk(const std::string& disk) const {
    for (const FolderMedia::Disk& d : media_->disks)
      if (d.identity == disk) return d.mountPoint;
    return dir_ / ("out/" + disk + "/");
  }
  std::string Target() const { return mount_ + "arh/Buh.zip"; }

  int Split() {
    try {
      return orn::SplitZipToVolumes(dir_ / "temp.zip", Target(), {100000, 0, 65536}, events_);
    } catch (const EZipEngine& e) {
      return -e.Ident();
    }
  }

  // The volumes of every disk copied into one folder and joined again.
  std::string Joined(const std::vector<std::string>& disks) {
    orn::ForceDirectories(dir_ / "all/");
    for (size_t i = 0; i < disks.size(); ++i) {
      const std::string name = "Buh00" + std::to_string(i + 1) + ".zip";
      std::filesystem::copy_file(Disk(disks[i]) + "arh/" + name, dir_ / ("all/" + name),
                                 std::filesystem::copy_options::overwrite_existing);
    }
    orn::JoinZipVolumes(dir_ / ("all/Buh00" + std::to_string(disks.size()) + ".zip"), dir_ / "joined.zip", {});
    return ReadFile(dir_ / "joined.zip");
  }

  ScratchDir dir_;
  std::string mount_;
  FolderMedia* media_ = nullptr;
  std::unique_ptr<orn::MediaProbe> previous_;
  orn::SpanEvents events_;
  std::vector<std::string> asked_;
};

TEST_F(RemovableSpan, EachVolumeGoesOnADiskOfItsOwn) {
  struct Row {
    const char* what;
    bool beside;  // the next stick is mounted beside the first, under another name
  } rows[] = {{"the next disk at the same mount point", false}, {"a stick of another label", true}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    // A disk that was mounted beside all along is never taken for the next one.
    orn::ForceDirectories(dir_ / "media/u/BACKUP/");
    media_->disks.push_back({dir_ / "media/u/BACKUP/", "backup", 1 << 30});
    events_.nextDisk = [&](int seq, int total, const std::string& drive, const std::string& text) {
      asked_.push_back(text);
      EXPECT_EQ(total, 3);
      EXPECT_EQ(drive, row.beside && seq > 2 ? dir_ / "media/u/disk2/" : mount_);
      const std::string disk = "disk" + std::to_string(seq);
      if (row.beside)
        Insert(disk, 1 << 20, dir_ / ("media/u/" + disk + "/"));
      else
        Insert(disk);
      return true;
    };
    ASSERT_EQ(Split(), 3);
    EXPECT_EQ(asked_, (std::vector<std::string>{"Please insert disk volume 2 of 3\r\nin drive: " + mount_,
                                                "Please insert disk volume 3 of 3\r\nin drive: " +
                                                    (row.beside ? dir_ / "media/u/disk2/" : mount_)}));
    for (int n = 1; n <= 3; ++n) {
      const std::string disk = Disk("disk" + std::to_string(n));
      EXPECT_EQ(orn::FindFiles(disk + "arh/", "*", orn::FindWhat::Files).size(), 1u) << disk;
      EXPECT_EQ(ReadFile(disk + orn::kVolumeLabelFile), "PKBACK# 00" + std::to_string(n) + "\r\n");
    }
    EXPECT_EQ(Joined({"disk1", "disk2", "disk3"}), ReadFile(dir_ / "temp.zip"));
    // The next row starts from a fresh first disk.
    TearDown();
    std::filesystem::remove_all(dir_ / "media");
    std::filesystem::remove_all(dir_ / "out");
    std::filesystem::remove_all(dir_ / "all");
    asked_.clear();
    SetUp();
  }
}

TEST_F(RemovableSpan, WhatADiskHoldsIsAskedAbout) {
  struct Asked {
    int disk;
    TZipDiskStatus status;
    std::string text;
  };
  struct Row {
    const char* what;
    // Puts in the disk the person hands over when disk `seq` is asked for
    // the first time; the second time a fresh disk goes in.
    std::function<void(RemovableSpan&, int seq)> firstAnswer;
    TZipDiskAction action;
    int result;  // volumes written, or minus the identifier that ended the split
    std::function<std::vector<Asked>(RemovableSpan&)> asked;
  };
  const Row rows[] = {
      {"the disk of an earlier volume put in again",
       [](RemovableSpan& t, int seq) { t.Insert(seq == 3 ? "disk1" : "disk2"); }, zdaReject, 3,
       [](RemovableSpan&) {
         return std::vector<Asked>{{1, zdsHasFiles | zdsPreviousDisk, "Overwrite previous disk no 1"}};
       }},
      {"a disk with another file of the volume's name",
       [](RemovableSpan& t, int seq) {
         if (seq == 2) WriteFile(t.dir_ / "out/old/arh/Buh002.zip", "last year's set");
         t.Insert(seq == 2 ? "old" : "disk3");
       },
       zdaOk, 3,
       [](RemovableSpan& t) {
         return std::vector<Asked>{
             {1, zdsHasFiles | zdsSameFileName, "Overwrite previous file " + t.mount_ + "arh/Buh002.zip"}};
       }},
      {"a full disk whose files may go",
       [](RemovableSpan& t, int seq) {
         if (seq == 2) WriteFile(t.dir_ / "out/full/arh/photo.jpg", std::string(60000, 'p'));
         t.Insert(seq == 2 ? "full" : "disk3", seq == 2 ? 100000 : 1 << 20);
       },
       zdaErase, 3,
       [](RemovableSpan& t) {
         return std::vector<Asked>{{1, zdsHasFiles | zdsNotEnoughSpace,
                                    "This disk has not enough free space available\r\nRemove the 1 files in " +
                                        t.mount_ + "arh/ for good, to make room?"}};
       }},
      {"a full disk, and the person stops",
       [](RemovableSpan& t, int) {
         WriteFile(t.dir_ / "out/full/arh/photo.jpg", std::string(60000, 'p'));
         t.Insert("full", 100000);
       },
       zdaCancel, -orn::kZipAborted,
       [](RemovableSpan& t) {
         return std::vector<Asked>{{1, zdsHasFiles | zdsNotEnoughSpace,
                                    "This disk has not enough free space available\r\nRemove the 1 files in " +
                                        t.mount_ + "arh/ for good, to make room?"}};
       }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::map<int, int> times;
    events_.nextDisk = [&](int seq, int, const std::string&, const std::string&) {
      if (times[seq]++ == 0)
        row.firstAnswer(*this, seq);
      else
        Insert("fresh" + std::to_string(seq));
      return true;
    };
    std::vector<Asked> asked;
    events_.diskStatus = [&](int disk, const std::string&, TZipDiskStatus status, const std::string& text) {
      asked.push_back({disk, status, text});
      return row.action;
    };
    EXPECT_EQ(Split(), row.result);
    const std::vector<Asked> expected = row.asked(*this);
    ASSERT_EQ(asked.size(), expected.size());
    for (size_t i = 0; i < asked.size(); ++i) {
      EXPECT_EQ(asked[i].disk, expected[i].disk);
      EXPECT_EQ(asked[i].status, expected[i].status);
      EXPECT_EQ(asked[i].text, expected[i].text);
    }
    if (row.action == zdaErase) {
      EXPECT_FALSE(orn::FileExists(Disk("full") + "arh/photo.jpg"));
    }
    TearDown();
    std::filesystem::remove_all(dir_ / "media");
    std::filesystem::remove_all(dir_ / "out");
    SetUp();
  }
}

TEST_F(RemovableSpan, ADiskThatIsNotChangedIsAskedForAgain) {
  int asked = 0;
  events_.nextDisk = [&](int seq, int, const std::string&, const std::string&) {
    // The first time the person says "in" without changing the disk.
    if (++asked % 2 == 0) Insert("disk" + std::to_string(seq));
    return true;
  };
  EXPECT_EQ(Split(), 3);
  EXPECT_EQ(asked, 4);
}

TEST_F(RemovableSpan, NobodyToAskEndsTheSplitAtTheSecondDisk) {
  EXPECT_EQ(Split(), -orn::kZipDiskUnattended);
  EXPECT_TRUE(orn::FileExists(mount_ + "arh/Buh001.zip")) << "the first disk keeps its whole volume";
}

TEST_F(RemovableSpan, TheEngineAsksThroughItsEventsOrNotAtAll) {
  ASSERT_TRUE(orn::FileExists(std::string(ORN_BIN_DIR) + "/libornzip.so"))
      << "the compression library is built with the tests";
  std::string data(250000, '\0');
  std::mt19937 random(7);
  for (char& c : data) c = static_cast<char>(random());
  WriteFile(dir_ / "src/KONTI.DB", data);
  struct Row {
    const char* what;
    bool unattended, handlers;
    int asked;
    int lastErrCode;
  } rows[] = {{"a host that answers", true, true, 2, 0}, {"nobody to answer", true, false, 0, orn::kZipDiskUnattended}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    TZipEngine zip;
    zip.SetLibDirectory(ORN_BIN_DIR);
    zip.SetUnattended(row.unattended);
    zip.SetAddOptions({AddDirNames, AddDiskSpan});
    zip.SetMaxVolumeSize(100000);
    std::vector<std::string> asked;
    if (row.handlers)
      zip.OnGetNextDisk = [&](TZipEngine&, int seq, int total, const std::string& drive, bool& abortAction) {
        asked.push_back(std::to_string(seq) + " of " + std::to_string(total) + " in " + drive);
        Insert("disk" + std::to_string(seq));
        abortAction = false;
      };
    zip.SetZipFileName(Target());
    zip.FSpecArgs = {dir_ / "src/KONTI.DB"};
    zip.Add();
    EXPECT_EQ(asked.size(), static_cast<size_t>(row.asked));
    EXPECT_EQ(zip.SuccessCount() > 0, row.lastErrCode == 0);
    if (row.lastErrCode) {
      EXPECT_EQ(zip.LastErrCode(), row.lastErrCode);
    }
    if (!asked.empty()) {
      EXPECT_EQ(asked.front(), "2 of 3 in " + mount_);
    }
    TearDown();
    std::filesystem::remove_all(dir_ / "media");
    std::filesystem::remove_all(dir_ / "out");
    SetUp();
  }
}

TEST(RemovableMediaTest, TheNextMediumIsAnotherAtTheSamePlaceOrANewOneBeside) {
  struct Row {
    const char* what;
    std::vector<orn::Medium> now;
    const char* expected;  // mount point of the medium taken, "" for none
  } rows[] = {
      {"the same disk", {{"/media/u/A/", "one"}}, ""},
      {"another disk at the same place", {{"/media/u/A/", "two"}}, "/media/u/A/"},
      {"a new stick beside", {{"/media/u/B/", "two"}}, "/media/u/B/"},
      {"a stick that was there before", {{"/media/u/C/", "three"}}, ""},
      {"a new disk elsewhere", {{"/mnt/x/", "four"}}, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    class Fixed : public orn::MediaProbe {
     public:
      std::vector<orn::Medium> media;
      std::vector<orn::Medium> Mounted() override { return media; }
      void Pause() override {}
    };
    auto fixed = std::make_unique<Fixed>();
    fixed->media = row.now;
    auto previous = orn::SetMedia(std::move(fixed));
    std::optional<orn::Medium> next = orn::WaitForOtherMedium({"/media/u/A/", "one"}, {"one", "three"}, 0, {});
    EXPECT_EQ(next ? next->mountPoint : std::string(), row.expected);
    orn::SetMedia(std::move(previous));
  }
  EXPECT_EQ(orn::OnMedium("/media/u/A/arh/x.zip", {"/media/u/A/", "one"}, {"/media/u/B/", "two"}),
            "/media/u/B/arh/x.zip");
}

}  // namespace
