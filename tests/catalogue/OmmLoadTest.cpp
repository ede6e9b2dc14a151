// Loading OMM files (CSV, XML, JSON) into the catalogue beside two-line files.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "KeplerTestData.h"
#include "OmmTestData.h"
#include "catalogue/KeplerFile.h"
#include "catalogue/OmmReaders.h"
#include "catalogue/SatelliteList.h"
#include "orbit/OrbitConstants.h"

namespace nimbrel::catalogue {
namespace {

using testing::FieldLists;
using testing::OmmCsv;
using testing::OmmJson;
using testing::OmmSamples;
using testing::OmmXml;
using testing::Record;
using testing::TOmmFieldList;
using testing::TScratchFolder;
using testing::WithField;

TSatelliteList Loaded(const std::string& text) {
  TSatelliteList list;
  list.LoadFromText(text);
  return list;
}

std::vector<std::string> Names(const TSatelliteList& list) {
  std::vector<std::string> names;
  for (int i = 0; i < list.Count(); ++i) names.push_back(list.NameAt(i));
  return names;
}

double DistanceKm(const orbit::Vector4& a, const orbit::Vector4& b) {
  return std::hypot(a.x - b.x, a.y - b.y, a.z - b.z) * orbit::kXkmper;
}

// The same satellite: the same texts, the same elements, the epoch to the lines' eight decimals of a
// day, the same model, and positions within a metre from a day before the epoch to a week after.
void ExpectSameSatellite(const orbit::TSatellite& lines, orbit::TSatellite omm, const std::string& what) {
  SCOPED_TRACE(what + " " + lines.Name());
  EXPECT_EQ(omm.Name(), lines.Name());
  EXPECT_EQ(omm.CatalogueNumber(), lines.CatalogueNumber());
  EXPECT_EQ(omm.ElementSetNumber(), lines.ElementSetNumber());
  EXPECT_EQ(omm.DeepSpace(), lines.DeepSpace());
  EXPECT_EQ(omm.RevolutionAtEpoch(), lines.RevolutionAtEpoch());
  EXPECT_NEAR(omm.EpochRaw(), lines.EpochRaw(), 1e-8);
  EXPECT_NEAR(omm.EpochJD(), lines.EpochJD(), 1e-8);
  const struct {
    const char* name;
    double omm;
    double lines;
  } elements[] = {
      {"inclination", omm.Inclination(), lines.Inclination()},
      {"right ascension", omm.RightAscension(), lines.RightAscension()},
      {"eccentricity", omm.Eccentricity(), lines.Eccentricity()},
      {"argument of perigee", omm.ArgumentOfPerigee(), lines.ArgumentOfPerigee()},
      {"mean anomaly", omm.MeanAnomaly(), lines.MeanAnomaly()},
      {"mean motion", omm.MeanMotion(), lines.MeanMotion()},
      {"first derivative", omm.MeanMotionDot(), lines.MeanMotionDot()},
      {"second derivative", omm.MeanMotionDdot(), lines.MeanMotionDdot()},
      {"B*", omm.BStar(), lines.BStar()},
  };
  for (const auto& e : elements) EXPECT_NEAR(e.omm, e.lines, std::fabs(e.lines) * 1e-14) << e.name;

  orbit::TSatellite fromLines = lines;
  for (const double minutes : {-1440.0, 0.0, 360.0, 1440.0, 10080.0}) {
    const double jd = lines.EpochJD() + minutes / orbit::kMinutesPerDay;
    orbit::Vector4 p1, v1, p2, v2;
    fromLines.Propagate(jd, p1, v1);
    omm.Propagate(jd, p2, v2);
    EXPECT_LT(DistanceKm(p1, p2) * 1000.0, 1.0) << minutes << " min";
    EXPECT_LT(DistanceKm(v1, v2) / 60.0 * 1e6, 1.0) << minutes << " min (mm/s)";
  }
}

TEST(OmmLoad, EveryFormGivesTheSatellitesOfTheElementLines) {
  const auto samples = OmmSamples();
  const TSatelliteList lines = Loaded(testing::TwoLineText(samples));
  ASSERT_EQ(lines.Count(), static_cast<int>(samples.size()));
  const auto records = FieldLists(samples);
  const struct {
    const char* what;
    std::string text;
  } forms[] = {
      {"CSV", OmmCsv(records)},
      {"XML", OmmXml(records)},
      {"JSON numbers", OmmJson(records, false)},
      {"JSON strings", OmmJson(records, true)},
  };
  for (const auto& form : forms) {
    const TSatelliteList omm = Loaded(form.text);
    ASSERT_EQ(Names(omm), Names(lines)) << form.what;
    for (int i = 0; i < lines.Count(); ++i)
      ExpectSameSatellite(lines.SatelliteAt(i), omm.SatelliteAt(i), form.what);
  }
}

TEST(OmmLoad, LargeNumbersGetTheirFiveCharacterText) {
  const struct {
    const char* number;
    const char* text;
  } cases[] = {
      {"1", "00001"},      {"99999", "99999"},  {"100000", "A0000"}, {"100001", "A0001"},
      {"180000", "J0000"}, {"230000", "P0000"}, {"339999", "Z9999"}, {"340000", "340000"},
  };
  std::vector<TOmmFieldList> records;
  for (const auto& c : cases) {
    records.push_back(WithField(WithField(OmmSamples()[0].fields, "NORAD_CAT_ID", c.number), "OBJECT_NAME",
                                (std::string("SAT ") + c.number).c_str()));
  }
  const TSatelliteList list = Loaded(OmmCsv(records));
  ASSERT_EQ(list.Count(), static_cast<int>(std::size(cases)));
  for (const auto& c : cases) {
    const int index = list.IndexOf(std::string("SAT ") + c.number);
    ASSERT_GE(index, 0) << c.number;
    EXPECT_EQ(list.CatalogueNumberAt(index), c.text) << c.number;
    EXPECT_EQ(list.IndexOfCatalogueNumber(c.text), index) << c.number;
  }
  EXPECT_EQ(list.IndexOfCatalogueNumber("a0001"), list.IndexOf("SAT 100001"));
  // No five-character text names 340000; its own text finds it, a shorter one does not.
  EXPECT_EQ(list.IndexOfCatalogueNumber("4000"), -1);
}

TEST(OmmLoad, OneEntryPerSatelliteAcrossFormsAndTheNewestWins) {
  const std::string early = "2006-01-03T12:00:00";
  const std::string late = "2006-01-04T12:00:00";
  const auto omm = [](const char* number, const std::string& epoch, const char* name) {
    return WithField(
        WithField(WithField(OmmSamples()[0].fields, "NORAD_CAT_ID", number), "EPOCH", epoch.c_str()),
        "OBJECT_NAME", name);
  };
  const struct {
    const char* what;
    const char* tleEpoch;
    std::string ommEpoch;
    const char* name;
  } cases[] = {
      {"OMM newer", "06003.50000000", late, "IN OMM"},
      {"lines newer", "06004.50000000", early, "IN LINES"},
      {"equal epochs: the file read first stays", "06003.50000000", early, "IN LINES"},
      // 30 microseconds are below the lines' precision and come out one step of a double later.
      {"OMM later by less than the lines can tell", "06003.50000000", "2006-01-03T12:00:00.00003",
       "IN LINES"},
      {"OMM later by a millisecond", "06003.50000000", "2006-01-03T12:00:00.001", "IN OMM"},
  };
  for (const auto& c : cases) {
    const struct {
      const char* file;
      std::string content;
    } files[] = {
        {"b.csv", OmmCsv({omm("25544", c.ommEpoch, "in omm"), omm("100001", c.ommEpoch, "new in omm")})},
        {"c.xml", OmmXml({omm("25544", c.ommEpoch, "in omm"), omm("100001", c.ommEpoch, "new in omm")})},
        {"d.json",
         OmmJson({omm("25544", c.ommEpoch, "in omm"), omm("100001", c.ommEpoch, "new in omm")}, false)},
    };
    for (const auto& f : files) {
      TScratchFolder folder;
      folder.Write("a.tle",
                   Record("in lines", "25544", c.tleEpoch) + Record("new in lines", "A0001", c.tleEpoch));
      folder.Write(f.file, f.content);
      const TSatelliteList list = TSatelliteList::Create(folder.Folder());
      const std::string what = std::string(c.what) + ", " + f.file;
      EXPECT_TRUE(list.UnreadableFiles().empty()) << what;
      ASSERT_EQ(list.Count(), 2) << what;
      EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("25544")), c.name) << what;
      EXPECT_EQ(list.NameAt(list.IndexOfCatalogueNumber("A0001")), std::string("NEW ") + c.name) << what;
    }
  }
}

