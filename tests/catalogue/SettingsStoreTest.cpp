#include <sys/stat.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <memory>

#include "SettingsTestSupport.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::catalogue {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TSettingsRootsTest;
using testing::WriteFile;

using SettingsStore = TSettingsRootsTest;

constexpr const char* kKey = "\\Software\\Corvane\\NimbrelGL";

// Built by appending: gcc 12 warns falsely (-Wrestrict) about "A" + std::to_string(i).
std::string Numbered(const char* prefix, int i) {
  std::string name(prefix);
  name += std::to_string(i);
  return name;
}

bool SetInteger(const TSettingsKey& key, const std::string& name, std::int32_t value) {
  return static_cast<bool>(key.Update([&](TSettingsValues& v) {
    v.SetInteger(name, value);
    return true;
  }));
}

TEST_F(SettingsStore, KeysMapToFilesUnderTheirRoot) {
  struct TCase {
    TSettingsRoot root;
    const char* key;
    fs::path expected;  // empty: names no file
  };
  const std::vector<TCase> cases = {
      {TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\NimbrelGL", UserRoot() / "Corvane/NimbrelGL.conf"},
      {TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\Nimbrel", UserRoot() / "Corvane/Nimbrel.conf"},
      {TSettingsRoot::srLocalMachine, "\\Software\\Marrowby\\App Paths",
       MachineRoot() / "Marrowby/App Paths.conf"},
      {TSettingsRoot::srCurrentUser, "Software\\Corvane\\NimbrelGL", UserRoot() / "Corvane/NimbrelGL.conf"},
      {TSettingsRoot::srCurrentUser, "\\SOFTWARE\\a\\b\\c", UserRoot() / "a/b/c.conf"},
      {TSettingsRoot::srCurrentUser, "\\Software\\Corvane", UserRoot() / "Corvane.conf"},
      {TSettingsRoot::srCurrentUser, "\\Software", {}},
      {TSettingsRoot::srCurrentUser, "\\System\\Corvane\\NimbrelGL", {}},
      {TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\", {}},
      {TSettingsRoot::srCurrentUser, "\\Software\\\\NimbrelGL", {}},
      {TSettingsRoot::srCurrentUser, "\\Software\\..\\..\\etc", {}},
      {TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\a/b", {}},
  };
  for (const TCase& c : cases) EXPECT_EQ(TSettingsKey(c.root, c.key).File(), c.expected) << c.key;
}

TEST_F(SettingsStore, RootsFollowTheEnvironmentWithItsDefaults) {
  qputenv("XDG_CONFIG_DIRS", "relative/ignored::/first:/second");
  EXPECT_EQ(SettingsRootFolder(TSettingsRoot::srLocalMachine), fs::path("/first"));
  qunsetenv("XDG_CONFIG_DIRS");
  EXPECT_EQ(SettingsRootFolder(TSettingsRoot::srLocalMachine), fs::path("/etc/xdg"));
  const QByteArray home = qgetenv("HOME");
  qputenv("HOME", "/home/someone");
  qputenv("XDG_CONFIG_HOME", "relative");  // relative paths are invalid and ignored
  EXPECT_EQ(SettingsRootFolder(TSettingsRoot::srCurrentUser), fs::path("/home/someone/.config"));
  qunsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(SettingsRootFolder(TSettingsRoot::srCurrentUser), fs::path("/home/someone/.config"));
  qputenv("HOME", home);
}

TEST_F(SettingsStore, UpdateKeepsOtherValuesAndCreatesTheFolders) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  EXPECT_FALSE(key.Exists());
  WriteFile(ProgramFile(), "\"Other\"=text:\"theirs\"\n\"Binary\"=hex:00,01\n\"ShowAll\"=int:0\n");
  ASSERT_TRUE(SetInteger(key, "ShowAll", 1));
  ASSERT_TRUE(SetInteger(key, "DisplayQuality", 3));
  const TSettingsValues values = key.Read();
  EXPECT_EQ(values.Text("Other"), "theirs");
  ASSERT_NE(values.Find("Binary"), nullptr);
  EXPECT_EQ(values.Find("Binary")->text, "hex:00,01");
  EXPECT_EQ(values.Integer("ShowAll"), 1);
  EXPECT_EQ(values.Integer("DisplayQuality"), 3);

  const TSettingsKey deep(TSettingsRoot::srLocalMachine, "\\Software\\Marrowby\\x\\y");
  ASSERT_TRUE(SetInteger(deep, "V", 1));
  EXPECT_TRUE(fs::is_regular_file(MachineRoot() / "Marrowby/x/y.conf"));
}

TEST_F(SettingsStore, AbandonedUpdateWritesNothing) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  const TSaveResult r = key.Update([](TSettingsValues& v) {
    v.SetInteger("X", 1);
    return false;
  });
  EXPECT_EQ(r.status, TSaveResult::TStatus::ssAbandoned);
  EXPECT_FALSE(fs::exists(ProgramFile()));
}

TEST_F(SettingsStore, UnusableFilesReadAsMissing) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  fs::create_directories(ProgramFile().parent_path());

  const char kGarbage[] =
      "\x7f"
      "ELF\x02\x01\x01\0\0garbage\n\"\n===\n";
  WriteFile(ProgramFile(), std::string(kGarbage, sizeof kGarbage - 1));
  EXPECT_TRUE(key.Exists());
  EXPECT_TRUE(key.Read().Empty());
  ASSERT_TRUE(SetInteger(key, "A", 1)) << "a garbage file takes a value";
  EXPECT_EQ(key.Read().Integer("A"), 1);
  EXPECT_EQ(key.Read().RejectedLines(), 3u) << "and keeps what it could not read";

  // Absurdly large: treated as missing without reading it all, and not replaced by a save.
  const std::string large = "\"A\"=int:7\n" + std::string(kMaxSettingsFileBytes, '#');
  WriteFile(ProgramFile(), large);
  EXPECT_TRUE(key.Read().Empty());
  const TSaveResult refused = key.Update([](TSettingsValues& v) {
    v.SetInteger("B", 2);
    return true;
  });
  EXPECT_EQ(refused.status, TSaveResult::TStatus::ssFailed);
  EXPECT_NE(refused.reason.find("larger than"), std::string::npos) << refused.reason;
  EXPECT_EQ(refused.reason.find("TSettingsKey"), std::string::npos) << refused.reason;
  EXPECT_EQ(ReadFile(ProgramFile()), std::optional<std::string>(large));

  // A FIFO must neither block nor count.
  fs::remove(ProgramFile());
  ASSERT_EQ(::mkfifo(ProgramFile().c_str(), 0600), 0);
  EXPECT_TRUE(key.Read().Empty());
  EXPECT_FALSE(SetInteger(key, "A", 1)) << "a FIFO is not replaced";
  EXPECT_EQ(fs::status(ProgramFile()).type(), fs::file_type::fifo);

  // A folder, and a link to a device.
  fs::remove(ProgramFile());
  fs::create_directory(ProgramFile());
  EXPECT_TRUE(key.Read().Empty());
  EXPECT_FALSE(SetInteger(key, "A", 1));
  fs::remove(ProgramFile());
  fs::create_symlink("/dev/zero", ProgramFile());
  EXPECT_TRUE(key.Read().Empty());
}

TEST_F(SettingsStore, SavesKeepUnreadableLinesInTheirPlace) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  WriteFile(ProgramFile(),
            "\"A\"=int:1\nDisplayQuality = 2 (set by hand)\r\n\"B\"=int:2\n\"C\"=int:3\n\"unfinished\n");
  ASSERT_TRUE(key.Update([](TSettingsValues& v) {
    v.SetInteger("A", 10);
    v.Remove("B");
    v.SetInteger("D", 4);
    return true;
  }));
  const std::string text = ReadFile(ProgramFile()).value_or("");
  EXPECT_EQ(text.substr(text.find('\n') + 1),
            "\"A\"=int:10\nDisplayQuality = 2 (set by hand)\r\n\"C\"=int:3\n\"unfinished\n\"D\"=int:4\n");
}

