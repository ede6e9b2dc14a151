#include <sys/stat.h>

#include <optional>

#include "SettingsTestSupport.h"
#include "catalogue/Companion.h"
#include "catalogue/RegistryVariables.h"

namespace nimbrel::catalogue {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TSettingsRootsTest;
using testing::WriteFile;

using RegistryVariables = TSettingsRootsTest;

std::optional<std::int32_t> StoredInteger(const fs::path& file, const char* name) {
  const std::optional<std::string> bytes = ReadFile(file);
  return bytes ? ParseSettings(*bytes).Integer(name) : std::nullopt;
}

TEST(Branding, OnlyZelvarthInAnyLetterCaseTakesTheAlternativeBranding) {
  struct TCase {
    const char* path;
    bool alternative;
    const char* baseName;
  };
  const TCase cases[] = {
      {"/opt/nimbrel/NimbrelGL", false, "NimbrelGL"},
      {"/opt/nimbrel/NimbrelGL.exe", false, "NimbrelGL"},
      {"/opt/x/ZELVARTH.EXE", true, "ZELVARTH"},
      {"/opt/x/zelvarth.exe", true, "zelvarth"},
      {"/opt/x/ZelVarth.Exe", true, "ZelVarth"},
      {"/opt/x/zelvarth", true, "zelvarth"},
      {"zelvarth.exe", true, "zelvarth"},
      {"/opt/zelvarth.exe/NimbrelGL", false, "NimbrelGL"},
      {"/opt/x/zelvarth.exe.old", false, "zelvarth.exe"},
      {"/opt/x/xzelvarth.exe", false, "xzelvarth"},
      {"/opt/x/zelvarth.com", false, "zelvarth"},
      {"/opt/x/zelvarth2", false, "zelvarth2"},
  };
  for (const TCase& c : cases) {
    ApplyBranding(c.path);
    EXPECT_EQ(CompanyKey, QString(c.alternative ? "Marrowby" : "Corvane")) << c.path;
    EXPECT_EQ(SettingsRoot, c.alternative ? TSettingsRoot::srLocalMachine : TSettingsRoot::srCurrentUser)
        << c.path;
    EXPECT_EQ(ExecutableBaseName(), QString(c.baseName)) << c.path;
  }
  ApplyBranding("/opt/nimbrel/NimbrelGL");
}

TEST_F(RegistryVariables, FirstRunTakesDefaultsAndCreatesTheKeyAtDestruction) {
  {
    TRegistryInteger quality("DisplayQuality", 1);
    TRegistryBoolean trails("ShowTrails", true);
    EXPECT_EQ(quality.Key(), QString("\\Software\\Corvane\\NimbrelGL"));
    EXPECT_EQ(quality.Root(), TSettingsRoot::srCurrentUser);
    EXPECT_EQ(quality.Value(), 1);
    EXPECT_TRUE(trails.Value());
    EXPECT_FALSE(fs::exists(ProgramFile())) << "reading creates nothing";
    quality.SetValue(4);
    EXPECT_FALSE(fs::exists(ProgramFile())) << "assigning writes nothing";
  }
  EXPECT_EQ(StoredInteger(ProgramFile(), "DisplayQuality"), 4);
  EXPECT_EQ(StoredInteger(ProgramFile(), "ShowTrails"), 1);
  const TRegistryInteger again("DisplayQuality", 1);
  EXPECT_EQ(again.Value(), 4);
}

TEST_F(RegistryVariables, StoredValuesOfTheWrongTypeReadAsMissingAndAreOverwritten) {
  WriteFile(ProgramFile(), "\"DisplayQuality\"=text:\"3\"\n\"Topography\"=int:0\n\"Mine\"=text:\"kept\"\n");
  {
    const TRegistryInteger quality("DisplayQuality", 1);
    const TRegistryInteger topography("Topography", 2);
    EXPECT_EQ(quality.Value(), 1);
    EXPECT_EQ(topography.Value(), 0);
  }
  EXPECT_EQ(StoredInteger(ProgramFile(), "DisplayQuality"), 1);
  EXPECT_NE(ReadFile(ProgramFile())->find("\"Mine\"=text:\"kept\""), std::string::npos);
}

TEST_F(RegistryVariables, BooleansReadAnyNonZeroAsTrueAndWriteOneOrZero) {
  const std::pair<const char*, bool> cases[] = {{"2", true}, {"-1", true}, {"1", true}, {"0", false}};
  for (const auto& [stored, expected] : cases) {
    WriteFile(ProgramFile(), std::string("\"ShowAll\"=int:") + stored + "\n");
    {
      const TRegistryBoolean all("ShowAll", !expected);
      EXPECT_EQ(all.Value(), expected) << stored;
    }
    EXPECT_EQ(StoredInteger(ProgramFile(), "ShowAll"), expected ? 1 : 0) << stored;
  }
}

TEST_F(RegistryVariables, RenamingTheExecutableMovesTheSettings) {
  { TRegistryInteger("NimbrelBank", 0).SetValue(2); }
  ApplyBranding("/opt/nimbrel/NimbrelGL-old");
  const TRegistryInteger bank("NimbrelBank", 0);
  EXPECT_EQ(bank.Value(), 0);
  EXPECT_EQ(bank.Key(), QString("\\Software\\Corvane\\NimbrelGL-old"));
}

TEST_F(RegistryVariables, AlternativeBrandingKeepsSettingsPerMachine) {
  ApplyBranding("/opt/x/ZelVarth.exe");
  WriteFile(UserRoot() / "Marrowby/Nimbrel.conf", "\"TwoLineDataPath\"=text:\"/srv/kepler\"\n");
  {
    TRegistryInteger quality("DisplayQuality", 1);
    EXPECT_EQ(quality.Key(), QString("\\Software\\Marrowby\\ZelVarth"));
    quality.SetValue(3);
    RegisterProgramPath();
  }
  EXPECT_EQ(StoredInteger(MachineRoot() / "Marrowby/ZelVarth.conf", "DisplayQuality"), 3);
  EXPECT_EQ(ReadProgramPath("ZelVarth"), QString("/opt/x/ZelVarth.exe"));
  EXPECT_TRUE(fs::exists(MachineRoot() / "Marrowby/App Paths.conf"));
  EXPECT_FALSE(fs::exists(UserRoot() / "Marrowby/ZelVarth.conf"));
  EXPECT_EQ(ReadCompanionText("TwoLineDataPath"), QString("/srv/kepler")) << "the companion stays per user";
}

// The child runs as an unprivileged user when the tests run as root, so read-only folders hold.
TEST_F(RegistryVariables, AlternativeBrandingWithAReadOnlyMachineRootReadsDefaultsAndStoresNothing) {
  const fs::path company = MachineRoot() / "Marrowby";
  WriteFile(company / "zelvarth.conf", "\"DisplayQuality\"=int:4\n");
  WriteFile(company / "App Paths.conf", "\"Nimbrel\"=text:\"/opt/nimbrel/Nimbrel\"\n");
  WriteFile(UserRoot() / "Marrowby/Nimbrel.conf", "\"TwoLineDataPath\"=text:\"/srv/kepler\"\n");
  const std::string before = *ReadFile(company / "zelvarth.conf");
  const std::string appPathsBefore = *ReadFile(company / "App Paths.conf");
  for (const fs::path& p : {Temp(), MachineRoot(), company, UserRoot(), UserRoot() / "Marrowby"}) {
    fs::permissions(p, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                           fs::perms::others_read | fs::perms::others_exec);
  }
  for (const fs::path& p :
       {company / "zelvarth.conf", company / "App Paths.conf", UserRoot() / "Marrowby/Nimbrel.conf"}) {
    fs::permissions(p, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  }
  fs::permissions(company, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);

  const testing::TChildResult child = testing::RunHelper({"branding-probe", "/opt/x/zelvarth"}, true);
  ASSERT_FALSE(child.crashed) << child.err.toStdString();
  ASSERT_EQ(child.exitCode, 0) << child.err.toStdString();
  const QStringList lines = child.out.split('\n', Qt::SkipEmptyParts);
  EXPECT_TRUE(lines.contains("company=Marrowby")) << child.out.toStdString();
  EXPECT_TRUE(lines.contains("machine=1")) << child.out.toStdString();
  EXPECT_TRUE(lines.contains("DisplayQuality=1")) << child.out.toStdString();
  EXPECT_TRUE(lines.contains("Nimbrel="))
      << "the companion counts as not installed: " << child.out.toStdString();
  EXPECT_TRUE(lines.contains("TwoLineDataPath=/srv/kepler")) << child.out.toStdString();
  EXPECT_EQ(*ReadFile(company / "zelvarth.conf"), before);
  EXPECT_EQ(*ReadFile(company / "App Paths.conf"), appPathsBefore);
  EXPECT_EQ(std::distance(fs::directory_iterator(company), fs::directory_iterator()), 2);
}

}  // namespace
}  // namespace nimbrel::catalogue