TEST(OmmLoad, CsvColumnsInAnyOrderWithOthersBetween) {
  const TOmmFieldList iss = OmmSamples()[0].fields;
  TOmmFieldList shuffled(iss.rbegin(), iss.rend());
  shuffled.insert(shuffled.begin() + 3, {"RCS_SIZE", "LARGE"});
  shuffled.emplace_back("TLE_LINE1", "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844");
  const TSatelliteList ordered = Loaded(OmmCsv({iss}));
  const TSatelliteList other = Loaded(OmmCsv({shuffled}));
  ASSERT_EQ(ordered.Count(), 1);
  ASSERT_EQ(other.Count(), 1);
  ExpectSameSatellite(ordered.SatelliteAt(0), other.SatelliteAt(0), "reversed columns");
}

TEST(OmmLoad, CsvQuotingAndNames) {
  const TOmmFieldList iss = OmmSamples()[0].fields;
  const struct {
    const char* given;
    const char* name;
  } cases[] = {
      {"DEB, PIECE \"A\"", "DEB, PIECE \"A\""},
      {"  line\r\nbreak  ", "LINE  BREAK"},
      {"a name much longer than twenty-four characters", "A NAME MUCH LONGER THAN"},
      {" noaa-n ", "NOAA 18"},
  };
  std::vector<TOmmFieldList> records;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    records.push_back(WithField(WithField(iss, "OBJECT_NAME", cases[i].given), "NORAD_CAT_ID",
                                std::to_string(10 + i).c_str()));
  }
  const TSatelliteList list = Loaded(OmmCsv(records));
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const int index = list.IndexOfCatalogueNumber("000" + std::to_string(10 + i));
    ASSERT_GE(index, 0) << cases[i].given;
    EXPECT_EQ(list.NameAt(index), cases[i].name);
  }
  // LF line ends and a header in quotes read the same.
  std::string lf = OmmCsv({WithField(iss, "OBJECT_NAME", "DEB, PIECE \"A\"")});
  for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  lf.replace(0, 11, "\"OBJECT_NAME\"");
  const TSatelliteList fromLf = Loaded(lf);
  ASSERT_EQ(fromLf.Count(), 1) << lf;
  EXPECT_EQ(fromLf.NameAt(0), "DEB, PIECE \"A\"");
}