TEST_F(SettingsStore, AReadOnlyFileIsNotReplaced) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  ASSERT_TRUE(SetInteger(key, "A", 1));
  fs::permissions(ProgramFile(), fs::perms::owner_read | fs::perms::group_read);
  const std::optional<std::string> before = ReadFile(ProgramFile());
  const TSaveResult r = key.Update([](TSettingsValues& v) {
    v.SetInteger("A", 2);
    return true;
  });
  EXPECT_EQ(r.status, TSaveResult::TStatus::ssFailed);
  EXPECT_NE(r.reason.find("read-only"), std::string::npos) << r.reason;
  EXPECT_EQ(ReadFile(ProgramFile()), before);
  EXPECT_EQ(key.Read().Integer("A"), 1);
}

TEST_F(SettingsStore, SavingThroughALinkReplacesItsTarget) {
  const fs::path real = Temp() / "dotfiles" / "NimbrelGL.conf";
  WriteFile(real, "\"Kept\"=int:1\n");
  fs::create_directories(ProgramFile().parent_path());
  fs::create_symlink(real, ProgramFile());
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  ASSERT_TRUE(SetInteger(key, "New", 2));
  EXPECT_TRUE(fs::is_symlink(ProgramFile()));
  const TSettingsValues values = key.Read();
  EXPECT_EQ(values.Integer("Kept"), 1);
  EXPECT_EQ(values.Integer("New"), 2);
}

