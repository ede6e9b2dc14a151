// One large group downloaded over the loopback interface, as "active" comes from CelesTrak: 12,000
// OMM CSV records, about 2.5 MB. Measured: the whole download with its check and the replacement
// of the file, and the longest time the downloading thread's event loop was kept from its other
// work meanwhile (the window's responsiveness), reported as the counter "longest_stall_ms".

#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "download/Downloader.h"

namespace {

using namespace nimbrel::download;

constexpr int kRecords = 12000;

QByteArray GroupCsv() {
  QByteArray text =
      "OBJECT_NAME,OBJECT_ID,EPOCH,MEAN_MOTION,ECCENTRICITY,INCLINATION,RA_OF_ASC_NODE,ARG_OF_PERICENTER,"
      "MEAN_ANOMALY,EPHEMERIS_TYPE,CLASSIFICATION_TYPE,NORAD_CAT_ID,ELEMENT_SET_NO,REV_AT_EPOCH,BSTAR,"
      "MEAN_MOTION_DOT,MEAN_MOTION_DDOT\r\n";
  char line[256];
  for (int i = 0; i < kRecords; ++i) {
    const int number = 10000 + i * 7;
    std::snprintf(
        line, sizeof line,
        "OBJECT %d,2026-%03dA,2026-12-%02dT%02d:%02d:11.476032,%.8f,.%07d,%.4f,%.4f,%.4f,%.4f,0,U,%d,999,"
        "%d,.13602e-3,.00019047,0\r\n",
        number, i % 1000, 1 + i % 28, i % 24, i % 60, 14.0 + (i % 200) * 0.01, 1000 + i % 9000,
        (i % 1800) * 0.1, (i * 7) % 360 + 0.5, (i * 11) % 360 + 0.25, (i * 13) % 360 + 0.125, number,
        i % 100000);
    text += line;
  }
  return text;
}

void BM_DownloadGroup(benchmark::State& state) {
  const QByteArray body = GroupCsv();
  QTcpServer server;
  server.listen(QHostAddress::LocalHost, 0);
  QObject::connect(&server, &QTcpServer::newConnection, [&] {
    while (QTcpSocket* socket = server.nextPendingConnection()) {
      QObject::connect(socket, &QTcpSocket::readyRead, socket, [socket, &body] {
        if (!socket->readAll().contains("\r\n\r\n")) return;
        socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/csv\r\nContent-Length: " +
                      QByteArray::number(body.size()) + "\r\n\r\n" + body);
      });
      QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
  });
  QTemporaryDir folder;
  TDownloadOptions options;
  options.dataFolder = folder.path();
  const TSource source{QStringLiteral("active"),
                       {},
                       QUrl(QStringLiteral("http://127.0.0.1:%1/gp.php").arg(server.serverPort())),
                       false};
  qint64 longestStall = 0;
  int sets = 0;
  for (auto _ : state) {
    TDownloader downloader(options);
    QEventLoop loop;
    QObject::connect(&downloader, &TDownloader::Finished, &loop, &QEventLoop::quit);
    QElapsedTimer sinceTick;
    sinceTick.start();
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout,
                     [&] { longestStall = std::max(longestStall, sinceTick.restart()); });
    ticker.start(1);
    downloader.Start({source});
    loop.exec();
    longestStall = std::max(longestStall, sinceTick.elapsed());
    sets = downloader.Results().empty() ? 0 : downloader.Results().front().sets;
  }
  state.counters["longest_stall_ms"] = static_cast<double>(longestStall);
  state.counters["sets"] = sets;
  state.SetBytesProcessed(state.iterations() * body.size());
}

}  // namespace

BENCHMARK(BM_DownloadGroup)->Unit(benchmark::kMillisecond)->Iterations(10);

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