TEST(OmmLoad, NamelessRecordsShowUnderTheirDesignatorOrNumber) {
  const TOmmFieldList iss = OmmSamples()[0].fields;
  const TSatelliteList list =
      Loaded(OmmJson({WithField(iss, "OBJECT_NAME", nullptr),
                      WithField(WithField(WithField(iss, "OBJECT_NAME", " "), "OBJECT_ID", nullptr),
                                "NORAD_CAT_ID", "339999")},
                     false));
  EXPECT_EQ(Names(list), (std::vector<std::string>{"1998-067A", "Z9999"}));
}

// Elements fitted for another model are listed, but give no position rather than a wrong one.
TEST(OmmLoad, SetsOfAnotherEphemerisTypeAreListedWithoutAPosition) {
  const TOmmFieldList iss = OmmSamples()[0].fields;
  const std::vector<TOmmFieldList> records = {
      WithField(WithField(iss, "EPHEMERIS_TYPE", "4"), "NORAD_CAT_ID", "123456789"),
      WithField(WithField(iss, "EPHEMERIS_TYPE", "2"), "NORAD_CAT_ID", "70001"),
      WithField(WithField(iss, "EPHEMERIS_TYPE", "0"), "NORAD_CAT_ID", "70002"),
      WithField(WithField(iss, "EPHEMERIS_TYPE", "four"), "NORAD_CAT_ID", "70003"),
  };
  for (const std::string& text : {OmmCsv(records), OmmJson(records, true)}) {
    TSatelliteList list = Loaded(text);
    ASSERT_EQ(list.Count(), 3);
    const struct {
      const char* number;
      const char* reason;
    } expected[] = {{"123456789", "SGP4-XP elements, not supported"},
                    {"70001", "elements of type 2, not supported"},
                    {"70002", ""}};
    for (const auto& e : expected) {
      const int index = list.IndexOfCatalogueNumber(e.number);
      ASSERT_GE(index, 0) << e.number;
      orbit::Vector4 p, v;
      const orbit::TPropagateResult result =
          list.SatelliteAt(index).TryPropagate(list.SatelliteAt(index).EpochJD(), p, v);
      EXPECT_EQ(result.ok, std::string(e.reason).empty()) << e.number;
      EXPECT_EQ(result.reason, e.reason) << e.number;
    }
  }
}