TEST_F(SettingsStore, ASaveThatWouldOverflowTheSizeLimitKeepsTheOldFile) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  ASSERT_TRUE(SetInteger(key, "A", 1));
  const TSaveResult r = key.Update([](TSettingsValues& v) {
    v.SetText("Huge", std::string(kMaxSettingsFileBytes, 'x'));
    return true;
  });
  EXPECT_EQ(r.status, TSaveResult::TStatus::ssFailed);
  EXPECT_NE(r.message.find("NimbrelGL.conf"), std::string::npos) << r.message;
  EXPECT_EQ(key.Read().Integer("A"), 1);
}

TEST_F(SettingsStore, SavesKeepTheFileModeAndLeaveNoTemporaryFiles) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, kKey);
  ASSERT_TRUE(SetInteger(key, "A", 1));
  fs::permissions(ProgramFile(), fs::perms::owner_read | fs::perms::owner_write);
  ASSERT_TRUE(SetInteger(key, "A", 2));
  EXPECT_EQ(fs::status(ProgramFile()).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write);
  for (const auto& entry : fs::directory_iterator(ProgramFile().parent_path())) {
    EXPECT_EQ(entry.path().extension(), entry.path().filename() == "NimbrelGL.conf" ? ".conf" : ".lock")
        << entry.path();
  }
}

TEST_F(SettingsStore, TwoProcessesSavingAtOnceBothKeepTheirValues) {
  constexpr int kSaves = 150;
  std::unique_ptr<QProcess> a(testing::StartHelper({"store-writer", "A", QString::number(kSaves)}));
  std::unique_ptr<QProcess> b(testing::StartHelper({"store-writer", "B", QString::number(kSaves)}));
  ASSERT_TRUE(a->waitForFinished(120000));
  ASSERT_TRUE(b->waitForFinished(120000));
  EXPECT_EQ(a->exitCode(), 0) << a->readAllStandardError().toStdString();
  EXPECT_EQ(b->exitCode(), 0) << b->readAllStandardError().toStdString();

  const TSettingsValues values =
      TSettingsKey(TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\Race").Read();
  EXPECT_EQ(values.RejectedLines(), 0u);
  int missing = 0;
  for (int i = 0; i < kSaves; ++i) {
    for (const char* prefix : {"A", "B"}) {
      if (values.Integer(Numbered(prefix, i)) != i) ++missing;
    }
  }
  EXPECT_EQ(missing, 0) << "values lost between concurrent saves";
  EXPECT_EQ(values.Text("ALast"), Numbered("A", kSaves - 1));
  EXPECT_EQ(values.Text("BLast"), Numbered("B", kSaves - 1));
}

TEST_F(SettingsStore, AWriterKilledMidwayLeavesAWholeFileAndNoLock) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\Race");
  ASSERT_TRUE(key.Update([](TSettingsValues& v) {
    v.SetText("Kept", "before");
    return true;
  }));
  std::unique_ptr<QProcess> writer(testing::StartHelper({"store-writer", "K", "100000000"}));
  ASSERT_TRUE(writer->waitForStarted());
  QElapsedTimer clock;
  clock.start();
  while (!key.Read().Integer("K20") && clock.elapsed() < 60000) QThread::msleep(5);
  writer->kill();  // SIGKILL, somewhere inside a save
  writer->waitForFinished();

  const TSettingsValues values = key.Read();
  EXPECT_EQ(values.RejectedLines(), 0u);
  EXPECT_EQ(values.Text("Kept"), "before");
  ASSERT_TRUE(values.Integer("K20"));
  const std::optional<std::string> last = values.Text("KLast");
  ASSERT_TRUE(last);
  EXPECT_TRUE(values.Integer(*last)) << "the file is one whole save: " << *last;
  EXPECT_TRUE(SetInteger(key, "After", 1)) << "the dead writer's lock is gone";
}

}  // namespace
}  // namespace nimbrel::catalogue
