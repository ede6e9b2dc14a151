// Loading a large OMM file, as public catalogues hand out every tracked object: 30,000 records in
// CSV, JSON and XML, one in ten deep space, some objects met again with older and newer epochs,
// debris sharing names, numbers on both sides of 99999. Reading the file and the first lookup are
// part of the measured time.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "catalogue/SatelliteList.h"

namespace {

using nimbrel::catalogue::TSatelliteList;

constexpr int kRecords = 30000;
constexpr int kRepeats = 3000;  // records of objects already in the file, older and newer
constexpr int kFirstNumber = 80000;

struct TRecord {
  std::string name;
  std::string id;
  std::string epoch;
  double meanMotion;
  double eccentricity;
  double inclination;
  double node;
  double perigee;
  double anomaly;
  int number;
  int elementSet;
  int revolution;
  double bStar;
  double meanMotionDot;
};

std::string Name(int number) {
  // One object in five is debris under a shared name.
  if (number % 5 == 0) return "COSMOS " + std::to_string(2000 + number % 50) + " DEB";
  return "OBJECT " + std::to_string(number);
}

std::vector<TRecord> Records() {
  std::mt19937 random(20260103);
  std::vector<int> numbers;
  for (int i = 0; i < kRecords - kRepeats; ++i) numbers.push_back(kFirstNumber + i);
  std::uniform_int_distribution<int> pick(0, kRecords - kRepeats - 1);
  for (int i = 0; i < kRepeats; ++i) numbers.push_back(numbers[static_cast<std::size_t>(pick(random))]);
  std::shuffle(numbers.begin(), numbers.end(), random);
  std::uniform_real_distribution<double> angle(0.0, 359.9999);
  std::uniform_real_distribution<double> eccentricity(0.0, 0.2);
  std::uniform_int_distribution<int> second(0, 86399);
  std::uniform_int_distribution<int> micro(0, 999999);
  std::uniform_int_distribution<int> day(1, 28);

  std::vector<TRecord> records;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const int n = numbers[i];
    const bool deep = i % 10 == 0;
    const int s = second(random);
    char epoch[40];
    std::snprintf(epoch, sizeof epoch, "2026-%02d-%02dT%02d:%02d:%02d.%06d", 1 + n % 12, day(random),
                  s / 3600, s / 60 % 60, s % 60, micro(random));
    records.push_back({Name(n), "2026-" + std::to_string(n % 1000) + "A", epoch,
                       deep ? 1.0027 + (n % 100) * 0.01 : 14.0 + (n % 200) * 0.01, eccentricity(random),
                       angle(random) / 2, angle(random), angle(random), angle(random), n, 999, n % 100000,
                       0.00012345, 0.00001234});
  }
  return records;
}

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.8g", value);
  return text;
}

std::string Csv(const std::vector<TRecord>& records) {
  std::string text =
      "OBJECT_NAME,OBJECT_ID,EPOCH,MEAN_MOTION,ECCENTRICITY,INCLINATION,RA_OF_ASC_NODE,ARG_OF_PERICENTER,"
      "MEAN_ANOMALY,EPHEMERIS_TYPE,CLASSIFICATION_TYPE,NORAD_CAT_ID,ELEMENT_SET_NO,REV_AT_EPOCH,BSTAR,"
      "MEAN_MOTION_DOT,MEAN_MOTION_DDOT\r\n";
  for (const TRecord& r : records) {
    text += r.name + "," + r.id + "," + r.epoch + "," + Number(r.meanMotion) + "," + Number(r.eccentricity) +
            "," + Number(r.inclination) + "," + Number(r.node) + "," + Number(r.perigee) + "," +
            Number(r.anomaly) + ",0,U," + std::to_string(r.number) + "," + std::to_string(r.elementSet) +
            "," + std::to_string(r.revolution) + "," + Number(r.bStar) + "," + Number(r.meanMotionDot) +
            ",0\r\n";
  }
  return text;
}

std::string Json(const std::vector<TRecord>& records) {
  std::string text = "[";
  for (std::size_t i = 0; i < records.size(); ++i) {
    const TRecord& r = records[i];
    if (i) text += ",";
    text +=
        "{\"OBJECT_NAME\":\"" + r.name + "\",\"OBJECT_ID\":\"" + r.id + "\",\"EPOCH\":\"" + r.epoch +
        "\",\"MEAN_MOTION\":" + Number(r.meanMotion) + ",\"ECCENTRICITY\":" + Number(r.eccentricity) +
        ",\"INCLINATION\":" + Number(r.inclination) + ",\"RA_OF_ASC_NODE\":" + Number(r.node) +
        ",\"ARG_OF_PERICENTER\":" + Number(r.perigee) + ",\"MEAN_ANOMALY\":" + Number(r.anomaly) +
        ",\"EPHEMERIS_TYPE\":0,\"CLASSIFICATION_TYPE\":\"U\",\"NORAD_CAT_ID\":" + std::to_string(r.number) +
        ",\"ELEMENT_SET_NO\":" + std::to_string(r.elementSet) +
        ",\"REV_AT_EPOCH\":" + std::to_string(r.revolution) + ",\"BSTAR\":" + Number(r.bStar) +
        ",\"MEAN_MOTION_DOT\":" + Number(r.meanMotionDot) + ",\"MEAN_MOTION_DDOT\":0}";
  }
  return text + "]";
}

