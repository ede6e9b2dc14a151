#pragma once
// TDownloader fetches Kepler data into the data folder, one source after another, on the thread it
// lives on and without ever blocking it: everything happens in Qt's event loop, so the window stays
// responsive and a tool can wait in QCoreApplication::exec.
//
// The one exception is the check of a finished download, which reads it through the catalogue on a
// short-lived thread of its own; its result comes back through the event loop.
//
// Nothing is lost: each download goes to a hidden temporary file in the data folder, and replaces
// "<name>.csv" (or the ending of the form it has) only when the catalogue reader finds at least one
// element set in it and the text ends where a whole file of its form ends (catalogue::EndsWhole),
// whatever the headers said (the transmitter list: replaces transmitters/transmitters.json only when
// it is a transmitter list with a good entry). On any failure or on Cancel the temporary file is
// removed and the old file is left exactly as it was.
//
// The sources' usage rules are kept here, so that no caller can break them:
// - CelesTrak addresses are asked as https://celestrak.org whatever the user wrote, and no redirect
//   from CelesTrak is followed; other redirects only to the same scheme, host and port;
// - an answer other than 200 ends that download and is read for what it says: CelesTrak's 403 "has
//   not updated since your last successful download" is no failure (drNotUpdated), a 404 "No GP
//   data found" means no objects now (drNoObjects), any other shows its status and short text;
// - after such an answer (the "not updated" one aside) or when a host cannot be reached, the run
//   asks that host nothing more: its other sources are drNotTried;
// - with a state: a source on CelesTrak is fetched at most once every two hours per request, the
//   transmitter list once a day (asked sooner, it is refused without a request); error answers and
//   bytes are counted per host, a host with kHostErrorLimit error answers within two hours is not
//   asked automatically (askAnyway lets a person's explicit request through), and no download starts
//   that could take a host's bytes of the UTC day past kDailyHostBytes;
// - every request names the program in its User-Agent; answers and transfers are bounded in time
//   and size (compressed or not).

#include <QDateTime>
#include <QObject>
#include <QString>
#include <QUrl>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <thread>
#include <utility>
#include <vector>

#include "download/DownloadState.h"
#include "download/Sources.h"

class QNetworkAccessManager;
class QNetworkReply;
class QTemporaryFile;
class QTimer;

namespace nimbrel::download {

inline constexpr qint64 kMaxDownloadBytes = qint64{64} * 1024 * 1024;

// "NimbrelGL/<version>".
QString UserAgent();
// "812 bytes", "4.1 kB", "2.3 MB" (powers of 1000).
QString FormatBytes(qint64 bytes);

struct TDownloadOptions {
  QString dataFolder;  // created when first needed
  // The current time in UTC; tests set the clock for the two-hour rule.
  std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); };
  // From the request to the answer's headers, and between any two pieces of the body.
  std::chrono::milliseconds answerTimeout = std::chrono::seconds(30);
  std::chrono::milliseconds stallTimeout = std::chrono::seconds(30);
  qint64 maxBytes = kMaxDownloadBytes;
  // Where the last-download times and the hosts' error answers and bytes are read and kept; none:
  // no two-hour rule and no counting (tests only).
  std::optional<TDownloadState> state;
  // A person asked for this run explicitly after being told that a host rests after its error
  // answers: the rest is not kept. Everything else still is.
  bool askAnyway = false;
};

struct TDownloadResult {
  // drNotUpdated, drNoObjects and drNotTried came after the others: the values stay.
  enum class TStatus { drDone, drTooSoon, drFailed, drCancelled, drNotUpdated, drNoObjects, drNotTried };
  QString name;
  TStatus status = TStatus::drFailed;
  QString reason;  // why not drDone, a plain phrase: "HTTP 403: Forbidden", "cut short"
  int sets = 0;
  int previousSets = -1;  // drDone: the sets of the file it replaced; -1 when there was none
  qint64 bytes = 0;
  TSourceKind kind = TSourceKind::skKepler;
  QString file;            // drDone: the file written
  QDateTime nextAllowed;   // drTooSoon, drNotUpdated: when the source may be fetched
  QDateTime restingUntil;  // drNotTried for a host's error answers: when it may be asked again
  QDateTime newestEpoch;   // drDone: the epoch of its newest set
  QDateTime finished;      // by the downloader's clock
  bool Done() const noexcept { return status == TStatus::drDone; }
  // What nimbrel-data's exit status counts as a failure: drFailed, drNoObjects, drNotTried.
  bool Failed() const noexcept;
  // "stations: 12 sets, 4.1 kB, newest 3 hours old", "stations: 19 sets (40 before), ...",
  // "transmitters: 2412 transmitters, 1.2 MB" or "stations: HTTP 500: Internal error".
  QString Line() const;
};

