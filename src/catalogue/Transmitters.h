#pragma once
// The radio transmitters of satellites, as SatNOGS DB lists them (its /api/transmitters/ answer: a
// JSON array of objects), and how a satellite's are put in order for a user to choose from.
//
// The list comes from the network and is untrusted: a document that is not such an array is an
// error with a plain message; an entry with a field of the wrong kind, a frequency out of range or
// no satellite number is passed over; fields we do not know are ignored. A list is good when at
// least one of its entries is.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nimbrel::catalogue {

// The folder beside the Kepler files where the transmitter list is kept, and the list's name there:
// the Kepler scan reads no subfolder, so the list is never taken for element sets.
inline constexpr const char* kTransmitterFolder = "transmitters";
inline constexpr const char* kTransmitterFileName = "transmitters.json";

// A transmitter list from the network is a few megabytes; a bigger file is not one.
inline constexpr std::size_t kMaxTransmitterListBytes = std::size_t{64} * 1024 * 1024;

enum class TTransmitterStatus { tsActive, tsInactive, tsInvalid };

struct TTransmitter {
  std::string uuid;
  std::string description;
  std::string type;  // "Transmitter", "Transceiver" or "Transponder"
  bool alive = true;
  // Hz; a single channel has no high end, a linear transponder has both ends.
  std::optional<std::int64_t> uplinkLowHz, uplinkHighHz;
  std::optional<std::int64_t> downlinkLowHz, downlinkHighHz;
  std::string mode;        // SatNOGS's name of the downlink's mode: "FM", "USB", "AFSK", ...
  std::string uplinkMode;  // empty when SatNOGS gives none
  bool invert = false;     // an inverting transponder: the bottom of the uplink comes out at the top
  double baud = 0.0;
  std::optional<std::int64_t> noradCatId;
  std::optional<std::int64_t> noradFollowId;  // the number used while a new satellite has a temporary one
  TTransmitterStatus status = TTransmitterStatus::tsActive;
  bool frequencyViolation = false;  // outside the band it is coordinated for
  bool unconfirmed = false;
  std::optional<double> downlinkDriftHz;  // how far the satellite's oscillator is off, as observed

  // A linear transponder: a downlink passband rather than one frequency.
  bool Passband() const noexcept {
    return downlinkHighHz && downlinkLowHz && *downlinkHighHz > *downlinkLowHz;
  }
  // Worth choosing without the user's word: active, alive, confirmed and within its band.
  bool Recommended() const noexcept {
    return status == TTransmitterStatus::tsActive && alive && !unconfirmed && !frequencyViolation;
  }
  // What keeps it from being recommended, for a list a user reads: "inactive", "invalid",
  // "unconfirmed", "out of band", separated by ", "; empty when nothing does.
  std::string Marks() const;
  bool Serves(std::int64_t noradId) const noexcept {
    return (noradCatId && *noradCatId == noradId) || (noradFollowId && *noradFollowId == noradId);
  }
};

// A file or text that is not a transmitter list, or one without a single good entry. Reason() is
// why, in a few plain words ("it is not JSON (...)"); what() for a file is a whole sentence naming it.
class ETransmitterListError : public std::runtime_error {
 public:
  ETransmitterListError(const std::string& message, std::string reason)
      : std::runtime_error(message), reason_(std::move(reason)) {}
  const std::string& Reason() const noexcept { return reason_; }

 private:
  std::string reason_;
};

// The good entries of a SatNOGS DB transmitter list, in the order they came.
std::vector<TTransmitter> ReadTransmitterList(std::string_view text);
// The same from a file: throws ETransmitterListError, naming the file, when it is missing, cannot be
// read or is no list.
std::vector<TTransmitter> ReadTransmitterFile(const std::filesystem::path& path);

// The transmitters of one satellite (by its catalogue number or the number SatNOGS follows it by),
// in the order a user chooses from: active ones first, then inactive, then invalid; within each,
// by type (transmitters, transceivers, transponders) and then by downlink.
std::vector<TTransmitter> TransmittersOf(const std::vector<TTransmitter>& all, std::int64_t noradId);

// The first recommended transmitter of a list in that order; none when no entry is.
const TTransmitter* DefaultTransmitter(const std::vector<TTransmitter>& ordered) noexcept;
const TTransmitter* FindTransmitter(const std::vector<TTransmitter>& list, std::string_view uuid) noexcept;

// "145.800000 MHz", "435.030000-435.120000 MHz", or empty when there is none.
std::string FormatDownlink(const TTransmitter& t);
std::string FormatUplink(const TTransmitter& t);

}  // namespace nimbrel::catalogue
