// nimbrel-settings writes what the program's own readers read back.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include "SettingsTestSupport.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"

namespace nimbrel::catalogue {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TSettingsRootsTest;

struct TRun {
  int exitCode = -1;
  QString out;
  QString err;
};

class SettingsTool : public TSettingsRootsTest {
 protected:
  void SetUp() override {
    TSettingsRootsTest::SetUp();
#ifndef NIMBREL_SETTINGS_EXE
    GTEST_SKIP() << "nimbrel-settings is not built";
#endif
  }

  static TRun Run(const QStringList& args) {
    QProcess p;
#ifdef NIMBREL_SETTINGS_EXE
    p.setProgram(NIMBREL_SETTINGS_EXE);
#endif
    p.setArguments(args);
    p.start();
    TRun r;
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit) return r;
    r.exitCode = p.exitCode();
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
  }

  static void Ok(const QStringList& args) {
    const TRun r = Run(args);
    EXPECT_EQ(r.exitCode, 0) << args.join(' ').toStdString() << ": " << r.err.toStdString();
  }

  static QStringList Locations() {
    return SplitCommaList(ReadCompanionText(kLocationList));
  }
};

TEST_F(SettingsTool, DataFolderIsStoredAbsolute) {
  const QString folder = QString::fromStdString(Temp().string()) + "/kepler data";
  ASSERT_TRUE(QDir().mkpath(folder));
  Ok({"set-data-folder", folder + "/../kepler data/"});
  EXPECT_EQ(ReadCompanionText(kTwoLineDataPath), folder);
}

TEST_F(SettingsTool, LocationsReadBackAsFiveFieldItems) {
  Ok({"add-location", "Edin, \"burgh\"", "--lat", "55.95", "--lon", "-3.19", "--alt", "47"});
  Ok({"add-location", "Delft", "--lon=4.5", "--lat=52.1"});
  const QStringList items = Locations();
  ASSERT_EQ(items.size(), 2);
  const QStringList first = SplitCommaList(items[0]);
  EXPECT_EQ(first, QStringList({"Edin, \"burgh\"", "-3.19", "55.95", "47", "0"}));
  EXPECT_EQ(SplitCommaList(items[1]), QStringList({"Delft", "4.5", "52.1", "0", "0"}));
  // Read with the program's reader in a comma locale: "." is still the decimal point.
  const QLocale german(QLocale::German, QLocale::Germany);
  EXPECT_EQ(ReadLocationReal(first[kLocationLongitudeField], german), -3.19f);
  EXPECT_EQ(ReadLocationReal(first[kLocationLatitudeField], german), 55.95f);

  Ok({"select-location", "2"});
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 1);
  Ok({"add-location", "Third", "--lat", "0", "--lon", "0"});
  Ok({"remove-location", "1"});  // the home moves up with its item
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 0);
  EXPECT_EQ(SplitCommaList(Locations().value(0)).value(0), QString("Delft"));
  Ok({"select-location", "2"});
  Ok({"remove-location", "2"});  // the home itself goes: the first takes over
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 0);
  EXPECT_EQ(Locations().size(), 1);
}

TEST_F(SettingsTool, PrimaryAndActiveListsAreFiveCharacterCatalogueNumbers) {
  Ok({"set-primary", "5"});
  EXPECT_EQ(ReadCompanionText(kPrimarySatCatNumber), QString("00005"));
  Ok({"set-active-list", "1", "25544", "20580"});
  Ok({"set-active-list", "3", "7"});
  EXPECT_EQ(SplitCommaList(ReadCompanionText(ActiveListValueName(0))), QStringList({"25544", "20580"}));
  EXPECT_EQ(SplitCommaList(ReadCompanionText(ActiveListValueName(2))), QStringList({"00007"}));
  EXPECT_EQ(ReadCompanionText(ActiveListValueName(1)), QString());
  Ok({"set-active-list", "1"});
  EXPECT_TRUE(SplitCommaList(ReadCompanionText(ActiveListValueName(0))).isEmpty());
}

TEST_F(SettingsTool, SixDigitNumbersAreStoredInAlpha5Form) {
  Ok({"set-primary", "100001"});
  EXPECT_EQ(ReadCompanionText(kPrimarySatCatNumber), QString("A0001"));
  Ok({"set-primary", "z9999"});
  EXPECT_EQ(ReadCompanionText(kPrimarySatCatNumber), QString("Z9999"));
  Ok({"set-active-list", "2", "99999", "100000", "339999", "0100002", "a0003"});
  EXPECT_EQ(SplitCommaList(ReadCompanionText(ActiveListValueName(1))),
            QStringList({"99999", "A0000", "Z9999", "A0002", "A0003"}));
}