TEST(OmmLoad, MalformedRecordsAreSkippedAndTheOthersLoad) {
  const TOmmFieldList good = OmmSamples()[0].fields;
  const auto bad = [&](const char* field, const char* value) {
    return WithField(WithField(good, "OBJECT_NAME", "BAD"), field, value);
  };
  const std::vector<TOmmFieldList> records = {
      bad("MEAN_MOTION", nullptr),
      bad("MEAN_MOTION", ""),
      bad("MEAN_MOTION", "0"),
      bad("MEAN_MOTION", "fifteen"),
      bad("ECCENTRICITY", "1.2"),
      bad("EPOCH", "2006-02-30T00:00:00"),
      bad("EPOCH", "2057-01-01T00:00:00"),
      bad("NORAD_CAT_ID", "0"),
      bad("NORAD_CAT_ID", "25544.5"),
      bad("BSTAR", "1e400"),
      bad("ELEMENT_SET_NO", "-3"),
      bad("MEAN_ELEMENT_THEORY", "SGP4-XP"),
      bad("MEAN_ELEMENT_THEORY", "DSST"),
      WithField(good, "MEAN_ELEMENT_THEORY", "SGP4"),
  };
  const struct {
    const char* what;
    std::string text;
  } forms[] = {{"CSV", OmmCsv(records)}, {"XML", OmmXml(records)}, {"JSON", OmmJson(records, true)}};
  for (const auto& form : forms) {
    const TSatelliteList list = Loaded(form.text);
    EXPECT_EQ(Names(list), std::vector<std::string>{"ISS (ZARYA)"}) << form.what;
  }

  // Records with another number of fields than the header, a quote left open, and JSON values of the
  // wrong type, while a good record follows each.
  const std::string csv = OmmCsv({good});
  const std::string header = csv.substr(0, csv.find('\n') + 1);
  const std::string row = csv.substr(header.size());
  const std::string shortRow = row.substr(0, row.rfind(',')) + "\r\n";
  EXPECT_EQ(Names(Loaded(header + shortRow + "\r\n" + row)), std::vector<std::string>{"ISS (ZARYA)"});
  EXPECT_EQ(Names(Loaded(header + row + "\"ISS (OPEN QUOTE)" + row)),
            std::vector<std::string>{"ISS (ZARYA)"});
  const std::string json = OmmJson({good}, false);
  EXPECT_EQ(Names(Loaded("[{\"OBJECT_NAME\": \"NO ELEMENTS\"}, 1, \"x\", null, [], " + json.substr(1))),
            std::vector<std::string>{"ISS (ZARYA)"});
  for (const char* value : {"true", "[15.7]", "{}", "0", "-15.7"}) {
    std::string wrong = json;
    wrong.replace(wrong.find("15.73745284"), 11, value);
    EXPECT_EQ(Loaded(wrong).Count(), 0) << value;
  }
  std::string fraction = json;
  fraction.replace(fraction.find("25544"), 5, "25544.5");
  EXPECT_EQ(Loaded(fraction).Count(), 0);
}

