#include "StationTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QThread>

namespace nimbrel::station::test {

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  QDeadlineTimer deadline(timeoutMs);
  while (!done()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(2);
  }
  return true;
}

namespace {

quint16 FreePort() {
  QTcpServer probe;
  probe.listen(QHostAddress::LocalHost, 0);
  return probe.serverPort();
}

}  // namespace

TRealDaemon::TRealDaemon(const QString& program, const QStringList& extra) {
  const QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty()) {
    missing_ = true;
    failure_ = program + QStringLiteral(" is not installed");
    return;
  }
  // A port found free can be taken by someone else before the daemon binds it: try a few.
  for (int attempt = 0; attempt < 5; ++attempt) {
    port_ = FreePort();
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(path,
                   QStringList{QStringLiteral("-m"), QStringLiteral("1"), QStringLiteral("-T"),
                               QStringLiteral("127.0.0.1"), QStringLiteral("-t"), QString::number(port_)} +
                       extra);
    if (!process_.waitForStarted(5000)) {
      failure_ = program + QStringLiteral(" did not start: ") + process_.errorString();
      return;
    }
    const bool answers = WaitFor(
        [&] {
          if (process_.state() != QProcess::Running) return true;
          QTcpSocket probe;
          probe.connectToHost(QStringLiteral("127.0.0.1"), port_);
          return probe.waitForConnected(200);
        },
        5000);
    if (answers && process_.state() == QProcess::Running) {
      failure_.clear();
      return;
    }
    failure_ = program + QStringLiteral(" did not listen on port ") + QString::number(port_);
    process_.kill();
    process_.waitForFinished(2000);
  }
}

TRealDaemon::~TRealDaemon() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(3000)) {
    process_.kill();
    process_.waitForFinished(3000);
  }
}

TFakeDaemon::TFakeDaemon() {
  server_.listen(QHostAddress::LocalHost, 0);
  connect(&server_, &QTcpServer::newConnection, this, &TFakeDaemon::OnConnection);
}

int TFakeDaemon::Count(const QString& command) const {
  int n = 0;
  for (const QString& line : lines_)
    if (line == command || line.startsWith(command + QLatin1Char(' '))) ++n;
  return n;
}

void TFakeDaemon::OnConnection() {
  while (QTcpSocket* socket = server_.nextPendingConnection()) {
    ++connections_;
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
      while (socket->canReadLine()) {
        const QString line = QString::fromLatin1(socket->readLine()).trimmed();
        lines_.append(line);
        switch (mode_) {
          case TMode::fmSilent:
            break;
          case TMode::fmRefuse:
            socket->write("RPRT -5\n");
            break;
          case TMode::fmDropOnCommand:
            mode_ = TMode::fmNormal;
            socket->disconnectFromHost();
            return;
          case TMode::fmNormal:
            if (line == QLatin1String("p"))
              socket->write("10.00\n20.00\n");
            else if (line == QLatin1String("f"))
              socket->write("145800000\n");
            else
              socket->write("RPRT 0\n");
            break;
        }
      }
    });
  }
}

TLinkTimings QuickTimings() {
  return {500, 300, 200};
}

TLinkTimings PatientTimings() {
  return {10000, 10000, 500};
}

orbit::TSatellite Iss() {
  return orbit::TSatellite::Create("ISS (ZARYA)",
                                   "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844",
                                   "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269");
}

}  // namespace nimbrel::station::test
