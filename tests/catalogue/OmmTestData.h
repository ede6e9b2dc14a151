#pragma once
// Element sets written both as element lines and as OMM fields, and the OMM files made from them,
// for the catalogue's tests.

#include <algorithm>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel::catalogue::testing {

using TOmmFieldList = std::vector<std::pair<std::string, std::string>>;

// One satellite twice: as a name line and two element lines, and as the OMM fields a public
// catalogue gives for the same set, in the usual column order.
struct TOmmSample {
  std::string twoLine;
  TOmmFieldList fields;
};

// The ISS set of 2006 January 3, the SGP4 and SDP4 sets of the SGP4 report's sample runs (one with a
// second derivative and B*, one deep-space with a high eccentricity), and the ISS set under an
// Alpha-5 number.
inline std::vector<TOmmSample> OmmSamples() {
  return {
      {"ISS (ZARYA)\n"
       "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844\n"
       "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269\n",
       {{"OBJECT_NAME", "ISS (ZARYA)"},
        {"OBJECT_ID", "1998-067A"},
        {"EPOCH", "2006-01-03T19:56:11.476032"},
        {"MEAN_MOTION", "15.73745284"},
        {"ECCENTRICITY", "0.0010909"},
        {"INCLINATION", "51.6458"},
        {"RA_OF_ASC_NODE", "312.4823"},
        {"ARG_OF_PERICENTER", "112.4787"},
        {"MEAN_ANOMALY", "338.3202"},
        {"EPHEMERIS_TYPE", "0"},
        {"CLASSIFICATION_TYPE", "U"},
        {"NORAD_CAT_ID", "25544"},
        {"ELEMENT_SET_NO", "84"},
        {"REV_AT_EPOCH", "40726"},
        {"BSTAR", "0.00013602"},
        {"MEAN_MOTION_DOT", "0.00019047"},
        {"MEAN_MOTION_DDOT", "0"}}},
      {"TEST SAT SGP 001\n"
       "1 88888U          80275.98708465  .00073094  13844-3  66816-4 0    87\n"
       "2 88888  72.8435 115.9689 0086731  52.6988 110.5714 16.05824518  1058\n",
       {{"OBJECT_NAME", "TEST SAT SGP 001"},
        {"OBJECT_ID", "1980-000A"},
        {"EPOCH", "1980-10-01T23:41:24.113760"},
        {"MEAN_MOTION", "16.05824518"},
        {"ECCENTRICITY", "0.0086731"},
        {"INCLINATION", "72.8435"},
        {"RA_OF_ASC_NODE", "115.9689"},
        {"ARG_OF_PERICENTER", "52.6988"},
        {"MEAN_ANOMALY", "110.5714"},
        {"EPHEMERIS_TYPE", "0"},
        {"CLASSIFICATION_TYPE", "U"},
        {"NORAD_CAT_ID", "88888"},
        {"ELEMENT_SET_NO", "8"},
        {"REV_AT_EPOCH", "105"},
        {"BSTAR", "6.6816e-5"},
        {"MEAN_MOTION_DOT", "0.00073094"},
        {"MEAN_MOTION_DDOT", "1.3844E-4"}}},
      {"TEST SAT SDP 001\n"
       "1 11801U          80230.29629788  .01431103  00000-0  14311-1      13\n"
       "2 11801  46.7916 230.4354 7318036  47.4722  10.4117  2.28537848    13\n",
       {{"OBJECT_NAME", "TEST SAT SDP 001"},
        {"OBJECT_ID", "1980-000B"},
        {"EPOCH", "1980-230T07:06:40.136832Z"},
        {"MEAN_MOTION", "2.28537848"},
        {"ECCENTRICITY", "0.7318036"},
        {"INCLINATION", "46.7916"},
        {"RA_OF_ASC_NODE", "230.4354"},
        {"ARG_OF_PERICENTER", "47.4722"},
        {"MEAN_ANOMALY", "10.4117"},
        {"EPHEMERIS_TYPE", "0"},
        {"CLASSIFICATION_TYPE", "U"},
        {"NORAD_CAT_ID", "11801"},
        {"ELEMENT_SET_NO", "1"},
        {"REV_AT_EPOCH", "1"},
        {"BSTAR", "0.014311"},
        {"MEAN_MOTION_DOT", "0.01431103"},
        {"MEAN_MOTION_DDOT", "0"}}},
      {"NEW SAT\n"
       "1 A0001U 26001A   26003.83068838  .00019047  00000-0  13602-3 0 18447\n"
       "2 A0001 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284 7269\n",
       {{"OBJECT_NAME", "new sat"},
        {"OBJECT_ID", "2026-001A"},
        {"EPOCH", "2026-01-03T19:56:11.476032"},
        {"MEAN_MOTION", "15.73745284"},
        {"ECCENTRICITY", "0.0010909"},
        {"INCLINATION", "51.6458"},
        {"RA_OF_ASC_NODE", "312.4823"},
        {"ARG_OF_PERICENTER", "112.4787"},
        {"MEAN_ANOMALY", "338.3202"},
        {"EPHEMERIS_TYPE", "0"},
        {"CLASSIFICATION_TYPE", "U"},
        {"NORAD_CAT_ID", "100001"},
        {"ELEMENT_SET_NO", "1844"},
        {"REV_AT_EPOCH", "7269"},
        {"BSTAR", "1.3602e-4"},
        {"MEAN_MOTION_DOT", "1.9047e-4"},
        {"MEAN_MOTION_DDOT", "0"}}},
  };
}