std::string Xml(const std::vector<TRecord>& records) {
  const auto element = [](const char* name, const std::string& value) {
    return std::string("<") + name + ">" + value + "</" + name + ">";
  };
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ndm "
      "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
      "xsi:noNamespaceSchemaLocation=\"https://sanaregistry.org/r/ndmxml_unqualified/"
      "ndmxml-2.0.0-master-2.0.xsd\">";
  for (const TRecord& r : records) {
    text +=
        "<omm id=\"CCSDS_OMM_VERS\" "
        "version=\"2.0\"><header><CREATION_DATE/><ORIGINATOR/></header><body><segment>"
        "<metadata>" +
        element("OBJECT_NAME", r.name) + element("OBJECT_ID", r.id) +
        "<CENTER_NAME>EARTH</CENTER_NAME><REF_FRAME>TEME</REF_FRAME><TIME_SYSTEM>UTC</TIME_SYSTEM>"
        "<MEAN_ELEMENT_THEORY>SGP4</MEAN_ELEMENT_THEORY></metadata><data><meanElements>" +
        element("EPOCH", r.epoch) + element("MEAN_MOTION", Number(r.meanMotion)) +
        element("ECCENTRICITY", Number(r.eccentricity)) + element("INCLINATION", Number(r.inclination)) +
        element("RA_OF_ASC_NODE", Number(r.node)) + element("ARG_OF_PERICENTER", Number(r.perigee)) +
        element("MEAN_ANOMALY", Number(r.anomaly)) +
        "</meanElements><tleParameters><EPHEMERIS_TYPE>0</EPHEMERIS_TYPE>"
        "<CLASSIFICATION_TYPE>U</CLASSIFICATION_TYPE>" +
        element("NORAD_CAT_ID", std::to_string(r.number)) +
        element("ELEMENT_SET_NO", std::to_string(r.elementSet)) +
        element("REV_AT_EPOCH", std::to_string(r.revolution)) + element("BSTAR", Number(r.bStar)) +
        element("MEAN_MOTION_DOT", Number(r.meanMotionDot)) +
        "<MEAN_MOTION_DDOT>0</MEAN_MOTION_DDOT></tleParameters></data></segment></body></omm>\n";
  }
  return text + "</ndm>\n";
}

class TOmmFile {
 public:
  TOmmFile(const char* extension, std::string (*write)(const std::vector<TRecord>&)) {
    path_ = std::filesystem::temp_directory_path() /
            ("nimbrel-bench-omm-" + std::to_string(::getpid()) + extension);
    const std::string text = write(Records());
    std::ofstream out(path_, std::ios::binary);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
  }
  TOmmFile(const TOmmFile&) = delete;
  TOmmFile& operator=(const TOmmFile&) = delete;
  ~TOmmFile() {
    std::error_code error;
    std::filesystem::remove(path_, error);
  }
  const std::filesystem::path& Path() const noexcept { return path_; }

 private:
  std::filesystem::path path_;
};

void Load(benchmark::State& state, const TOmmFile& file) {
  int count = 0;
  for (auto _ : state) {
    TSatelliteList list;
    list.LoadFromFile(file.Path());
    count = list.Count();
    // The first index query puts the names in order; that belongs to getting a usable catalogue.
    benchmark::DoNotOptimize(list.IndexOfCatalogueNumber("A0000"));
    // Freeing the catalogue is not part of loading it.
    state.PauseTiming();
    list.Clear();
    state.ResumeTiming();
  }
  state.counters["satellites"] = count;
  state.counters["file_bytes"] = static_cast<double>(std::filesystem::file_size(file.Path()));
}

void BM_LoadOmmCsv(benchmark::State& state) {
  static const TOmmFile file(".csv", Csv);
  Load(state, file);
}
void BM_LoadOmmJson(benchmark::State& state) {
  static const TOmmFile file(".json", Json);
  Load(state, file);
}
void BM_LoadOmmXml(benchmark::State& state) {
  static const TOmmFile file(".xml", Xml);
  Load(state, file);
}
BENCHMARK(BM_LoadOmmCsv)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOmmJson)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadOmmXml)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
