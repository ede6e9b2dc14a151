#pragma once
// Cutting what a hamlib daemon sends into replies, apart from the socket, so that anything a buggy or
// hostile daemon sends can be tried on it alone. A set command is answered "RPRT n"; a get command by
// its value lines, or by "RPRT n" alone when it fails.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>

namespace nimbrel::station {

struct TReply {
  int code = 0;  // the RPRT code; 0 for a get command's values
  QStringList values;
  bool Ok() const noexcept { return code == 0; }
};

// What a "p" reply of rotctld says: azimuth and elevation in degrees. Nothing for a failure, another
// number of lines, or values that are no finite numbers within a turn and a half (a broken daemon
// must not put "nan" on the screen or into the next command).
struct TReportedPosition {
  double azimuthDeg = 0.0;
  double elevationDeg = 0.0;
};
std::optional<TReportedPosition> PositionFromReply(const TReply& reply);
// What an "f" reply of rigctld says, in whole hertz: nothing unless it is one finite number from 0 to
// 10 THz (some backends answer with decimals).
std::optional<qint64> FrequencyFromReply(const TReply& reply);

class THamlibReplyReader {
 public:
  // A daemon's line is short; anything longer is not hamlib talking, and must not fill the memory.
  static constexpr qsizetype kMaxLineBytes = 4096;

  void Append(const QByteArray& bytes) { received_.append(bytes); }
  // Forgets everything held: a new connection starts afresh.
  void Clear() noexcept;
  // The reply to a command that brings `valueLines` lines when it succeeds, once it is whole; an
  // "RPRT n" line ends any reply. Nothing while more must come.
  std::optional<TReply> Take(int valueLines);
  // Passes over the whole lines held: nobody asked for them (they come after a Close, say).
  void SkipLines();
  // More than kMaxLineBytes held without a line end.
  bool Overlong() const noexcept;

 private:
  std::optional<QString> NextLine();

  QByteArray received_;
  QStringList lines_;  // the value lines of the reply being read
};

}  // namespace nimbrel::station