TEST_F(SettingsTool, ShowListsWhatWasWritten) {
  Ok({"add-location", "Delft", "--lat", "52.1", "--lon", "4.5"});
  Ok({"set-primary", "25544"});
  const TRun r = Run({"show"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(r.out.contains("* 1. Delft")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains("25544")) << r.out.toStdString();
  EXPECT_TRUE(r.out.contains(QString::fromStdString(CompanionFile().string()))) << r.out.toStdString();
}

TEST_F(SettingsTool, BadInputIsOneLineNamingTheArgumentAndWritesNothing) {
  Ok({"add-location", "Delft", "--lat", "52.1", "--lon", "4.5"});
  const std::string before = *ReadFile(CompanionFile());
  struct TCase {
    QStringList args;
    const char* mentions;
  };
  const std::vector<TCase> cases = {
      {{"add-location", "X", "--lat", "90.5", "--lon", "0"}, "--lat '90.5'"},
      {{"add-location", "X", "--lat", "4,5", "--lon", "0"}, "--lat '4,5'"},
      {{"add-location", "X", "--lat", "1", "--lon", "181"}, "--lon '181'"},
      {{"add-location", "X", "--lat", "1"}, "--lon"},
      {{"add-location", "X", "--lat", "1", "--lon", "1", "--alt", "high"}, "--alt 'high'"},
      {{"add-location", "--lat", "1", "--lon", "1"}, "NAME"},
      {{"add-location", "X", "--lat", "1", "--lon", "1", "--height", "2"}, "--height"},
      {{"set-active-list", "4", "25544"}, "BANK '4'"},
      {{"set-active-list", "0"}, "BANK '0'"},
      {{"set-active-list", "1", "25544", "340000"}, "CATNUM '340000' is above 339999"},
      {{"set-primary", "99999999999999999999"}, "is above 339999"},
      {{"set-primary", "I0000"}, "CATNUM 'I0000'"},
      {{"set-primary", "A00001"}, "CATNUM 'A00001'"},
      {{"set-active-list", "1", "25a44"}, "CATNUM '25a44'"},
      {{"set-primary", ""}, "CATNUM ''"},
      {{"set-primary", "-5"}, "CATNUM '-5'"},
      {{"remove-location", "2"}, "N '2'"},
      {{"remove-location", "0"}, "N '0'"},
      {{"select-location", "x"}, "N 'x'"},
      {{"set-data-folder", "/nonexistent/folder"}, "'/nonexistent/folder'"},
      {{"set-data-folder"}, "set-data-folder"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{}, "no command"},
  };
  for (const TCase& c : cases) {
    const TRun r = Run(c.args);
    const std::string what = c.args.join(' ').toStdString();
    EXPECT_NE(r.exitCode, 0) << what;
    EXPECT_TRUE(r.err.contains(c.mentions)) << what << " -> " << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << what << " -> " << r.err.toStdString();
    EXPECT_TRUE(r.out.isEmpty()) << what;
    EXPECT_EQ(*ReadFile(CompanionFile()), before) << what;
  }
}

TEST_F(SettingsTool, AFileItCannotReadWholeOrMayNotWriteIsLeftAsItWas) {
  const auto refused = [&](const char* mentions) {
    const std::optional<std::string> before = ReadFile(CompanionFile());
    const TRun r = Run({"set-primary", "20580"});
    EXPECT_EQ(r.exitCode, 1) << mentions;
    EXPECT_TRUE(r.err.contains(mentions)) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains("TSettingsKey")) << r.err.toStdString();
    EXPECT_EQ(r.err.count('\n'), 1) << r.err.toStdString();
    EXPECT_EQ(ReadFile(CompanionFile()), before) << mentions;
  };
  Ok({"set-primary", "25544"});
  fs::permissions(CompanionFile(), fs::perms::owner_read);
  refused("read-only");
  fs::permissions(CompanionFile(), fs::perms::owner_read | fs::perms::owner_write);
  testing::WriteFile(CompanionFile(), "\"PrimarySatCatNumber\"=text:\"25544\"\n" + std::string(2 << 20, '#'));
  refused("larger than");
}

TEST_F(SettingsTool, HelpListsEveryCommandWithAnExample) {
  const TRun r = Run({"--help"});
  EXPECT_EQ(r.exitCode, 0);
  for (const char* command : {"show", "set-data-folder", "add-location", "remove-location", "select-location",
                              "set-primary", "set-active-list"}) {
    EXPECT_TRUE(r.out.contains(QString("nimbrel-settings ") + command)) << command;
  }
}

}  // namespace
}  // namespace nimbrel::catalogue