TEST(OmmLoad, DetectsTheFormFromTheContent) {
  const std::string csv = OmmCsv(FieldLists(OmmSamples()));
  const struct {
    const char* what;
    std::string text;
    TCatalogueFormat format;
  } cases[] = {
      {"two-line", testing::TwoLineText(OmmSamples()), TCatalogueFormat::cfTwoLine},
      {"empty", "", TCatalogueFormat::cfTwoLine},
      {"CSV", csv, TCatalogueFormat::cfOmmCsv},
      {"CSV after a byte-order mark and blank lines", "\xEF\xBB\xBF\r\n\r\n" + csv,
       TCatalogueFormat::cfOmmCsv},
      {"CSV header alone", "NORAD_CAT_ID,EPOCH,MEAN_MOTION\n", TCatalogueFormat::cfOmmCsv},
      {"two OMM names are not enough", "EPOCH,MEAN_MOTION,NAME\n", TCatalogueFormat::cfTwoLine},
      {"a name line with commas", "ISS,ZARYA,EPOCH,MEAN_MOTION,BSTAR lower\n", TCatalogueFormat::cfTwoLine},
      {"XML", OmmXml(FieldLists(OmmSamples())), TCatalogueFormat::cfOmmXml},
      {"XML of one omm", "<omm id=\"CCSDS_OMM_VERS\" version=\"2.0\"></omm>", TCatalogueFormat::cfOmmXml},
      {"XML broken before its first element", "<?xml version=\"1.0\"?>\n<!-- cut",
       TCatalogueFormat::cfOmmXml},
      {"XML of another kind", "<?xml version=\"1.0\"?><kml/>", TCatalogueFormat::cfTwoLine},
      {"a name line in angle brackets", Record("<ISS>"), TCatalogueFormat::cfTwoLine},
      {"JSON", OmmJson(FieldLists(OmmSamples()), false), TCatalogueFormat::cfOmmJson},
      {"JSON, empty array", " [ ]", TCatalogueFormat::cfOmmJson},
      {"JSON broken", "[{\"EPOCH\":", TCatalogueFormat::cfOmmJson},
      {"a name line in square brackets", Record("[DEB] PIECE"), TCatalogueFormat::cfTwoLine},
  };
  for (const auto& c : cases) EXPECT_EQ(DetectCatalogueFormat(c.text), c.format) << c.what;
  // Two-line names that only look like OMM still load as two-line records.
  EXPECT_EQ(Names(Loaded(Record("<ISS>") + Record("[DEB] PIECE", "00005"))),
            (std::vector<std::string>{"<ISS>", "[DEB] PIECE"}));
}

