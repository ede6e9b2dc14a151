// The SatNOGS DB transmitter list: what is read from untrusted text, what is passed over, and the
// order a satellite's transmitters are offered in.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "catalogue/Transmitters.h"

namespace nimbrel::catalogue {
namespace {

// Shaped as SatNOGS DB answers, with the fields we skip, nulls where it has them, and broken entries.
constexpr const char* kList = R"([
  {"uuid": "inactive-beacon", "description": "Old beacon", "alive": true, "type": "Transmitter",
   "uplink_low": null, "uplink_high": null, "downlink_low": 145800000, "downlink_high": null,
   "downlink_drift": null, "mode": "FM", "mode_id": 1, "uplink_mode": null, "invert": false,
   "baud": null, "sat_id": "XSKZ-5603-1870-9019-3066", "norad_cat_id": 25544, "norad_follow_id": null,
   "status": "inactive", "updated": "2024-01-01T00:00:00Z", "citation": "", "service": "Amateur",
   "iaru_coordination": "N/A", "frequency_violation": false, "unconfirmed": false},
  {"uuid": "ssb-transponder", "description": "Mode U/V linear", "alive": true, "type": "Transponder",
   "uplink_low": 435030000, "uplink_high": 435050000, "downlink_low": 145910000, "downlink_high": 145930000,
   "mode": "USB", "uplink_mode": "LSB", "invert": true, "baud": null, "norad_cat_id": 25544,
   "status": "active", "downlink_drift": -1200, "frequency_violation": false, "unconfirmed": false},
  {"uuid": "fm-repeater", "description": "FM voice repeater", "alive": true, "type": "Transceiver",
   "uplink_low": 145990000, "downlink_low": 437800000, "mode": "FM", "uplink_mode": "FM",
   "norad_cat_id": 25544, "status": "active", "new_field_we_do_not_know": {"a": [1, 2]}},
  {"uuid": "aprs", "description": "APRS digipeater", "alive": true, "type": "Transceiver",
   "uplink_low": 145825000, "downlink_low": 145825000, "mode": "AFSK", "baud": 1200,
   "norad_cat_id": 25544, "status": "active", "unconfirmed": true},
  {"uuid": "telemetry", "description": "Telemetry", "type": "Transmitter", "downlink_low": 437550000,
   "mode": "GMSK", "baud": 9600, "norad_cat_id": 99999, "norad_follow_id": 25544, "status": "active"},
  {"uuid": "out-of-band", "description": "Out of band", "type": "Transmitter", "downlink_low": 401000000,
   "mode": "BPSK", "norad_cat_id": 25544, "status": "active", "frequency_violation": true},
  {"uuid": "broken-kind", "downlink_low": "145800000", "norad_cat_id": 25544, "status": "active"},
  {"uuid": "broken-band", "downlink_low": 145930000, "downlink_high": 145910000, "norad_cat_id": 25544},
  {"uuid": "broken-no-satellite", "downlink_low": 145930000, "norad_cat_id": null},
  {"uuid": "broken-no-frequency", "norad_cat_id": 25544, "status": "active"},
  {"uuid": "broken-status", "downlink_low": 145930000, "norad_cat_id": 25544, "status": "sleeping"},
  {"uuid": "bad uuid; rm -rf", "downlink_low": 145930000, "norad_cat_id": 25544},
  {"uuid": "negative", "downlink_low": -5, "norad_cat_id": 25544},
  {"uuid": "huge", "downlink_low": 1e300, "norad_cat_id": 25544},
  [1, 2, 3], "text", null, 42
])";

