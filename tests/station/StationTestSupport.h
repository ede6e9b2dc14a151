#pragma once
// What the station tests share: hamlib's real daemons on free local ports, a fake daemon for what the
// dummies cannot show (silence, refusals, dropped connections), and waiting on the event loop.

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpServer>
#include <functional>
#include <memory>

#include "orbit/Satellite.h"
#include "station/HamlibLink.h"

namespace nimbrel::station::test {

// Runs the event loop until `done` or `timeoutMs`; returns `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 5000);

// rotctld or rigctld with its dummy model (-m 1) on 127.0.0.1 and a free port; stopped when destroyed.
class TRealDaemon {
 public:
  // "rotctld" or "rigctld"; `extra` goes on its command line.
  explicit TRealDaemon(const QString& program, const QStringList& extra = {});
  ~TRealDaemon();
  // Empty when it is running and answers, else why not (the program is missing, say).
  const QString& Failure() const noexcept { return failure_; }
  bool Missing() const noexcept { return missing_; }
  TDaemonAddress Address() const { return {QStringLiteral("127.0.0.1"), port_}; }

 private:
  QProcess process_;
  quint16 port_ = 0;
  QString failure_;
  bool missing_ = false;
};

// Skips the test, naming the package, when the daemon is not installed; fails it when it is there
// but would not start.
#define NIMBREL_REQUIRE_DAEMON(daemon)                                                           \
  do {                                                                                           \
    if ((daemon).Missing())                                                                      \
      GTEST_SKIP() << (daemon).Failure().toStdString() << " (install Debian's libhamlib-utils)"; \
    ASSERT_TRUE((daemon).Failure().isEmpty()) << (daemon).Failure().toStdString();               \
  } while (false)

// A daemon of the tests' own on 127.0.0.1: answers "RPRT 0" to set commands, "10.00"/"20.00" to "p"
// and "145800000" to "f", unless told to behave otherwise. It records every line it receives.
class TFakeDaemon : public QObject {
 public:
  enum class TMode { fmNormal, fmSilent, fmRefuse, fmDropOnCommand };

  TFakeDaemon();
  TDaemonAddress Address() const { return {QStringLiteral("127.0.0.1"), server_.serverPort()}; }
  void SetMode(TMode mode) noexcept { mode_ = mode; }
  const QStringList& Lines() const noexcept { return lines_; }
  int Connections() const noexcept { return connections_; }
  // The lines received that start with `prefix` followed by a blank or the line end.
  int Count(const QString& command) const;

 private:
  void OnConnection();
  QTcpServer server_;
  TMode mode_ = TMode::fmNormal;
  QStringList lines_;
  int connections_ = 0;
};

// Short timings, so that the tests of timeouts and retries take a fraction of a second.
TLinkTimings QuickTimings();
// Long ones for the real daemons, whose tests are about what they were told, not about time: a
// machine busy with other builds must not make them fail.
TLinkTimings PatientTimings();

// The ISS's element set of assets/iss.tle (January 2006).
orbit::TSatellite Iss();

}  // namespace nimbrel::station::test
