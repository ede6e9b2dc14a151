// The built-in sources, the names and addresses a user may give, and what is kept in the settings.

#include "download/Sources.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "download/DownloadState.h"

namespace nimbrel::download {
namespace {

TEST(Sources, GroupsAreAskedOfCelestrakOrgAsOmmCsv) {
  EXPECT_EQ(GroupUrl(QStringLiteral("stations")).toString(),
            QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=stations&FORMAT=csv"));
  QStringList names;
  for (const TBuiltInGroup& group : BuiltInGroups()) {
    names << QString::fromLatin1(group.name);
    EXPECT_FALSE(QString::fromUtf8(group.description).isEmpty()) << group.name;
  }
  for (const char* wanted :
       {"stations", "visual",   "active",  "amateur",    "satnogs",     "weather", "noaa",
        "goes",     "resource", "sarsat",  "geo",        "gnss",        "gps-ops", "glo-ops",
        "galileo",  "beidou",   "sbas",    "science",    "geodetic",    "cubesat", "iridium-NEXT",
        "starlink", "oneweb",   "orbcomm", "globalstar", "last-30-days"}) {
    EXPECT_TRUE(names.contains(QString::fromLatin1(wanted))) << wanted;
  }
  EXPECT_EQ(names.removeDuplicates(), 0);
}

TEST(Sources, SupplementalSetsAreBuiltInAsCsvUnderTheirFileNames) {
  QStringList names;
  int supplemental = 0;
  for (const TSource& source : BuiltInSources()) {
    names << source.name.toLower();
    if (!source.name.startsWith(QStringLiteral("sup-"))) continue;
    ++supplemental;
    EXPECT_TRUE(source.builtIn);
    EXPECT_FALSE(source.description.isEmpty()) << source.name.toStdString();
    EXPECT_EQ(source.url.toString(QUrl::RemoveQuery),
              QStringLiteral("https://celestrak.org/NORAD/elements/supplemental/sup-gp.php"));
    EXPECT_TRUE(
        source.url.query().endsWith(QStringLiteral("=") + source.name.mid(4) + QStringLiteral("&FORMAT=csv")))
        << source.url.toString().toStdString();
    EXPECT_EQ(NameFromUrl(source.url), source.name);
    EXPECT_TRUE(KeepsGroupInterval(source));
  }
  EXPECT_EQ(supplemental, static_cast<int>(BuiltInSupplementalSets().size()));
  EXPECT_TRUE(names.contains(QStringLiteral("sup-iss-e")));
  EXPECT_EQ(names.removeDuplicates(), 0);
  // Beside a test server's group address too.
  EXPECT_EQ(SupplementalUrl(QStringLiteral("SOURCE"), QStringLiteral("ISS-E"),
                            QStringLiteral("http://127.0.0.1:8080/gp.php"))
                .toString(),
            QStringLiteral("http://127.0.0.1:8080/supplemental/sup-gp.php?SOURCE=ISS-E&FORMAT=csv"));
  EXPECT_EQ(TDownloadState::UserSourceProblem(QStringLiteral("SUP-ISS-E"),
                                              QUrl(QStringLiteral("https://example.org/a"))),
            QStringLiteral("\"SUP-ISS-E\" is the name of a built-in source"));
}

TEST(Sources, NamesAndAddressesAUserMayGive) {
  for (const char* good : {"a", "my-sats_2.old", "ABC"})
    EXPECT_TRUE(ValidSourceName(QString::fromLatin1(good))) << good;
  for (const char* bad : {"", ".hidden", "..", "a/b", "two words", "é"})
    EXPECT_FALSE(ValidSourceName(QString::fromUtf8(bad))) << bad;
  EXPECT_FALSE(ValidSourceName(QString(65, QLatin1Char('a'))));
  EXPECT_FALSE(UrlProblem(QUrl(QStringLiteral("http://example.org/x.txt"))));
  EXPECT_TRUE(UrlProblem(QUrl(QStringLiteral("ftp://example.org/x.txt"))));
  EXPECT_TRUE(UrlProblem(QUrl(QStringLiteral("file:///etc/passwd"))));
  EXPECT_TRUE(UrlProblem(QUrl(QStringLiteral("https:///nohost"))));
  // A CelesTrak address added by hand keeps the two-hour rule; another provider's does not.
  EXPECT_TRUE(KeepsGroupInterval(
      {QStringLiteral("sup"),
       {},
       QUrl(QStringLiteral("https://celestrak.org/NORAD/elements/supplemental/sup-gp.php?FILE=starlink")),
       false}));
  EXPECT_FALSE(KeepsGroupInterval(
      {QStringLiteral("own"), {}, QUrl(QStringLiteral("https://example.org/a.txt")), false}));
}

TEST(Sources, AddressesGiveNamesThatDoNotCollide) {
  struct TCase {
    const char* url;
    const char* name;
  } const cases[] = {
      {"https://celestrak.org/NORAD/elements/gp.php?GROUP=stations&FORMAT=csv", "stations"},
      {"https://celestrak.org/NORAD/elements/gp.php?FORMAT=tle&GROUP=stations", "stations"},
      {"https://celestrak.org/NORAD/elements/supplemental/sup-gp.php?FILE=iss&FORMAT=csv", "sup-iss"},
      {"https://celestrak.org/NORAD/elements/gp.php?CATNR=25544&FORMAT=csv", "gp-25544"},
      {"https://example.org/data/elements.txt", "elements"},
      {"https://example.org/els.php?SET=a b/c", "els-a_b_c"},
  };
  for (const TCase& c : cases)
    EXPECT_EQ(NameFromUrl(QUrl(QString::fromLatin1(c.url))), QString::fromLatin1(c.name)) << c.url;
  // The two-hour rule keys a request as CelesTrak does: FORMAT does not count.
  EXPECT_EQ(
      RequestKey(QUrl(QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=a&FORMAT=tle"))),
      RequestKey(QUrl(QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=a&FORMAT=csv"))));
  EXPECT_NE(RequestKey(QUrl(QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=a"))),
            RequestKey(QUrl(QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=b"))));
}

TEST(Sources, CelestrakIsAskedOnlyAsHttpsCelestrakOrg) {
  for (const char* old : {"http://celestrak.org/NORAD/elements/gp.php?GROUP=x",
                          "https://www.celestrak.com/NORAD/elements/gp.php?GROUP=x",
                          "http://CelesTrak.com:80/NORAD/elements/gp.php?GROUP=x"}) {
    EXPECT_EQ(CelestrakUrl(QUrl(QString::fromLatin1(old))).toString(),
              QStringLiteral("https://celestrak.org/NORAD/elements/gp.php?GROUP=x"))
        << old;
  }
  const QUrl other(QStringLiteral("http://example.org/celestrak.org/a.txt"));
  EXPECT_EQ(CelestrakUrl(other), other);
}

TEST(DownloadState, UserSourcesAreKeptAndBuiltInNamesRefused) {
  QTemporaryDir config;
  const TDownloadState state(catalogue::TSettingsKey(catalogue::TSettingsRoot::srCurrentUser,
                                                     (config.path() + QStringLiteral("/x")).toStdString()));
  // A key path outside \Software\ names no file: nothing can be saved there.
  EXPECT_TRUE(state.AddUserSource(QStringLiteral("mine"), QUrl(QStringLiteral("https://example.org/a.txt"))));

  const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
  qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
  const TDownloadState own = TDownloadState::ForProgram();
  EXPECT_FALSE(own.AddUserSource(QStringLiteral("zeta"), QUrl(QStringLiteral("https://example.org/z.txt"))));
  EXPECT_FALSE(own.AddUserSource(QStringLiteral("Alpha"), QUrl(QStringLiteral("http://example.org/a.txt"))));
  EXPECT_EQ(own.AddUserSource(QStringLiteral("Stations"), QUrl(QStringLiteral("http://example.org/s.txt"))),
            QStringLiteral("\"Stations\" is the name of a built-in source"));
  EXPECT_TRUE(own.AddUserSource(QStringLiteral("bad"), QUrl(QStringLiteral("ftp://example.org/s.txt"))));
  const std::vector<TSource> sources = own.UserSources();
  ASSERT_EQ(sources.size(), 2u);
  EXPECT_EQ(sources[0].name, QStringLiteral("Alpha"));
  EXPECT_EQ(sources[1].url, QUrl(QStringLiteral("https://example.org/z.txt")));
  // The groups, the supplemental sets, the transmitter list and the two of the user's own.
  EXPECT_EQ(own.AllSources().size(), BuiltInSources().size() + 1 + 2);
  EXPECT_TRUE(own.Find(QStringLiteral("alpha")));
  EXPECT_TRUE(own.RemoveUserSource(QStringLiteral("alpha")));
  EXPECT_FALSE(own.RemoveUserSource(QStringLiteral("alpha")));
  EXPECT_EQ(own.UserSources().size(), 1u);

  own.SetChoice({QStringLiteral("stations"), QStringLiteral("zeta")});
  EXPECT_EQ(own.Choice(), (QStringList{QStringLiteral("stations"), QStringLiteral("zeta")}));
  qputenv("XDG_CONFIG_HOME", oldConfig);
}

}  // namespace
}  // namespace nimbrel::download
