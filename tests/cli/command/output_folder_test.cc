// SPDX-License-Identifier: Apache-2.0
#include "output_folder.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "temp_dir.h"

namespace korvane::cli {
namespace {

namespace fs = std::filesystem;
using test_support::ReadFile;
using test_support::TempDir;

// Files in `root` that are not records: temporary files left behind.
int Leftovers(const fs::path& root) {
  int count = 0;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (entry.path().filename().string().starts_with(".korvane-")) ++count;
  }
  return count;
}

TEST(OutputFolder, WritesWholeRecordsAndFollowsNoLinkBelowItsRoot) {
  TempDir dir;
  const fs::path root = dir.path() / "out";
  const std::string victim = dir.Write("victim.txt", "precious");
  dir.Write("elsewhere/keep.txt", "");
  fs::create_directories(root / "pages");
  fs::create_symlink(victim, root / "pages/a.html.txt");
  fs::create_directory_symlink(dir.path() / "elsewhere", root / "linked");
  OutputFolder folder(root.string());

  EXPECT_EQ(folder.Write("pages/a.html.txt", "record a"), "");
  EXPECT_EQ(ReadFile(victim), "precious");
  EXPECT_FALSE(fs::is_symlink(root / "pages/a.html.txt"));
  EXPECT_EQ(ReadFile(root / "pages/a.html.txt"), "record a");
  EXPECT_EQ(folder.Write("new/deep/b.txt", "record b"), "");
  EXPECT_EQ(ReadFile(root / "new/deep/b.txt"), "record b");
  EXPECT_NE(folder.Write("linked/c.txt", "c").find("a symbolic link, not followed"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir.path() / "elsewhere/c.txt"));
  EXPECT_EQ(Leftovers(root), 0);
}

// A root that cannot be made gives the reason it cannot, not that it is
// missing. /sys stands for a folder no process may write in (as root too).
TEST(OutputFolder, ARootThatCannotBeMadeGivesTheRealReason) {
  TempDir dir;
  const std::string file = dir.Write("file", "");
  std::string probe = "/sys/korvane-probe";
  const int refused = ::mkdir(probe.c_str(), 0777) == 0 ? 0 : errno;
  if (refused == 0) ::rmdir(probe.c_str());
  const struct {
    std::string root;
    std::string error;
  } cases[] = {
      {file, "cannot open " + file + ": Not a directory"},
      {file + "/out", "cannot open " + file + "/out: Not a directory"},
      {"/sys/korvane-out/deeper",
       "cannot create /sys/korvane-out/deeper: " + std::string(std::strerror(refused))},
  };
  for (const auto& test : cases) {
    if (test.root.starts_with("/sys") && (refused == 0 || refused == ENOENT)) continue;
    SCOPED_TRACE(test.root);
    OutputFolder folder(test.root);
    EXPECT_EQ(folder.Write("a.txt", "a"), test.error);
  }
}

TEST(OutputFolder, LeavesNothingBehindWhenTheDiskIsFull) {
  TempDir dir;
  const fs::path root = dir.path() / "out";
  OutputFolder folder(root.string());
  ASSERT_EQ(folder.Write("old.txt", "old record"), "");
  // A file-size limit stands for a full disk: writes past it fail.
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit saved;
  getrlimit(RLIMIT_FSIZE, &saved);
  rlimit small = saved;
  small.rlim_cur = 1024;
  setrlimit(RLIMIT_FSIZE, &small);
  const std::string error = folder.Write("old.txt", std::string(100000, 'x'));
  setrlimit(RLIMIT_FSIZE, &saved);
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  EXPECT_EQ(ReadFile(root / "old.txt"), "old record");
  EXPECT_EQ(Leftovers(root), 0);
}

}  // namespace
}  // namespace korvane::cli