TEST(OmmLoad, BrokenDocumentsAreReportedAndTheNextFileLoads) {
  const auto records = FieldLists(OmmSamples());
  std::string truncatedXml = OmmXml(records);
  truncatedXml.resize(truncatedXml.size() - 20);
  std::string badJson = OmmJson(records, false);
  badJson.replace(badJson.find("\n{"), 2, "\n{,");
  TScratchFolder folder;
  folder.Write("a.json", badJson);
  folder.Write("b.xml", truncatedXml);
  folder.Write("c.xml", "<?xml version=\"1.0\"?>\n<ndm>\n<omm><EPOCH>x</EPCH></omm></ndm>");
  folder.Write("d.xml", OmmXml({records[2]}) + OmmXml({records[3]}).substr(39));
  folder.Write("z.json", OmmJson({records[0]}, false));
  folder.Write("z.xml", OmmXml({records[1]}));
  const TSatelliteList list = TSatelliteList::Create(folder.Folder());

  // The broken files add nothing, not even their records before the damage; the good ones load.
  EXPECT_EQ(Names(list), (std::vector<std::string>{"ISS (ZARYA)", "TEST SAT SGP 001"}));
  const struct {
    const char* file;
    const char* reason;
  } expected[] = {
      {"b.xml", "not well-formed XML: "},
      {"c.xml", "not well-formed XML: "},
      {"d.xml", "not well-formed XML: a second root element"},
      {"a.json", "not valid JSON: "},
  };
  ASSERT_EQ(list.UnreadableFiles().size(), std::size(expected));
  for (std::size_t i = 0; i < std::size(expected); ++i) {
    const TUnreadableFile& u = list.UnreadableFiles()[i];
    EXPECT_EQ(u.path, folder.Folder() + expected[i].file);
    EXPECT_EQ(u.reason.rfind(expected[i].reason, 0), 0u) << u.reason;
    EXPECT_NE(u.reason.find("line "), std::string::npos) << u.reason;
    EXPECT_NE(u.reason.find("column "), std::string::npos) << u.reason;
  }
  // The JSON parser's position is where the stray comma stands.
  EXPECT_NE(list.UnreadableFiles()[3].reason.find("(line 2, column "), std::string::npos)
      << list.UnreadableFiles()[3].reason;
  EXPECT_NE(list.UnreadableFiles()[1].reason.find("(line 3, column "), std::string::npos)
      << list.UnreadableFiles()[1].reason;

  // LoadFromFile says the same through its exception and leaves the catalogue as it was.
  TSatelliteList one;
  one.LoadFromText(Record("KEPT", "00001"));
  try {
    one.LoadFromFile(folder.Path() / "b.xml");
    ADD_FAILURE() << "broken XML was read";
  } catch (const ECatalogueFileError& e) {
    EXPECT_EQ(e.Path(), (folder.Path() / "b.xml").string());
    EXPECT_EQ(e.Reason().rfind("not well-formed XML: ", 0), 0u) << e.Reason();
  }
  EXPECT_EQ(Names(one), std::vector<std::string>{"KEPT"});
  EXPECT_THROW(one.LoadFromText(badJson), EOmmDocumentError);
  EXPECT_EQ(one.Count(), 1);
}

TEST(OmmLoad, FolderScanTakesOmmFilesAfterTheTwoLineMasks) {
  const TOmmFieldList iss = OmmSamples()[0].fields;
  const auto named = [&](const char* number, const char* name) {
    return WithField(WithField(iss, "NORAD_CAT_ID", number), "OBJECT_NAME", name);
  };
  TScratchFolder folder;
  // Equal epochs everywhere, so the file read first names each satellite.
  folder.Write("a.JSON", OmmJson({named("1", "FROM JSON"), named("2", "FROM JSON")}, false));
  folder.Write("b.Xml", OmmXml({named("2", "FROM XML"), named("3", "FROM XML")}));
  folder.Write("c.csv", OmmCsv({named("3", "FROM CSV"), named("4", "FROM CSV")}));
  folder.Write("d.txt", Record("FROM TXT", "00004", "06003.83068838"));
  // A two-line file named as CSV is read as what it is.
  folder.Write("e.csv", Record("LINES IN CSV", "00005", "06003.83068838"));
  const TSatelliteList list = TSatelliteList::Create(folder.Folder());
  const auto nameOf = [&](const char* number) {
    const int index = list.IndexOfCatalogueNumber(number);
    return index < 0 ? std::string("(none)") : list.NameAt(index);
  };
  EXPECT_EQ(nameOf("00001"), "FROM JSON");
  EXPECT_EQ(nameOf("00002"), "FROM XML");  // *.xml before *.json
  EXPECT_EQ(nameOf("00003"), "FROM CSV");  // *.csv before *.xml
  EXPECT_EQ(nameOf("00004"), "FROM TXT");  // the two-line masks first
  EXPECT_EQ(nameOf("00005"), "LINES IN CSV");
  EXPECT_TRUE(list.UnreadableFiles().empty());
}

}  // namespace
}  // namespace nimbrel::catalogue
