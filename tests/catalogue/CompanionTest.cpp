#include <QLocale>
#include <cmath>

#include "SettingsTestSupport.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/RegistryVariables.h"

namespace nimbrel::catalogue {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TSettingsRootsTest;
using testing::WriteFile;

using Companion = TSettingsRootsTest;

TEST(CommaList, SplitsByTheCompanionsRules) {
  struct TCase {
    const char* what;
    QString text;
    QStringList items;
  };
  const std::vector<TCase> cases = {
      {"empty", "", {}},
      {"only blanks", " \t\r\n ", {}},
      {"commas", "25544,20580,27607", {"25544", "20580", "27607"}},
      {"spaces separate like commas", "25544 20580  27607", {"25544", "20580", "27607"}},
      {"blanks around commas", "  25544 , 20580\t,\n27607  ", {"25544", "20580", "27607"}},
      {"two commas give an empty item", "a,,b", {"a", "", "b"}},
      {"leading comma gives an empty item", ",a", {"", "a"}},
      {"trailing comma gives none", "a,", {"a"}},
      {"lone comma", ",", {""}},
      {"quoted item keeps commas and spaces",
       "\"Home, sweet,-3.2,56,0,0\",x",
       {"Home, sweet,-3.2,56,0,0", "x"}},
      {"doubled quotes", R"("say ""hi""",b)", {"say \"hi\"", "b"}},
      {"empty quotes", R"("",a)", {"", "a"}},
      {"quote inside an unquoted item", R"(ab"c,d)", {"ab\"c", "d"}},
      {"text right after a closing quote", R"("ab"cd)", {"ab", "cd"}},
      {"no closing quote runs to the end", R"("ab, cd)", {"ab, cd"}},
      {"a NUL ends the text", QString("a,b") + QChar(0) + "c,d", {"a", "b"}},
      {"a leading NUL leaves nothing", QString(QChar(0)) + "a", {}},
  };
  for (const TCase& c : cases) EXPECT_EQ(SplitCommaList(c.text), c.items) << c.what;
}

TEST(CommaList, JoinReadsBackAsTheSameItems) {
  const std::vector<QStringList> lists = {
      {},
      {""},
      {"", ""},
      {"a", "", "b"},
      {"Edinburgh", "-3.19", "55.95", "47", "0"},
      {"with space", "with,comma", "with\"quote", "\"", "\t", "line\nbreak"},
      {"\"Home,4.5,52.1,0,0\"", "ok"},
  };
  for (const QStringList& items : lists) {
    const QString text = JoinCommaList(items);
    EXPECT_EQ(SplitCommaList(text), items) << text.toStdString();
  }
  EXPECT_EQ(JoinCommaList({"25544", "20580"}), QString("25544,20580"));
}

TEST(LocationReal, ReadsThePointInEveryLocaleAndTheLocalesOwnSeparator) {
  const QLocale c = QLocale::c();
  const QLocale german(QLocale::German, QLocale::Germany);
  ASSERT_EQ(german.decimalPoint(), QString(","));
  struct TCase {
    const char* text;
    const QLocale& locale;
    std::optional<float> expected;
  };
  const std::vector<TCase> cases = {
      {"4.5", c, 4.5f},
      {"4.5", german, 4.5f},
      {"-3.2", german, -3.2f},
      {" +56 ", c, 56.0f},
      {"1e1", c, 10.0f},
      {".5", c, 0.5f},
      {"4,5", german, 4.5f},  // as the companion writes it in a German locale
      {"-13,25", german, -13.25f},
      {"4,5", c, std::nullopt},
      {"4,5,6", german, std::nullopt},
      {"4.5,6", german, std::nullopt},
      {"", c, std::nullopt},
      {"abc", c, std::nullopt},
      {"4.5x", c, std::nullopt},
      {"+-1", c, std::nullopt},
      {"nan", c, std::nullopt},
      {"inf", c, std::nullopt},
      {"1e39", c, std::nullopt},
  };
  for (const TCase& t : cases) EXPECT_EQ(ReadLocationReal(QString(t.text), t.locale), t.expected) << t.text;

  // A locale whose separator is neither a point nor a comma (Arabic uses U+066B).
  const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
  const QString separator = arabic.decimalPoint();
  if (separator != "." && separator != ",") {
    EXPECT_EQ(ReadLocationReal(QString("4") + separator + "5", arabic), 4.5f);
    EXPECT_EQ(ReadLocationReal(QString("4.5"), arabic), 4.5f);
  }
}

TEST(ReadLocationHeightM, IsTheFieldInMetresAndZeroForAnythingElse) {
  const QLocale c = QLocale::c();
  EXPECT_DOUBLE_EQ(ReadLocationHeightM(u"47", c), 47.0);
  EXPECT_DOUBLE_EQ(ReadLocationHeightM(u" -12.5 ", c), -12.5);
  for (const char16_t* text : {u"", u"0", u"high", u"nan", u"1e39", u"100001", u"-1001"})
    EXPECT_DOUBLE_EQ(ReadLocationHeightM(text, c), 0.0) << QString::fromUtf16(text).toStdString();
}

TEST_F(Companion, WithoutItsKeyEveryReadIsEmptyAndNothingIsCreated) {
  EXPECT_EQ(ReadCompanionText("TwoLineDataPath"), QString());
  EXPECT_EQ(ReadCompanionInteger("LocationNum"), 0);
  EXPECT_EQ(ReadProgramPath("Nimbrel"), QString());
  EXPECT_FALSE(fs::exists(UserRoot()));
}

TEST_F(Companion, ReadsValuesOfTheirOwnTypeOnlyAndNeverWrites) {
  const std::string stored =
      "\"TwoLineDataPath\"=text:\"/srv/kepler\"\n"
      "\"PrimarySatCatNumber\"=text:\"25544\"\n"
      "\"LocationNum\"=int:-3\n"
      "\"ActiveList1\"=int:5\n"
      "\"ActiveList2\"=text:\"25544 20580\"\n";
  WriteFile(CompanionFile(), stored);
  EXPECT_EQ(ReadCompanionText("TwoLineDataPath"), QString("/srv/kepler"));
  EXPECT_EQ(ReadCompanionText("twolinedatapath"), QString("/srv/kepler")) << "value names ignore case";
  EXPECT_EQ(ReadCompanionText("PrimarySatCatNumber"), QString("25544"));
  EXPECT_EQ(ReadCompanionInteger("LocationNum"), -3);
  EXPECT_EQ(LocationIndex(ReadCompanionInteger("LocationNum")), 0);
  EXPECT_EQ(ReadCompanionText("ActiveList1"), QString()) << "an integer where a text belongs";
  EXPECT_EQ(ReadCompanionInteger("TwoLineDataPath"), 0) << "a text where an integer belongs";
  EXPECT_EQ(ReadCompanionText("Missing"), QString());
  EXPECT_EQ(SplitCommaList(ReadCompanionText(ActiveListValueName(2))), QStringList({"25544", "20580"}));
  EXPECT_EQ(*ReadFile(CompanionFile()), stored);
}

TEST_F(Companion, TwoLineDataPathStoredAsAnIntegerReadsEmpty) {
  WriteFile(CompanionFile(), "\"TwoLineDataPath\"=int:7\n");
  EXPECT_EQ(ReadCompanionText("TwoLineDataPath"), QString());
}

TEST_F(Companion, BanksSelectTheirActiveList) {
  EXPECT_EQ(ActiveListValueName(0), QString("ActiveList"));
  EXPECT_EQ(ActiveListValueName(1), QString("ActiveList1"));
  EXPECT_EQ(ActiveListValueName(2), QString("ActiveList2"));
  EXPECT_EQ(ActiveListValueName(3), QString());
  EXPECT_EQ(ActiveListValueName(-1), QString());
}

TEST_F(Companion, RegistrationFindsThePathUnderTheProgramsBaseName) {
  ApplyBranding("/opt/nimbrel/NimbrelGL.exe");
  RegisterProgramPath();
  EXPECT_EQ(ReadProgramPath("NimbrelGL"), QString("/opt/nimbrel/NimbrelGL.exe"));
  EXPECT_TRUE(fs::exists(UserRoot() / "Corvane/App Paths.conf"));
  EXPECT_EQ(ReadProgramPath("Nimbrel"), QString());
  WriteFile(UserRoot() / "Corvane/App Paths.conf", "\"Nimbrel\"=text:\"/opt/nimbrel/Nimbrel.exe\"\n");
  RegisterProgramPath();
  EXPECT_EQ(ReadProgramPath("Nimbrel"), QString("/opt/nimbrel/Nimbrel.exe")) << "other entries are kept";
  EXPECT_EQ(ReadProgramPath("NimbrelGL"), QString("/opt/nimbrel/NimbrelGL.exe"));
}

// The home location as the window reads it: the item "LocationNum" selects, split again, five fields.
struct THome {
  bool found = false;
  float lon = 0.0f;
  float lat = 0.0f;
};
THome ReadHome(const QLocale& locale = QLocale::c()) {
  const QStringList list = SplitCommaList(ReadCompanionText(kLocationList));
  const int index = LocationIndex(ReadCompanionInteger(kLocationNum));
  if (index >= list.size()) return {};
  const QStringList fields = SplitCommaList(list[index]);
  if (fields.size() != kLocationFieldCount) return {};
  const auto lon = ReadLocationReal(fields[kLocationLongitudeField], locale);
  const auto lat = ReadLocationReal(fields[kLocationLatitudeField], locale);
  if (!lon || !lat) return {};
  return {true, *lon, *lat};
}

TEST_F(Companion, LocationItemsNeedExactlyFiveFields) {
  struct TCase {
    const char* what;
    const char* list;
    int num;
    THome expected;
  };
  const std::vector<TCase> cases = {
      {"quoted five fields", R"("Home,4.5,52.1,0,0")", 0, {true, 4.5f, 52.1f}},
      {"second item", R"("A,1,2,0,0","B,4.5,52.1,0,0")", 1, {true, 4.5f, 52.1f}},
      {"negative number selects the first", R"("A,1,2,0,0","B,4.5,52.1,0,0")", -3, {true, 1.0f, 2.0f}},
      {"number beyond the list", R"("A,1,2,0,0","B,3,4,0,0","C,5,6,0,0")", 5, {}},
      {"four fields", R"("Home,4.5,52.1,0")", 0, {}},
      {"six fields", R"("Home,4.5,52.1,0,0,0")", 0, {}},
      {"a comma as decimal separator cuts fields", R"("Home,4,5,52,1,0,0")", 0, {}},
      {"quoted name with a comma", R"("""Edin, burgh"",-3.19,55.95,47,0")", 0, {true, -3.19f, 55.95f}},
      {"space-separated fields", R"("Home 4.5 52.1 0 0")", 0, {true, 4.5f, 52.1f}},
      {"not a number", R"("Home,east,52.1,0,0")", 0, {}},
  };
  for (const TCase& c : cases) {
    WriteFile(CompanionFile(), std::string("\"LocationList\"=text:\"") +
                                   QString(c.list).replace("\\", "\\\\").replace("\"", "\\\"").toStdString() +
                                   "\"\n\"LocationNum\"=int:" + std::to_string(c.num) + "\n");
    const THome home = ReadHome();
    EXPECT_EQ(home.found, c.expected.found) << c.what;
    EXPECT_EQ(home.lon, c.expected.lon) << c.what;
    EXPECT_EQ(home.lat, c.expected.lat) << c.what;
  }
  // As the companion writes a location in a German locale: the quoted numbers keep their commas.
  WriteFile(CompanionFile(), R"("LocationList"=text:"\"Home,\"\"13,4\"\",\"\"52,5\"\",0,0\"")"
                             "\n\"LocationNum\"=int:0\n");
  const THome german = ReadHome(QLocale(QLocale::German, QLocale::Germany));
  EXPECT_TRUE(german.found);
  EXPECT_EQ(german.lon, 13.4f);
  EXPECT_EQ(german.lat, 52.5f);
}

}  // namespace
}  // namespace nimbrel::catalogue