// "1,234": counts in a report, grouped as CelesTrak's pages group them.
QString FormatCount(int count);
// "newest 3 hours old": how old the newest set is at `now`.
QString NewestAge(const QDateTime& epoch, const QDateTime& now);

// What reading a finished download found: its sets, or why it is no Kepler data, and the ending of
// its form.
struct TCheck {
  int sets = 0;
  QString problem;
  QString extension;
  QDateTime newestEpoch;
  int previousSets = -1;  // of `previousPath`, when given and readable
};
// Syncs the file to the disk and reads it as the catalogue would; safe on any thread. A text cut
// inside its last record is the problem "cut short". `supplemental`: the file's sets will be read as
// supplemental ones, each piece of an object counted.
TCheck CheckDownload(const QString& path, bool htmlType, const QString& previousPath = QString(),
                     bool supplemental = false);
// The same for a transmitter list: `sets` counts its good entries.
TCheck CheckTransmitterDownload(const QString& path, bool htmlType);

// The file of the data folder that holds the source's data ("<name>.csv", ".tle", ...), the newest
// when there are several; empty when there is none.
QString PreviousFile(const QString& dataFolder, const QString& sourceName);

class TDownloader : public QObject {
  Q_OBJECT

 public:
  explicit TDownloader(TDownloadOptions options, QObject* parent = nullptr);
  // A download still running is abandoned and its temporary file removed; no signal is sent.
  ~TDownloader() override;

  // Downloads `sources` one after another. Ignored while a run is going on (false).
  bool Start(std::vector<TSource> sources);
  // Ends the run: the current download and every one not yet started become drCancelled.
  void Cancel();
  bool Running() const noexcept { return running_; }
  // Every result of the last run, in the order of its sources.
  const std::vector<TDownloadResult>& Results() const noexcept { return results_; }
  const TDownloadOptions& Options() const noexcept { return options_; }

 signals:
  // During a download: the source, its place in the run (from 0), and the bytes so far and expected
  // (-1 when the server does not say).
  void Progress(const QString& name, int index, int count, qint64 received, qint64 total);
  void SourceFinished(const nimbrel::download::TDownloadResult& result);
  void Finished();

 private:
  void StartNext();
  void Send(const QUrl& url);
  void OnMetaData();
  void OnReadyRead();
  void OnFinished();
  void Fail(const QString& reason, TDownloadResult::TStatus status = TDownloadResult::TStatus::drFailed);
  void Verify();
  void Install(const TCheck& check, std::uint64_t generation);
  void JoinCheck() noexcept;
  void Complete(TDownloadResult result);
  void DropReply();
  std::optional<TDownloadResult> Refusal(const TSource& source, const QUrl& url);
  void ReadErrorAnswer();
  void HostRefused(const QString& why);

  TDownloadOptions options_;
  std::unique_ptr<QNetworkAccessManager> network_;
  QTimer* answerTimer_ = nullptr;
  QTimer* stallTimer_ = nullptr;
  std::vector<TSource> sources_;
  std::vector<TDownloadResult> results_;
  std::size_t index_ = 0;
  bool running_ = false;
  // The current download.
  QNetworkReply* reply_ = nullptr;
  std::unique_ptr<QTemporaryFile> temporary_;
  QUrl url_;
  int redirects_ = 0;
  QUrl redirect_;           // where to go once this answer has ended
  QString pendingFailure_;  // why this download fails, once its answer has ended
  int errorStatus_ = 0;     // an answer other than 200 whose text is being read
  QByteArray errorText_;    // its first bytes
  QString previousFile_;
  bool asked_ = false;  // a request has gone out for the current source
  // Hosts that refused a request in this run, with the reason: not asked again.
  std::vector<std::pair<QString, QString>> refusedHosts_;
  bool answered_ = false;
  bool htmlType_ = false;
  qint64 received_ = 0;
  qint64 expected_ = -1;
  // The check of a finished download runs on a thread of its own; a result whose generation is no
  // longer current (the run was cancelled meanwhile) is dropped.
  std::thread check_;
  std::uint64_t generation_ = 0;
};

}  // namespace nimbrel::download
