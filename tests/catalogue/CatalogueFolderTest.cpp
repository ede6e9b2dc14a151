// Building the catalogue from a folder of Kepler files, and reading files that are not what they seem.

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "KeplerTestData.h"
#include "catalogue/KeplerFile.h"
#include "catalogue/SatelliteList.h"

namespace nimbrel::catalogue {
namespace {

using testing::Record;
using testing::TScratchFolder;

constexpr const char* kEarly = "06003.50000000";
constexpr const char* kLate = "06004.50000000";

std::string NameOf(const TSatelliteList& list, std::string_view number) {
  const int index = list.IndexOfCatalogueNumber(number);
  return index < 0 ? "(none)" : list.NameAt(index);
}

const TUnreadableFile* FindUnreadable(const TSatelliteList& list, const std::string& file) {
  for (const TUnreadableFile& u : list.UnreadableFiles()) {
    if (std::filesystem::path(u.path).filename() == file) return &u;
  }
  return nullptr;
}

TEST(CatalogueFolder, ReadsMasksInOrderAndSkipsTheNotes) {
  TScratchFolder folder;
  // Equal epochs everywhere, so the file read first names each satellite.
  folder.Write("a.txt", Record("FROM A TXT", "00001") + Record("FROM A TXT", "00003"));
  folder.Write("b.tle", Record("FROM B TLE", "00001") + Record("FROM B TLE", "00002"));
  folder.Write("c.2LI", Record("FROM C 2LI", "00002"));
  folder.Write("b.txt", Record("FROM B TXT", "00003") + Record("FROM B TXT", "00004"));
  folder.Write("TLEnotes.txt", Record("NOTES", "00005"));
  folder.Write("tlenotes.TXT", Record("NOTES", "00006"));
  folder.Write("d.dat", Record("NOT KEPLER", "00007"));
  folder.Write("e.txt.bak", Record("NOT KEPLER", "00008"));
  folder.Write("F.TXT", Record("FROM F TXT", "00009"));

  const TSatelliteList list = TSatelliteList::Create(folder.Path().string());
  EXPECT_EQ(list.KeplerFolder(), folder.Folder());
  EXPECT_EQ(NameOf(list, "00001"), "FROM B TLE");  // *.tle before *.txt
  EXPECT_EQ(NameOf(list, "00002"), "FROM C 2LI");  // *.2li first, whatever the case
  EXPECT_EQ(NameOf(list, "00003"), "FROM A TXT");  // a.txt before b.txt
  EXPECT_EQ(NameOf(list, "00004"), "FROM B TXT");
  EXPECT_EQ(NameOf(list, "00005"), "(none)");
  EXPECT_EQ(NameOf(list, "00006"), "(none)");
  EXPECT_EQ(NameOf(list, "00007"), "(none)");
  EXPECT_EQ(NameOf(list, "00008"), "(none)");
  EXPECT_EQ(NameOf(list, "00009"), "FROM F TXT");
  EXPECT_TRUE(list.UnreadableFiles().empty());
}

TEST(CatalogueFolder, NewestEpochWinsAcrossFiles) {
  const struct {
    const char* what;
    const char* epochInX;
    const char* epochInY;
    const char* name;
  } cases[] = {
      {"later in y.txt", kEarly, kLate, "NAME IN Y"},
      {"equal epochs", kEarly, kEarly, "NAME IN X"},
      {"earlier in y.txt", kLate, kEarly, "NAME IN X"},
  };
  for (const auto& c : cases) {
    TScratchFolder folder;
    folder.Write("y.txt", Record("name in y", "25544", c.epochInY));
    folder.Write("x.2li", Record("name in x", "25544", c.epochInX));
    const TSatelliteList list = TSatelliteList::Create(folder.Folder());
    ASSERT_EQ(list.Count(), 1) << c.what;
    EXPECT_EQ(list.NameAt(0), c.name) << c.what;
  }
}

TEST(CatalogueFolder, ScansOnPastFilesItCannotRead) {
  TScratchFolder folder;
  folder.Write("a.tle", Record("FIRST", "00001"));
  folder.Write("z.txt", Record("LAST", "00002"));
  // A FIFO without a writer would block a reader for ever.
  ASSERT_EQ(::mkfifo((folder.Path() / "pipe.tle").c_str(), 0600), 0);
  std::filesystem::create_directory(folder.Path() / "folder.txt");
  // Sparse, so the test costs no disk space.
  {
    const auto big = folder.Write("big.2li", "");
    std::filesystem::resize_file(big, kMaxKeplerFileBytes + 1);
  }
  // Root reads files whatever their mode, so this one only counts when the tests run as a user.
  const auto locked = folder.Write("locked.txt", Record("LOCKED", "00003"));
  std::filesystem::permissions(locked, std::filesystem::perms::none);
  const bool canReadLocked = ::access(locked.c_str(), R_OK) == 0;

  const TSatelliteList list = TSatelliteList::Create(folder.Folder());
  EXPECT_EQ(NameOf(list, "00001"), "FIRST");
  EXPECT_EQ(NameOf(list, "00002"), "LAST");
  EXPECT_EQ(NameOf(list, "00003"), canReadLocked ? "LOCKED" : "(none)");

  const struct {
    const char* file;
    const char* reason;
  } expected[] = {
      {"pipe.tle", "is a FIFO, not a regular file"},
      {"folder.txt", "is a folder"},
      {"big.2li", "is larger than 256 MiB"},
  };
  for (const auto& e : expected) {
    const TUnreadableFile* u = FindUnreadable(list, e.file);
    ASSERT_NE(u, nullptr) << e.file;
    EXPECT_EQ(u->reason, e.reason) << e.file;
    EXPECT_EQ(u->path, folder.Folder() + e.file);
  }
  if (!canReadLocked) {
    const TUnreadableFile* u = FindUnreadable(list, "locked.txt");
    ASSERT_NE(u, nullptr);
    EXPECT_EQ(u->reason, "Permission denied");
  }
  EXPECT_EQ(list.UnreadableFiles().size(), canReadLocked ? 3u : 4u);
}

TEST(CatalogueFolder, ReportsReadErrors) {
  // Reading /proc/self/mem from its start fails with an I/O error, though it is a regular file.
  if (::access("/proc/self/mem", R_OK) != 0) GTEST_SKIP() << "no /proc/self/mem here";
  TScratchFolder folder;
  folder.Write("good.tle", Record("GOOD", "00001"));
  std::filesystem::create_symlink("/proc/self/mem", folder.Path() / "mem.tle");
  const TSatelliteList list = TSatelliteList::Create(folder.Folder());
  EXPECT_EQ(list.Count(), 1);
  const TUnreadableFile* u = FindUnreadable(list, "mem.tle");
  ASSERT_NE(u, nullptr);
  EXPECT_FALSE(u->reason.empty());
}

TEST(CatalogueFolder, LoadFromFileReportsWhatItCannotRead) {
  TScratchFolder folder;
  TSatelliteList list;
  list.LoadFromText(Record("KEPT", "00001"));
  // Nothing of that name: ignored.
  EXPECT_NO_THROW(list.LoadFromFile(folder.Path() / "missing.tle"));
  EXPECT_EQ(list.Count(), 1);
  // A folder is no Kepler file.
  try {
    list.LoadFromFile(folder.Path());
    ADD_FAILURE() << "a folder was read as a Kepler file";
  } catch (const ECatalogueFileError& e) {
    EXPECT_EQ(e.Path(), folder.Path().string());
    EXPECT_EQ(std::string(e.what()),
              "TSatelliteList::LoadFromFile: cannot read '" + folder.Path().string() + "': is a folder");
  }
  // A file adds its sets to those already there.
  list.LoadFromFile(folder.Write("more.txt", Record("ADDED", "00002")));
  EXPECT_EQ(list.Count(), 2);
}

TEST(CatalogueFolder, EmptyFolderNameMeansTheCurrentFolder) {
  TScratchFolder folder;
  folder.Write("here.tle", Record("IN THE CURRENT FOLDER", "00001"));
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(folder.Path());
  const TSatelliteList list = TSatelliteList::Create("");
  std::filesystem::current_path(previous);
  EXPECT_EQ(list.KeplerFolder(), "./");
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.NameAt(0), "IN THE CURRENT FOLDER");
}

TEST(CatalogueFolder, MissingFolderGivesAnEmptyCatalogue) {
  TScratchFolder folder;
  const TSatelliteList list = TSatelliteList::Create(folder.Folder() + "no such folder");
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.UnreadableFiles().empty());

  // A file where the folder should be cannot be listed, and says so.
  const auto file = folder.Write("plain.txt", "");
  const TSatelliteList notAFolder = TSatelliteList::Create(file.string());
  EXPECT_EQ(notAFolder.Count(), 0);
  ASSERT_EQ(notAFolder.UnreadableFiles().size(), 1u);
  EXPECT_EQ(notAFolder.UnreadableFiles()[0].path, file.string() + "/");
}

TEST(CatalogueFolder, ClearForgetsUnreadableFiles) {
  TScratchFolder folder;
  std::filesystem::create_directory(folder.Path() / "folder.tle");
  folder.Write("good.tle", Record("GOOD"));
  TSatelliteList list = TSatelliteList::Create(folder.Folder());
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(list.UnreadableFiles().size(), 1u);
  list.Clear();
  EXPECT_EQ(list.Count(), 0);
  EXPECT_TRUE(list.UnreadableFiles().empty());
}

}  // namespace
}  // namespace nimbrel::catalogue
