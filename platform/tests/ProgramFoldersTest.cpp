#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>

#include "FileSystem.h"
#include "ProgramFolders.h"

using namespace orn;

namespace {
struct TempTree {
  std::string root;
  TempTree() {
    char tmpl[] = "/tmp/orn-progdirs-XXXXXX";
    root = ::mkdtemp(tmpl);
  }
  ~TempTree() { std::filesystem::remove_all(root); }
};

// Sets an environment variable for one scope and puts the old value back.
struct EnvVar {
  std::string name;
  std::optional<std::string> old;
  EnvVar(const char* n, const char* value) : name(n) {
    if (const char* v = ::getenv(n)) old = v;
    value ? ::setenv(n, value, 1) : ::unsetenv(n);
  }
  ~EnvVar() { old ? ::setenv(name.c_str(), old->c_str(), 1) : ::unsetenv(name.c_str()); }
};
}  // namespace

TEST(ProgramFolders, InstalledFolderWhenPresentElseBesideProgram) {
  TempTree t;
  // An installed tree: prefix/bin, prefix/libexec/archivator; no share folder.
  ASSERT_TRUE(ForceDirectories(t.root + "/bin"));
  ASSERT_TRUE(ForceDirectories(t.root + "/libexec/archivator"));
  ASSERT_TRUE(WriteFileAtomically(t.root + "/libexec/stub", "x"));
  const std::string bin = t.root + "/bin/";
  struct Case {
    const char* what;
    std::string relative;
    std::string expected;
  } cases[] = {
      {"installed library folder, normalised", "../libexec/archivator", t.root + "/libexec/archivator/"},
      {"missing data folder: beside the program", "../share/archivator", bin},
      {"a build that names no folder", "", bin},
      {"an absolute folder that exists", t.root + "/libexec/archivator", t.root + "/libexec/archivator/"},
      {"an absolute folder that does not", t.root + "/nowhere", bin},
      {"a file is not a folder", "../libexec/stub", bin},
  };
  for (const auto& c : cases) EXPECT_EQ(InstalledOrBeside(bin, c.relative), c.expected) << c.what;
}

TEST(ProgramFolders, BuildTreeKeepsEverythingBesideTheTestProgram) {
  // The tests run from the build tree, where nothing is installed.
  EXPECT_FALSE(ProgramIsInstalled());
  EXPECT_EQ(ProgramLibraryDir(), ExecutableDir());
  EXPECT_EQ(ProgramDataDir(), ExecutableDir());
  // The build folder is writable, so the temporary directory stays in it.
  EXPECT_EQ(ProgramWorkParentDir(), ExecutableDir());
}

TEST(ProgramFolders, SettingsStayInTheCurrentFolderUnlessItCannotHoldThem) {
  TempTree t;
  const std::string here = t.root + "/here", config = t.root + "/config";
  ASSERT_TRUE(ForceDirectories(here));
  EnvVar xdg("XDG_CONFIG_HOME", config.c_str());
  // A writable folder keeps the file there, relative as before.
  EXPECT_EQ(SettingsFilePath("Params.ini", here), "Params.ini");
  EXPECT_FALSE(DirectoryExists(config + "/archivator"));
  // A folder that is gone (or cannot be written) sends it to the user's own
  // settings folder, which is made for it.
  EXPECT_EQ(SettingsFilePath("Params.ini", t.root + "/gone"), config + "/archivator/Params.ini");
  EXPECT_TRUE(DirectoryExists(config + "/archivator"));
  {
    EnvVar noXdg("XDG_CONFIG_HOME", nullptr);
    EnvVar noHome("HOME", nullptr);
    EXPECT_EQ(SettingsFilePath("Params.ini", t.root + "/gone"), "Params.ini");
  }
}

TEST(ProgramFolders, AnInstalledProgramKeepsItsSettingsInTheUsersFolder) {
  TempTree t;
  const std::string here = t.root + "/jobs", config = t.root + "/config";
  ASSERT_TRUE(ForceDirectories(here));
  EnvVar xdg("XDG_CONFIG_HOME", config.c_str());
  const std::string kept = config + "/archivator/Params.ini";
  // Started from an empty folder: the user's folder, nothing left behind.
  EXPECT_EQ(SettingsFilePath("Params.ini", here, true), kept);
  EXPECT_FALSE(FileExists(here + "/Params.ini"));
  // A settings file beside the jobs is taken over once, and left in place.
  ASSERT_TRUE(WriteFileAtomically(here + "/Params.ini", "LANGUAGE=2\r\n"));
  EXPECT_EQ(SettingsFilePath("Params.ini", here, true), kept);
  EXPECT_EQ(ReadWholeFile(kept), "LANGUAGE=2\r\n");
  EXPECT_TRUE(FileExists(here + "/Params.ini"));
  // After that the user's own file holds, whatever the folder has.
  ASSERT_TRUE(WriteFileAtomically(here + "/Params.ini", "LANGUAGE=1\r\n"));
  EXPECT_EQ(SettingsFilePath("Params.ini", here, true), kept);
  EXPECT_EQ(ReadWholeFile(kept), "LANGUAGE=2\r\n");
  // The portable layout is unchanged.
  EXPECT_EQ(SettingsFilePath("Params.ini", here, false), "Params.ini");
}

TEST(ProgramFolders, UserConfigFollowsXdgThenHome) {
  {
    EnvVar xdg("XDG_CONFIG_HOME", "/xdg/config");
    EnvVar home("HOME", "/home/anna");
    EXPECT_EQ(UserConfigDir(), "/xdg/config/archivator/");
  }
  {
    // A relative XDG_CONFIG_HOME is invalid and is ignored.
    EnvVar xdg("XDG_CONFIG_HOME", "config");
    EnvVar home("HOME", "/home/anna");
    EXPECT_EQ(UserConfigDir(), "/home/anna/.config/archivator/");
  }
  {
    EnvVar xdg("XDG_CONFIG_HOME", nullptr);
    EnvVar home("HOME", nullptr);
    EXPECT_EQ(UserConfigDir(), "");
  }
}
