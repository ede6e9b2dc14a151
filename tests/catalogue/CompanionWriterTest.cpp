// The companion's values as the tool and the window write them, read back by the readers.

#include <QLocale>

#include "SettingsTestSupport.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/CompanionWriter.h"

namespace nimbrel::catalogue {
namespace {

using testing::ReadFile;
using testing::WriteFile;
using CompanionWriter = testing::TSettingsRootsTest;

TEST(CheckDecimal, TakesThePointAndTheLocalesSeparatorWithinItsRange) {
  const QLocale german(QLocale::German, QLocale::Germany);
  const QLocale english(QLocale::English, QLocale::UnitedKingdom);
  struct TCase {
    const char* text;
    const QLocale& locale;
    std::optional<double> value;
  };
  const TCase cases[] = {
      {"55.95", german, 55.95}, {"55,95", german, 55.95}, {" -3.19 ", english, -3.19}, {"+90", english, 90.0},
      {"55,95", english, {}},   {"1.000,5", german, {}},  {"90.0001", english, {}},    {"-90.5", english, {}},
      {"", english, {}},        {"1e1", english, {}},     {"nan", english, {}},        {"+-5", english, {}},
  };
  for (const TCase& c : cases) {
    const TCheckedNumber checked = CheckDecimal(QString::fromLatin1(c.text), -90, 90, c.locale);
    EXPECT_EQ(checked.value, c.value) << c.text;
    EXPECT_EQ(checked.problem.empty(), c.value.has_value()) << c.text;
  }
  EXPECT_EQ(CheckDecimal(u"91", -90, 90).problem, "is outside -90..90");
}

TEST(CheckCatalogueNumber, GivesTheStoredFiveCharacters) {
  EXPECT_EQ(CheckCatalogueNumber("5").number, QString("00005"));
  EXPECT_EQ(CheckCatalogueNumber("100001").number, QString("A0001"));
  EXPECT_EQ(CheckCatalogueNumber("a0001").number, QString("A0001"));
  // Zero names no satellite.
  EXPECT_TRUE(CheckCatalogueNumber("00000").number.isEmpty());
  EXPECT_TRUE(CheckCatalogueNumber("340000").number.isEmpty());
}

TEST_F(CompanionWriter, LocationsKeepTheHomeThroughEditsAndRemovals) {
  ASSERT_TRUE(AddLocation({"Edin, \"burgh\"", 55.95, -3.19, 47}));
  ASSERT_TRUE(AddLocation({"Delft", 52.1, 4.5, 0}));
  ASSERT_TRUE(SelectLocation(1));
  ASSERT_TRUE(ReplaceLocation(0, {"Leith", 55.98, -3.17, 5}));
  QStringList items = SplitCommaList(ReadCompanionText(kLocationList));
  ASSERT_EQ(items.size(), 2);
  EXPECT_EQ(SplitCommaList(items[0]), QStringList({"Leith", "-3.17", "55.98", "5", "0"}));
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 1);
  ASSERT_TRUE(RemoveLocation(0));  // the home moves up with its item
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 0);
  EXPECT_EQ(ReplaceLocation(3, {"X", 0, 0, 0}).status, TCompanionWrite::TStatus::cwRefused);
  EXPECT_EQ(SplitCommaList(ReadCompanionText(kLocationList)).size(), 1);
}

// nimbrel-settings may change the list while the window shows it: a change means the item that was
// shown, wherever it is now, and never the one that took its place.
TEST_F(CompanionWriter, ShownLocationsAreChangedByWhatWasShownNotByTheirPlace) {
  ASSERT_TRUE(AddLocation({"Leith", 55.98, -3.17, 5}));
  ASSERT_TRUE(AddLocation({"Delft", 52.1, 4.5, 0}));
  ASSERT_TRUE(AddLocation({"Oslo", 59.9, 10.7, 20}));
  auto items = [] { return SplitCommaList(ReadCompanionText(kLocationList)); };
  const QStringList shown = items();
  const TShownLocation delft{1, shown[1]}, oslo{2, shown[2]}, leith{0, shown[0]};
  ASSERT_TRUE(RemoveLocation(0));     // another program removes the first row meanwhile
  ASSERT_TRUE(SelectLocation(oslo));  // now the second row, but still Oslo
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 1);
  ASSERT_TRUE(ReplaceLocation(delft, {"Delft", 52.0, 4.4, 1}));
  EXPECT_EQ(SplitCommaList(items()[0]).at(2), QString("52"));
  EXPECT_EQ(items()[1], shown[2]);
  // Gone, or edited by the other program: refused, and nothing changes.
  const QStringList before = items();
  const TCompanionWrite gone = RemoveLocation(leith);
  EXPECT_EQ(gone.status, TCompanionWrite::TStatus::cwRefused);
  EXPECT_EQ(gone.message, "\"Leith\" is no longer stored as it was shown");
  EXPECT_EQ(ReplaceLocation(delft, {"X", 0, 0, 0}).status, TCompanionWrite::TStatus::cwRefused);
  EXPECT_EQ(SelectLocation(leith).status, TCompanionWrite::TStatus::cwRefused);
  EXPECT_EQ(items(), before);
  EXPECT_EQ(ReadCompanionInteger(kLocationNum), 1);
}

TEST_F(CompanionWriter, ARegisteredCompanionOwnsItsValuesAndNothingIsWritten) {
  ASSERT_TRUE(WritePrimary("25544"));
  const std::string before = *ReadFile(CompanionFile());
  WriteFile(UserRoot() / "Corvane/App Paths.conf", "\"Nimbrel\"=text:\"/opt/nimbrel/Nimbrel.exe\"\n");
  ASSERT_TRUE(CompanionOwnsSettings());
  const TCompanionWrite writes[] = {WriteDataFolder("/tmp"), AddLocation({"X", 1, 2, 3}),
                                    SelectLocation(0),       RemoveLocation(0),
                                    WritePrimary("20580"),   WriteActiveList(0, {"20580"})};
  for (const TCompanionWrite& write : writes) {
    EXPECT_EQ(write.status, TCompanionWrite::TStatus::cwOwnedByCompanion);
    EXPECT_NE(write.message.find("Nimbrel"), std::string::npos);
  }
  EXPECT_EQ(*ReadFile(CompanionFile()), before);
}

}  // namespace
}  // namespace nimbrel::catalogue
