#include "station/HamlibLink.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>
#include <array>
#include <utility>

namespace nimbrel::station {

namespace {

// A slow daemon must not let commands pile up behind it.
constexpr std::size_t kMaxQueuedCommands = 16;

}  // namespace

std::optional<TDaemonAddress> ParseDaemonAddress(const QString& text) {
  const qsizetype colon = text.lastIndexOf(QLatin1Char(':'));
  if (colon <= 0) return std::nullopt;
  QString host = text.left(colon);
  if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
    host = host.mid(1, host.size() - 2);
    if (QHostAddress(host).protocol() != QAbstractSocket::IPv6Protocol) return std::nullopt;
  } else if (host.contains(QLatin1Char(':')) || host.contains(QLatin1Char(' ')) || host.contains('[')) {
    return std::nullopt;
  }
  bool ok = false;
  const uint port = text.mid(colon + 1).toUInt(&ok);
  if (host.isEmpty() || !ok || port < 1 || port > 65535) return std::nullopt;
  return TDaemonAddress{host, static_cast<quint16>(port)};
}

QString HamlibErrorText(int code) {
  // hamlib's error codes (rig_errcode_e), as its manual describes them.
  static constexpr std::array<const char*, 18> kTexts = {
      "no error",
      "invalid parameter",
      "invalid configuration",
      "out of memory",
      "function not implemented",
      "communication timed out",
      "input/output error",
      "internal hamlib error",
      "protocol error",
      "command rejected by the device",
      "command performed, but argument truncated",
      "function not available",
      "VFO not targetable",
      "error talking on the bus",
      "collision on the bus",
      "invalid argument",
      "invalid VFO",
      "argument out of domain of function",
  };
  const int index = -code;
  const QString words = index >= 0 && index < static_cast<int>(kTexts.size())
                            ? QString::fromLatin1(kTexts[static_cast<std::size_t>(index)])
                            : QStringLiteral("unknown error");
  return QStringLiteral("hamlib error %1, %2").arg(code).arg(words);
}

THamlibLink::THamlibLink(QString device, QObject* parent)
    : QObject(parent),
      device_(std::move(device)),
      socket_(new QTcpSocket(this)),
      replyTimer_(new QTimer(this)),
      connectTimer_(new QTimer(this)),
      retryTimer_(new QTimer(this)) {
  for (QTimer* timer : {replyTimer_, connectTimer_, retryTimer_}) timer->setSingleShot(true);
  connect(socket_, &QTcpSocket::connected, this, &THamlibLink::OnConnected);
  connect(socket_, &QTcpSocket::errorOccurred, this, &THamlibLink::OnSocketError);
  connect(socket_, &QTcpSocket::disconnected, this, &THamlibLink::OnDisconnected);
  connect(socket_, &QTcpSocket::readyRead, this, &THamlibLink::OnReadyRead);
  connect(replyTimer_, &QTimer::timeout, this, &THamlibLink::OnReplyTimeout);
  connect(connectTimer_, &QTimer::timeout, this, &THamlibLink::OnConnectTimeout);
  connect(retryTimer_, &QTimer::timeout, this, &THamlibLink::Connect);
}

THamlibLink::~THamlibLink() {
  // Quietly: nobody listens any more.
  blockSignals(true);
  Close();
}

void THamlibLink::Open(const TDaemonAddress& address) {
  Close();
  address_ = address;
  Connect();
}

void THamlibLink::Close() {
  retryTimer_->stop();
  connectTimer_->stop();
  replyTimer_->stop();
  queue_.clear();
  replies_.Clear();
  // Set first: the socket's disconnected signal must not schedule a retry.
  const bool wasConnected = Connected();
  SetState(TLinkState::lsClosed);
  // What was written last (a stop, say) still goes out, as far as it can without waiting.
  if (wasConnected) socket_->flush();
  socket_->abort();
  SetProblem({});
}

QString THamlibLink::Where() const {
  return QStringLiteral("the %1 at %2:%3").arg(device_, address_.host).arg(address_.port);
}

void THamlibLink::Connect() {
  socket_->abort();
  replies_.Clear();
  SetState(TLinkState::lsConnecting);
  connectTimer_->start(timings_.connectTimeoutMs);
  socket_->connectToHost(address_.host, address_.port);
}