TEST(Transmitters, ReadsGoodEntriesAndPassesOverBrokenOnes) {
  const std::vector<TTransmitter> all = ReadTransmitterList(kList);
  std::vector<std::string> uuids;
  for (const TTransmitter& t : all) uuids.push_back(t.uuid);
  EXPECT_EQ(uuids, (std::vector<std::string>{"inactive-beacon", "ssb-transponder", "fm-repeater", "aprs",
                                             "telemetry", "out-of-band"}));
  const TTransmitter& ssb = all[1];
  EXPECT_TRUE(ssb.Passband());
  EXPECT_EQ(ssb.downlinkLowHz, 145910000);
  EXPECT_EQ(ssb.uplinkHighHz, 435050000);
  EXPECT_TRUE(ssb.invert);
  EXPECT_EQ(ssb.uplinkMode, "LSB");
  EXPECT_EQ(ssb.downlinkDriftHz, -1200.0);
  const TTransmitter& beacon = all[0];
  EXPECT_FALSE(beacon.Passband());
  EXPECT_FALSE(beacon.uplinkLowHz);
  EXPECT_FALSE(beacon.noradFollowId);
  EXPECT_EQ(beacon.uplinkMode, "");
  EXPECT_EQ(beacon.Marks(), "inactive");
  EXPECT_EQ(all[3].Marks(), "unconfirmed");
  EXPECT_EQ(all[5].Marks(), "out of band");
  EXPECT_EQ(all[4].baud, 9600.0);
}

TEST(Transmitters, WhatIsNoListIsAPlainError) {
  struct TRow {
    const char* what;
    const char* text;
    const char* reason;
  } rows[] = {
      {"empty", "", "it is not JSON"},
      {"Kepler data", "ISS (ZARYA)\n1 25544U 98067A   06003.83068838", "it is not JSON"},
      {"cut short", R"([{"uuid": "a", "downlink_low": 1)", "it is not JSON"},
      {"an object", R"({"detail": "Throttled"})", "it is not a list of transmitters"},
      {"an empty list", "[]", "it holds no usable transmitter"},
      {"only broken entries", R"([{"uuid": "x"}, 5])", "it holds no usable transmitter"},
  };
  for (const TRow& r : rows) {
    try {
      ReadTransmitterList(r.text);
      ADD_FAILURE() << r.what << ": read as a list";
    } catch (const ETransmitterListError& e) {
      EXPECT_EQ(e.Reason().rfind(r.reason, 0), 0u) << r.what << ": " << e.Reason();
    }
  }
  QTemporaryDir folder;
  const std::string missing = folder.filePath(QStringLiteral("none.json")).toStdString();
  try {
    ReadTransmitterFile(missing);
    ADD_FAILURE() << "a missing file read";
  } catch (const ETransmitterListError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Could not read the transmitter list " + missing + ": there is no such file.");
  }
}

TEST(Transmitters, ASatellitesListIsOrderedAndNeverDefaultsToAMarkedOne) {
  const std::vector<TTransmitter> all = ReadTransmitterList(kList);
  const std::vector<TTransmitter> iss = TransmittersOf(all, 25544);
  std::vector<std::string> uuids;
  for (const TTransmitter& t : iss) uuids.push_back(t.uuid);
  // Active and recommended by type (transmitter, transceiver, transponder), then the marked active
  // ones, then the inactive; the telemetry comes through the number SatNOGS follows the satellite by.
  EXPECT_EQ(uuids, (std::vector<std::string>{"telemetry", "fm-repeater", "ssb-transponder", "out-of-band",
                                             "aprs", "inactive-beacon"}));
  ASSERT_NE(DefaultTransmitter(iss), nullptr);
  EXPECT_EQ(DefaultTransmitter(iss)->uuid, "telemetry");
  EXPECT_EQ(FindTransmitter(iss, "fm-repeater")->description, "FM voice repeater");
  EXPECT_EQ(FindTransmitter(iss, "nope"), nullptr);

  const std::vector<TTransmitter> onlyMarked = TransmittersOf(all, 25544);
  std::vector<TTransmitter> marked;
  for (const TTransmitter& t : onlyMarked)
    if (!t.Recommended()) marked.push_back(t);
  EXPECT_EQ(DefaultTransmitter(marked), nullptr) << "a marked transmitter is never chosen by default";
  EXPECT_TRUE(TransmittersOf(all, 12345).empty());
  EXPECT_EQ(FormatDownlink(iss[2]), "145.910000-145.930000 MHz");
  EXPECT_EQ(FormatUplink(iss[1]), "145.990000 MHz");
}

}  // namespace
}  // namespace nimbrel::catalogue