inline std::string TwoLineText(const std::vector<TOmmSample>& samples) {
  std::string text;
  for (const TOmmSample& s : samples) text += s.twoLine;
  return text;
}

inline std::string CsvCell(const std::string& value) {
  if (value.find_first_of(",\"\r\n") == std::string::npos) return value;
  std::string quoted = "\"";
  for (char c : value) {
    quoted += c;
    if (c == '"') quoted += '"';
  }
  return quoted + "\"";
}

// The header names every field of any record, in the order first met; a record without a field has
// an empty cell there. Lines end in CR LF, as the public catalogues' CSV files do.
inline std::string OmmCsv(const std::vector<TOmmFieldList>& records) {
  std::vector<std::string> names;
  for (const TOmmFieldList& record : records) {
    for (const auto& field : record) {
      if (std::find(names.begin(), names.end(), field.first) == names.end()) names.push_back(field.first);
    }
  }
  std::string text;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i) text += ',';
    text += names[i];
  }
  text += "\r\n";
  for (const TOmmFieldList& record : records) {
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (i) text += ',';
      for (const auto& field : record) {
        if (field.first == names[i]) text += CsvCell(field.second);
      }
    }
    text += "\r\n";
  }
  return text;
}

inline std::string XmlEscaped(const std::string& value) {
  std::string out;
  for (char c : value) {
    if (c == '&') {
      out += "&amp;";
    } else if (c == '<') {
      out += "&lt;";
    } else {
      out += c;
    }
  }
  return out;
}

// An "ndm" document with one "omm" per record, laid out as the public catalogues do: names in the
// metadata, the mean elements, then the two-line parameters.
inline std::string OmmXml(const std::vector<TOmmFieldList>& records) {
  const auto element = [](const std::string& name, const std::string& value) {
    return "<" + name + ">" + XmlEscaped(value) + "</" + name + ">";
  };
  std::string text =
      "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
      "<ndm xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\">\n";
  for (const TOmmFieldList& record : records) {
    std::string metadata;
    std::string mean;
    std::string tle;
    for (const auto& [name, value] : record) {
      if (name == "OBJECT_NAME" || name == "OBJECT_ID" || name == "MEAN_ELEMENT_THEORY") {
        metadata += element(name, value);
      } else if (name == "EPOCH" || name == "MEAN_MOTION" || name == "ECCENTRICITY" ||
                 name == "INCLINATION" || name == "RA_OF_ASC_NODE" || name == "ARG_OF_PERICENTER" ||
                 name == "MEAN_ANOMALY") {
        mean += element(name, value);
      } else {
        tle += element(name, value);
      }
    }
    text +=
        "<omm id=\"CCSDS_OMM_VERS\" version=\"2.0\">\n<header><CREATION_DATE/><ORIGINATOR/></header>\n"
        "<body><segment>\n<metadata>" +
        metadata +
        "<CENTER_NAME>EARTH</CENTER_NAME><REF_FRAME>TEME</REF_FRAME><TIME_SYSTEM>UTC</TIME_SYSTEM></"
        "metadata>\n"
        "<data><meanElements>" +
        mean + "</meanElements>\n<tleParameters>" + tle +
        "</tleParameters></data>\n</segment></body>\n</omm>\n";
  }
  return text + "</ndm>\n";
}

// An array of objects. With `quoted`, every value is a string (as some catalogues write them);
// otherwise the numbers are JSON numbers.
inline std::string OmmJson(const std::vector<TOmmFieldList>& records, bool quoted) {
  const auto isText = [](const std::string& name) {
    return name == "OBJECT_NAME" || name == "OBJECT_ID" || name == "EPOCH" || name == "CLASSIFICATION_TYPE" ||
           name == "MEAN_ELEMENT_THEORY";
  };
  std::string text = "[";
  for (std::size_t r = 0; r < records.size(); ++r) {
    text += r ? ",\n{" : "{";
    for (std::size_t i = 0; i < records[r].size(); ++i) {
      const auto& [name, value] = records[r][i];
      std::string json;
      for (char c : value) {
        if (c == '"' || c == '\\') json += '\\';
        json += c;
      }
      if (quoted || isText(name)) json = "\"" + json + "\"";
      if (i) text += ',';
      text += "\"" + name + "\":" + json;
    }
    text += "}";
  }
  return text + "]\n";
}

inline std::vector<TOmmFieldList> FieldLists(const std::vector<TOmmSample>& samples) {
  std::vector<TOmmFieldList> records;
  for (const TOmmSample& s : samples) records.push_back(s.fields);
  return records;
}

// The record with one field's value replaced (or the field dropped, for a null value).
inline TOmmFieldList WithField(TOmmFieldList record, const std::string& name, const char* value) {
  for (auto it = record.begin(); it != record.end(); ++it) {
    if (it->first != name) continue;
    if (value) {
      it->second = value;
    } else {
      record.erase(it);
    }
    return record;
  }
  if (value) record.emplace_back(name, value);
  return record;
}

}  // namespace nimbrel::catalogue::testing
