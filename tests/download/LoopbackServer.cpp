#include "LoopbackServer.h"

#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTimer>
#include <utility>

namespace nimbrel::download::testing {

TLoopbackServer::TLoopbackServer() {
  // Port 0: the system picks a free one, so parallel test runs never collide.
  EXPECT_TRUE(server_.listen(QHostAddress::LocalHost, 0)) << server_.errorString().toStdString();
  connect(&server_, &QTcpServer::newConnection, this, [this] {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
      socket->setParent(this);
      auto buffer = std::make_shared<QByteArray>();
      connect(socket, &QTcpSocket::readyRead, socket, [this, socket, buffer] {
        buffer->append(socket->readAll());
        if (!buffer->contains("\r\n\r\n")) return;
        lastRequest_ = buffer->left(buffer->indexOf("\r\n\r\n"));
        buffer->clear();
        ++requests_;
        Serve(socket);
      });
    }
  });
}

QUrl TLoopbackServer::Url(const QString& pathAndQuery) const {
  return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(pathAndQuery));
}

void TLoopbackServer::Serve(QTcpSocket* socket) {
  const QByteArray target = lastRequest_.split(' ').value(1);
  const QString path =
      QString::fromLatin1(target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?')));
  TAnswer answer;
  if (auto exact = answers_.find(QString::fromLatin1(target)); exact != answers_.end()) {
    answer = *exact;
  } else if (auto it = answers_.find(path); it != answers_.end()) {
    answer = *it;
  } else {
    answer.status = 404;
    answer.reason = "Not Found";
    answer.contentType = "text/plain";
    answer.body = "Not found\n";
  }
  if (answer.silent) return;
  if (answer.delayMs > 0) {
    const int delay = std::exchange(answer.delayMs, 0);
    QTimer::singleShot(delay, socket, [this, socket, answer] { Write(socket, answer); });
    return;
  }
  Write(socket, answer);
}

void TLoopbackServer::Write(QTcpSocket* socket, const TAnswer& answer) {
  QByteArray head = "HTTP/1.1 " + QByteArray::number(answer.status) + " " + answer.reason + "\r\n";
  head += "Content-Type: " + answer.contentType + "\r\n";
  if (answer.noLength) {
    head += "Connection: close\r\n";
  } else {
    head += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
  }
  for (const auto& [name, value] : answer.headers) head += name + ": " + value + "\r\n";
  head += "\r\n";
  socket->write(head);
  if (answer.stallAfterHeaders) return;
  if (answer.cutAfter >= 0) {
    socket->write(answer.body.left(answer.cutAfter));
    socket->flush();
    socket->disconnectFromHost();
    return;
  }
  socket->write(answer.body);
  if (answer.noLength) socket->disconnectFromHost();
}

}  // namespace nimbrel::download::testing