void THamlibLink::OnConnected() {
  if (state_ != TLinkState::lsConnecting) return;
  connectTimer_->stop();
  everConnected_ = true;
  SetProblem({});
  SetState(TLinkState::lsConnected);
}

void THamlibLink::OnConnectTimeout() {
  if (state_ != TLinkState::lsConnecting) return;
  Lose(QStringLiteral("Could not reach %1: no answer within %2 s.")
           .arg(Where())
           .arg(timings_.connectTimeoutMs / 1000.0));
}

void THamlibLink::OnSocketError(QAbstractSocket::SocketError) {
  if (state_ == TLinkState::lsConnecting)
    Lose(QStringLiteral("Could not reach %1: %2.").arg(Where(), socket_->errorString()));
  else if (state_ == TLinkState::lsConnected)
    Lose(QStringLiteral("Lost the connection to %1: %2.").arg(Where(), socket_->errorString()));
}

void THamlibLink::OnDisconnected() {
  if (state_ == TLinkState::lsConnected || state_ == TLinkState::lsConnecting)
    Lose(QStringLiteral("%1 closed the connection.").arg(Where().replace(0, 1, QLatin1Char('T'))));
}

void THamlibLink::Lose(const QString& problem) {
  connectTimer_->stop();
  replyTimer_->stop();
  queue_.clear();
  SetState(TLinkState::lsWaitingToRetry);
  socket_->abort();
  SetProblem(problem);
  retryTimer_->start(timings_.retryDelayMs);
}

bool THamlibLink::Send(const QByteArray& command, int valueLines, TReplyHandler handler) {
  if (!Connected() || queue_.size() >= kMaxQueuedCommands) return false;
  queue_.push_back({command, valueLines, std::move(handler)});
  if (queue_.size() == 1) WriteHead();
  return true;
}

void THamlibLink::WriteHead() {
  socket_->write(queue_.front().text + '\n');
  replyTimer_->start(timings_.replyTimeoutMs);
}

void THamlibLink::OnReadyRead() {
  replies_.Append(socket_->readAll());
  while (state_ == TLinkState::lsConnected) {
    // Lines nobody asked for (after a Close, say) are passed over.
    if (queue_.empty()) replies_.SkipLines();
    std::optional<TReply> answer = queue_.empty() ? std::nullopt : replies_.Take(queue_.front().valueLines);
    if (!answer) {
      if (replies_.Overlong())
        Lose(QStringLiteral("%1 sent something that is not hamlib's protocol.")
                 .arg(Where().replace(0, 1, QLatin1Char('T'))));
      return;
    }
    replyTimer_->stop();
    TReply reply = std::move(*answer);
    TCommand done = std::move(queue_.front());
    queue_.pop_front();
    const QByteArray verb = done.text.left(done.text.indexOf(' '));
    if (reply.Ok() && (refusedVerb_.isEmpty() || refusedVerb_ == verb)) {
      refusedVerb_.clear();
      SetProblem({});
    } else if (!reply.Ok() && !(verb == refusedVerb_ && reply.code == refusedCode_)) {
      // The same command word refused for the same reason is the same problem, whatever its
      // arguments: a rotator refusing every new position must not announce each one.
      refusedVerb_ = verb;
      refusedCode_ = reply.code;
      SetProblem(QStringLiteral("%1 refused \"%2\": %3.")
                     .arg(Where().replace(0, 1, QLatin1Char('T')), QString::fromLatin1(done.text),
                          HamlibErrorText(reply.code)));
    }
    if (!queue_.empty()) WriteHead();
    // Last: the handler may send the next command, or close the link.
    if (done.handler) done.handler(reply);
  }
}

void THamlibLink::OnReplyTimeout() {
  if (state_ != TLinkState::lsConnected || queue_.empty()) return;
  Lose(QStringLiteral("%1 did not answer \"%2\" within %3 s; connecting again.")
           .arg(Where().replace(0, 1, QLatin1Char('T')), QString::fromLatin1(queue_.front().text))
           .arg(timings_.replyTimeoutMs / 1000.0));
}

void THamlibLink::SetState(TLinkState state) {
  if (state_ == state) return;
  state_ = state;
  emit StateChanged(state);
}

void THamlibLink::SetProblem(const QString& problem) {
  if (problem.isEmpty()) refusedVerb_.clear();
  if (problem_ == problem) return;
  problem_ = problem;
  emit ProblemChanged(problem_);
}

}  // namespace nimbrel::station
