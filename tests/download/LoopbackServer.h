#pragma once
// A small HTTP/1.1 server on 127.0.0.1 for the download tests: each path answers as the test says,
// including the ways real servers fail (closing early, stalling, never answering).

#include <QByteArray>
#include <QHostAddress>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace nimbrel::download::testing {

struct TAnswer {
  int status = 200;
  QByteArray reason = "OK";
  QByteArray contentType = "text/csv";
  QByteArray body{};
  QList<QPair<QByteArray, QByteArray>> headers{};  // more header lines, such as Location
  // -1: the whole body; otherwise the connection is closed after this many bytes of it (the
  // Content-Length still announces the whole).
  qsizetype cutAfter = -1;
  bool stallAfterHeaders = false;  // headers and nothing more, the connection left open
  bool silent = false;             // accepts the connection, never answers
  int delayMs = 0;                 // answers this much later
  bool noLength = false;           // no Content-Length: the body ends when the connection closes
};

class TLoopbackServer : public QObject {
 public:
  TLoopbackServer();
  // An address on this server: "http://127.0.0.1:<port><path>".
  QUrl Url(const QString& pathAndQuery) const;
  // `path` with its query answers that request alone; without, every query on the path.
  void Answer(const QString& path, TAnswer answer) { answers_[path] = std::move(answer); }
  // Requests so far, all paths.
  int Requests() const noexcept { return requests_; }
  // The request line and headers of the last request.
  const QByteArray& LastRequest() const noexcept { return lastRequest_; }

 private:
  void Serve(QTcpSocket* socket);
  void Write(QTcpSocket* socket, const TAnswer& answer);

  QTcpServer server_;
  QMap<QString, TAnswer> answers_;
  int requests_ = 0;
  QByteArray lastRequest_;
};

}  // namespace nimbrel::download::testing
