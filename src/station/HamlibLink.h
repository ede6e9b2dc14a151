#pragma once
// One TCP link to a hamlib daemon (rotctld or rigctld) in its default protocol: one command a line;
// a set command is answered "RPRT n" (0 success, a negative hamlib error code otherwise), a get
// command by its value lines, or by "RPRT n" alone when it fails.
//
// Everything runs on the event loop of the thread that owns the link; nothing here ever waits for
// the daemon. Commands go one at a time: the next is written when the reply to the one before has
// come. A reply that does not come within the reply timeout means the daemon is stuck, and as later
// replies could no longer be told apart, the link drops the connection and connects afresh. A lost
// or refused connection is retried every few seconds until Close. A problem is announced once, when
// it begins or changes, however often it recurs.

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>

#include "station/HamlibReplies.h"

class QTcpSocket;
class QTimer;

namespace nimbrel::station {

enum class TLinkState { lsClosed, lsConnecting, lsConnected, lsWaitingToRetry };

struct TLinkTimings {
  int connectTimeoutMs = 3000;
  int replyTimeoutMs = 2000;
  int retryDelayMs = 3000;
};

// HOST:PORT (a host name, an IPv4 address or an IPv6 address in brackets, and a port from 1 to
// 65535); nothing for anything else.
struct TDaemonAddress {
  QString host;
  quint16 port = 0;
};
std::optional<TDaemonAddress> ParseDaemonAddress(const QString& text);

// A hamlib error code in plain words ("-5" becomes "communication timed out").
QString HamlibErrorText(int code);

class THamlibLink : public QObject {
  Q_OBJECT

 public:
  using TReplyHandler = std::function<void(const TReply&)>;

  // `device` names the far end in problems a user reads: "rotator", "radio".
  explicit THamlibLink(QString device, QObject* parent = nullptr);
  ~THamlibLink() override;

  void SetTimings(const TLinkTimings& timings) noexcept { timings_ = timings; }

  // Connects to the daemon, and keeps connecting after every loss until Close.
  void Open(const TDaemonAddress& address);
  // Drops the connection and every command not yet answered; no more retries.
  void Close();

  TLinkState State() const noexcept { return state_; }
  bool Connected() const noexcept { return state_ == TLinkState::lsConnected; }
  // Connected, and no command waiting for its reply.
  bool Idle() const noexcept { return Connected() && queue_.empty(); }
  bool EverConnected() const noexcept { return everConnected_; }
  const TDaemonAddress& Address() const noexcept { return address_; }
  // What is wrong now, as a sentence for the user; empty when nothing is.
  const QString& Problem() const noexcept { return problem_; }

  // Queues `command` (without the line end). `valueLines` is how many lines a success brings: 0 for
  // a set command, which is answered by RPRT. `handler` runs with the reply when it comes; it never
  // runs for a command lost with its connection. False, and nothing queued, when not connected.
  bool Send(const QByteArray& command, int valueLines, TReplyHandler handler = {});

 signals:
  void StateChanged(nimbrel::station::TLinkState state);
  // The problem began, changed or ended (then the text is empty).
  void ProblemChanged(const QString& problem);

 private:
  struct TCommand {
    QByteArray text;
    int valueLines = 0;
    TReplyHandler handler;
  };

  void Connect();
  void OnConnected();
  void OnSocketError(QAbstractSocket::SocketError error);
  void OnDisconnected();
  void OnReadyRead();
  void OnReplyTimeout();
  void OnConnectTimeout();
  void WriteHead();
  void Lose(const QString& problem);
  void SetState(TLinkState state);
  void SetProblem(const QString& problem);
  QString Where() const;

  QString device_;
  TLinkTimings timings_;
  TDaemonAddress address_;
  TLinkState state_ = TLinkState::lsClosed;
  bool everConnected_ = false;
  QString problem_;
  // The first word of the command whose refusal is the problem: only its success ends the problem.
  QByteArray refusedVerb_;
  int refusedCode_ = 0;
  QTcpSocket* socket_ = nullptr;
  QTimer* replyTimer_ = nullptr;
  QTimer* connectTimer_ = nullptr;
  QTimer* retryTimer_ = nullptr;
  THamlibReplyReader replies_;
  std::deque<TCommand> queue_;  // the head has been written and waits for its reply
};

}  // namespace nimbrel::station
