#include "download/Downloader.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>

#include "catalogue/DataFolder.h"
#include "catalogue/KeplerContent.h"
#include "catalogue/KeplerFile.h"
#include "catalogue/SatelliteList.h"
#include "catalogue/Transmitters.h"
#include "download/DataFiles.h"

namespace nimbrel::download {

namespace {

using TStatus = TDownloadResult::TStatus;

// A server that sends us round in circles, even on its own host, is not followed for ever.
constexpr int kMaxRedirects = 5;
// An answer this short that holds no set is shown to the user: it is usually the server's own
// explanation ("No GP data found").
constexpr qsizetype kQuotedAnswerBytes = 200;

QString Seconds(std::chrono::milliseconds ms) {
  const double s = static_cast<double>(ms.count()) / 1000.0;
  return QString::number(s, 'g', 3) + QStringLiteral(" s");
}

QString SizeBound(qint64 bytes) {
  if (bytes % (1024 * 1024) == 0) return QString::number(bytes / (1024 * 1024)) + QStringLiteral(" MiB");
  return FormatBytes(bytes);
}

bool SameOrigin(const QUrl& a, const QUrl& b) {
  return a.scheme().compare(b.scheme(), Qt::CaseInsensitive) == 0 &&
         a.host().compare(b.host(), Qt::CaseInsensitive) == 0 && a.port() == b.port();
}

bool LooksLikeHtml(std::string_view text) {
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  while (!text.empty() &&
         (text.front() == ' ' || text.front() == '\t' || text.front() == '\r' || text.front() == '\n')) {
    text.remove_prefix(1);
  }
  const QByteArray head =
      QByteArray(text.data(), static_cast<qsizetype>(std::min<std::size_t>(text.size(), 32))).toLower();
  return head.startsWith("<!doctype html") || head.startsWith("<html") || head.startsWith("<head") ||
         head.startsWith("<body");
}

// The reason for a text that holds no element set.
QString NotKeplerReason(std::string_view text, bool htmlType) {
  if (htmlType || LooksLikeHtml(text)) return QStringLiteral("not Kepler data: the answer is an HTML page");
  if (text.empty()) return QStringLiteral("not Kepler data: the answer is empty");
  if (text.size() <= static_cast<std::size_t>(kQuotedAnswerBytes)) {
    QString shown = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).simplified();
    bool printable = !shown.isEmpty();
    for (const QChar c : shown) printable = printable && c.isPrint();
    if (printable) return QStringLiteral("not Kepler data: the answer is \"%1\"").arg(shown);
  }
  return QStringLiteral("not Kepler data: no element set in it");
}

// An answer's text as a user may read it: short, printable, no HTML; empty otherwise.
QString ShortPlainText(const QByteArray& body) {
  if (body.size() > kQuotedAnswerBytes || LooksLikeHtml(std::string_view(body.constData(), body.size())))
    return {};
  const QString shown = QString::fromUtf8(body).simplified();
  for (const QChar c : shown) {
    if (!c.isPrint()) return {};
  }
  return shown;
}

// CelesTrak's "GP data has not updated since your last successful download of GROUP=stations at
// 2026-12-09 14:00:02 UTC. Data is updated once every 2 hours.": whether the text says so, and
// the time it names (invalid when it names none).
std::optional<QDateTime> NotUpdatedSince(const QByteArray& body) {
  const QString text = QString::fromUtf8(body.left(4096)).simplified();
  if (!text.contains(QLatin1String("not updated since"), Qt::CaseInsensitive) &&
      !text.contains(QLatin1String("not been updated since"), Qt::CaseInsensitive))
    return std::nullopt;
  static const QRegularExpression kTime(QStringLiteral("(\\d{4}-\\d{2}-\\d{2})[ T](\\d{2}:\\d{2}:\\d{2})"));
  const QRegularExpressionMatch match = kTime.match(text);
  if (!match.hasMatch()) return QDateTime();
  return QDateTime::fromString(match.captured(1) + QLatin1Char('T') + match.captured(2) + QLatin1Char('Z'),
                               Qt::ISODate);
}

bool IsConnectionError(QNetworkReply::NetworkError error) {
  switch (error) {
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyNotFoundError:
      return true;
    default:
      return false;
  }
}

QString UtcMinutes(const QDateTime& t) {
  return t.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(" UTC");
}

void SyncToDisk(const QString& path) {
  // On the disk before it can replace anything: a crash must not leave an empty data file.
  const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
  if (fd >= 0) {
    ::fsync(fd);
    ::close(fd);
  }
}

TDownloadResult Result(const QString& name, TStatus status, const QString& reason = QString()) {
  TDownloadResult result;
  result.name = name;
  result.status = status;
  result.reason = reason;
  return result;
}

}  // namespace

QString PreviousFile(const QString& dataFolder, const QString& sourceName) {
  const QDir dir(dataFolder);
  QString newest;
  QDateTime newestTime;
  for (const char* ending : {".csv", ".tle", ".xml", ".json", ".txt", ".2li"}) {
    const QFileInfo info(dir.filePath(sourceName + QLatin1String(ending)));
    if (!info.isFile()) continue;
    if (newest.isEmpty() || info.lastModified() > newestTime) {
      newest = info.filePath();
      newestTime = info.lastModified();
    }
  }
  return newest;
}

TCheck CheckDownload(const QString& path, bool htmlType, const QString& previousPath, bool supplemental) {
  TCheck check;
  if (!previousPath.isEmpty()) {
    try {
      catalogue::TSatelliteList previous;
      previous.LoadFromFile(previousPath.toStdString());
      check.previousSets = previous.SetCount();
    } catch (const std::exception&) {
      // An unreadable old file has no count to show; the new one is judged on its own.
    }
  }
  std::string text;
  try {
    SyncToDisk(path);
    text = catalogue::ReadKeplerFile(path.toStdString()).value_or(std::string());
    catalogue::TSatelliteList list;
    list.LoadFromText(text,
                      supplemental ? catalogue::TSetOrigin::soSupplemental : catalogue::TSetOrigin::soPublic);
    check.sets = list.SetCount();
    double newestJD = 0.0;
    for (int i = 0; i < list.Count(); ++i) {
      const orbit::TSatellite& satellite = list.SatelliteAt(i);
      if (satellite.HasElements()) newestJD = std::max(newestJD, satellite.LatestEpochJD());
    }
    if (newestJD > 0.0) check.newestEpoch = EpochTime(newestJD);
  } catch (const catalogue::ECatalogueFileError& e) {
    check.problem =
        QStringLiteral("the downloaded file cannot be read: ") + QString::fromStdString(e.Reason());
    return check;
  } catch (const std::exception& e) {
    // A broken XML or JSON document: the whole of it is worthless.
    check.problem = catalogue::EndsWhole(text)
                        ? QStringLiteral("not Kepler data: ") + QString::fromUtf8(e.what())
                        : QStringLiteral("cut short");
    return check;
  }
  if (check.sets == 0) {
    check.problem = NotKeplerReason(text, htmlType);
    return check;
  }
  // The readers pass over a broken last record quietly: a file cut inside it would lose the rest.
  if (!catalogue::EndsWhole(text)) {
    check.problem = QStringLiteral("cut short");
    return check;
  }
  check.extension = QString::fromLatin1(catalogue::KeplerFileExtension(text));
  return check;
}

TCheck CheckTransmitterDownload(const QString& path, bool htmlType) {
  TCheck check;
  std::string text;
  try {
    SyncToDisk(path);
    text = catalogue::ReadKeplerFile(path.toStdString()).value_or(std::string());
    if (htmlType || LooksLikeHtml(text)) {
      check.problem = QStringLiteral("not a transmitter list: the answer is an HTML page");
      return check;
    }
    check.sets = static_cast<int>(catalogue::ReadTransmitterList(text).size());
  } catch (const catalogue::ECatalogueFileError& e) {
    check.problem =
        QStringLiteral("the downloaded file cannot be read: ") + QString::fromStdString(e.Reason());
  } catch (const catalogue::ETransmitterListError& e) {
    check.problem = QStringLiteral("not a transmitter list: ") + QString::fromStdString(e.Reason());
  }
  check.extension = QStringLiteral(".json");
  return check;
}

QString UserAgent() {
  return QStringLiteral("NimbrelGL/") + QStringLiteral(NIMBREL_VERSION);
}

QString FormatBytes(qint64 bytes) {
  if (bytes < 1000)
    return QString::number(bytes) + (bytes == 1 ? QStringLiteral(" byte") : QStringLiteral(" bytes"));
  if (bytes < 1000 * 1000)
    return QString::number(static_cast<double>(bytes) / 1e3, 'f', 1) + QStringLiteral(" kB");
  return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1) + QStringLiteral(" MB");
}

QString FormatCount(int count) {
  return QLocale(QLocale::English).toString(count);
}

QString NewestAge(const QDateTime& epoch, const QDateTime& now) {
  const qint64 seconds = epoch.secsTo(now);
  auto unit = [](qint64 n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromLatin1(n == 1 ? one : many);
  };
  if (seconds < 0) {
    // Supplemental sets begin ahead of the clock.
    const qint64 ahead = -seconds;
    return QStringLiteral("newest ") +
           (ahead < 2 * 86400 ? unit(ahead / 3600, "hour", "hours") : unit(ahead / 86400, "day", "days")) +
           QStringLiteral(" ahead");
  }
  if (seconds < 3600) return QStringLiteral("newest less than an hour old");
  if (seconds < 2 * 86400)
    return QStringLiteral("newest ") + unit(seconds / 3600, "hour", "hours") + QStringLiteral(" old");
  return QStringLiteral("newest ") + unit(seconds / 86400, "day", "days") + QStringLiteral(" old");
}

bool TDownloadResult::Failed() const noexcept {
  return status == TStatus::drFailed || status == TStatus::drNoObjects || status == TStatus::drNotTried;
}

QString TDownloadResult::Line() const {
  if (Done()) {
    const bool one = sets == 1;
    QString line = name + QStringLiteral(": ") + FormatCount(sets) +
                   (kind == TSourceKind::skTransmitters
                        ? (one ? QStringLiteral(" transmitter") : QStringLiteral(" transmitters"))
                        : (one ? QStringLiteral(" set") : QStringLiteral(" sets")));
    // A transfer cut exactly between two records cannot be told from a smaller file: the count
    // beside the old one shows a large drop.
    if (previousSets >= 0) line += QStringLiteral(" (%1 before)").arg(FormatCount(previousSets));
    line += QStringLiteral(", ") + FormatBytes(bytes);
    if (newestEpoch.isValid() && finished.isValid())
      line += QStringLiteral(", ") + NewestAge(newestEpoch, finished);
    return line;
  }
  return name + QStringLiteral(": ") + reason;
}

TDownloader::TDownloader(TDownloadOptions options, QObject* parent)
    : QObject(parent), options_(std::move(options)), network_(std::make_unique<QNetworkAccessManager>()) {
  answerTimer_ = new QTimer(this);
  answerTimer_->setSingleShot(true);
  stallTimer_ = new QTimer(this);
  stallTimer_->setSingleShot(true);
  connect(answerTimer_, &QTimer::timeout, this, [this] {
    Fail(QStringLiteral("no answer from %1 within %2").arg(url_.host(), Seconds(options_.answerTimeout)));
  });
  connect(stallTimer_, &QTimer::timeout, this, [this] {
    Fail(QStringLiteral("the transfer stalled: nothing arrived for %1").arg(Seconds(options_.stallTimeout)));
  });
}

TDownloader::~TDownloader() {
  ++generation_;
  JoinCheck();
  DropReply();
  temporary_.reset();
}

bool TDownloader::Start(std::vector<TSource> sources) {
  if (running_) return false;
  sources_ = std::move(sources);
  results_.clear();
  index_ = 0;
  running_ = true;
  // Always from the event loop, so that a caller connects its slots before anything is reported.
  QTimer::singleShot(0, this, [this] { StartNext(); });
  return true;
}

void TDownloader::Cancel() {
  if (!running_) return;
  if (reply_ != nullptr || temporary_) {
    Fail(QStringLiteral("cancelled"), TStatus::drCancelled);
  }
  while (index_ < sources_.size()) {
    Complete(Result(sources_[index_].name, TStatus::drCancelled, QStringLiteral("cancelled")));
  }
}

std::optional<TDownloadResult> TDownloader::Refusal(const TSource& source, const QUrl& url) {
  const QString host = HostKey(url);
  for (const auto& [refusedHost, why] : refusedHosts_) {
    if (refusedHost == host)
      return Result(source.name, TStatus::drNotTried, QStringLiteral("not tried: ") + why);
  }
  if (!options_.state) return std::nullopt;
  const QDateTime now = options_.clock();
  if (const std::optional<QDateTime> next = options_.state->NextAllowed(source, now)) {
    TDownloadResult result = Result(source.name, TStatus::drTooSoon);
    result.nextAllowed = *next;
    result.reason =
        (source.kind == TSourceKind::skTransmitters
             ? QStringLiteral("not before %1: the transmitter list is fetched at most once a day")
             : QStringLiteral("not before %1: CelesTrak allows one download of a group every 2 hours"))
            .arg(UtcMinutes(*next));
    return result;
  }
  if (!options_.askAnyway) {
    if (const std::optional<QDateTime> until = options_.state->HostRestingUntil(host, now)) {
      TDownloadResult result = Result(
          source.name, TStatus::drNotTried,
          QStringLiteral("not tried: %1 gave %2 error answers within 2 hours, so it is not asked again "
                         "before %3 unless you ask anyway")
              .arg(host)
              .arg(kHostErrorLimit)
              .arg(UtcMinutes(*until)));
      result.restingUntil = *until;
      return result;
    }
  }
  // The file of the last download stands for what this one will bring.
  const qint64 today = options_.state->BytesToday(host, now);
  const qint64 expected = QFileInfo(PreviousFile(options_.dataFolder, source.name)).size();
  if (today + expected > kDailyHostBytes) {
    return Result(source.name, TStatus::drNotTried,
                  QStringLiteral("not tried: %1 has sent %2 today and this source's last file was %3; "
                                 "more than %4 a day from one host gets an address blocked")
                      .arg(host, FormatBytes(today), FormatBytes(expected), FormatBytes(kDailyHostBytes)));
  }
  return std::nullopt;
}

void TDownloader::StartNext() {
  if (!running_) return;
  if (index_ >= sources_.size()) {
    running_ = false;
    emit Finished();
    return;
  }
  const TSource& source = sources_[index_];
  const QUrl url = CelestrakUrl(source.url);
  if (const std::optional<QString> problem = UrlProblem(url)) {
    Complete(Result(source.name, TStatus::drFailed,
                    QStringLiteral("cannot use %1: %2").arg(source.url.toDisplayString(), *problem)));
    return;
  }
  if (std::optional<TDownloadResult> refused = Refusal(source, url)) {
    Complete(std::move(*refused));
    return;
  }
  if (!ValidSourceName(source.name)) {
    Complete(Result(source.name, TStatus::drFailed, QStringLiteral("the name cannot be a file name")));
    return;
  }
  if (!QDir().mkpath(options_.dataFolder)) {
    Complete(Result(source.name, TStatus::drFailed,
                    QStringLiteral("cannot create the data folder %1").arg(options_.dataFolder)));
    return;
  }
  // Hidden, and with an ending no Kepler mask matches, so that the catalogue never reads it.
  temporary_ = std::make_unique<QTemporaryFile>(
      QDir(options_.dataFolder).filePath(QStringLiteral(".") + source.name + QStringLiteral("-XXXXXX.part")));
  if (!temporary_->open()) {
    const QString error = temporary_->errorString();
    temporary_.reset();
    Complete(
        Result(source.name, TStatus::drFailed,
               QStringLiteral("cannot write in the data folder %1: %2").arg(options_.dataFolder, error)));
    return;
  }
  redirects_ = 0;
  redirect_ = QUrl();
  pendingFailure_.clear();
  errorStatus_ = 0;
  errorText_.clear();
  previousFile_ = PreviousFile(options_.dataFolder, source.name);
  answered_ = false;
  htmlType_ = false;
  received_ = 0;
  expected_ = -1;
  asked_ = true;
  Send(url);
}

void TDownloader::Send(const QUrl& url) {
  url_ = url;
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
  // Redirects are judged here: one to another host is an error, never silently followed.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
  // Qt's own guard against compressed bombs ends a large group's transfer with an error that reads
  // as a cut; our bound counts the bytes after decompression and says what happened.
  request.setDecompressedSafetyCheckThreshold(-1);
  reply_ = network_->get(request);
  connect(reply_, &QNetworkReply::metaDataChanged, this, &TDownloader::OnMetaData);
  connect(reply_, &QIODevice::readyRead, this, &TDownloader::OnReadyRead);
  connect(reply_, &QNetworkReply::finished, this, &TDownloader::OnFinished);
  stallTimer_->stop();
  answerTimer_->start(options_.answerTimeout);
}

void TDownloader::OnMetaData() {
  if (reply_ == nullptr || answered_) return;
  const QVariant statusValue = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute);
  if (!statusValue.isValid()) return;
  answerTimer_->stop();
  stallTimer_->start(options_.stallTimeout);
  answered_ = true;
  const int status = statusValue.toInt();
  const TSource& source = sources_[index_];
  // Answers other than 200 are judged now but acted on when their (short) body has arrived: Qt does
  // not take kindly to aborting a reply it has already marked as failed.
  if (status >= 300 && status < 400) {
    const QUrl target = url_.resolved(QUrl::fromEncoded(reply_->rawHeader("Location")));
    const QString where = target.host().isEmpty() ? target.toDisplayString() : target.host();
    if (IsCelestrakHost(url_.host())) {
      // CelesTrak sends on only requests whose address is wrong, and counts them as errors.
      pendingFailure_ =
          QStringLiteral(
              "HTTP %1: CelesTrak sends the request on to %2; the address is wrong and is not followed")
              .arg(status)
              .arg(target.toDisplayString());
      errorStatus_ = status;
    } else if (target.isValid() && SameOrigin(target, url_) && redirects_ < kMaxRedirects) {
      redirect_ = target;
    } else {
      pendingFailure_ =
          SameOrigin(target, url_)
              ? QStringLiteral("HTTP %1: too many redirects").arg(status)
              : QStringLiteral("HTTP %1: the server sends the download on to %2, which is not followed")
                    .arg(status)
                    .arg(where);
      errorStatus_ = status;
    }
    return;
  }
  // The server has answered: that counts as a download for the two-hour rule, whatever came back.
  if (options_.state && MinimumInterval(source)) options_.state->SetLastRequest(source, options_.clock());
  if (status != 200) {
    // Read for what it says once its text has come.
    errorStatus_ = status;
    return;
  }
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid()) expected_ = length.toLongLong();
  if (expected_ > options_.maxBytes) {
    Fail(QStringLiteral("larger than the bound of %1").arg(SizeBound(options_.maxBytes)));
    return;
  }
  htmlType_ = reply_->header(QNetworkRequest::ContentTypeHeader)
                  .toString()
                  .contains(QLatin1String("html"), Qt::CaseInsensitive);
}

void TDownloader::OnReadyRead() {
  if (reply_ == nullptr) return;
  if (!answered_) OnMetaData();
  if (reply_ == nullptr || !answered_) return;
  const QByteArray piece = reply_->readAll();
  if (piece.isEmpty()) return;
  received_ += piece.size();
  if (received_ > options_.maxBytes) {
    if (errorStatus_ != 0) {
      ReadErrorAnswer();
      return;
    }
    Fail(QStringLiteral("larger than the bound of %1").arg(SizeBound(options_.maxBytes)));
    return;
  }
  stallTimer_->start(options_.stallTimeout);
  if (errorStatus_ != 0 || redirect_.isValid()) {
    // The body of an error page: its start may say why.
    if (errorText_.size() < 4096) errorText_ += piece.left(4096 - errorText_.size());
    return;
  }
  if (temporary_->write(piece) != piece.size()) {
    Fail(QStringLiteral("cannot write in the data folder %1: %2")
             .arg(options_.dataFolder, temporary_->errorString()));
    return;
  }
  emit Progress(sources_[index_].name, static_cast<int>(index_), static_cast<int>(sources_.size()), received_,
                expected_);
}

void TDownloader::OnFinished() {
  if (reply_ == nullptr) return;
  answerTimer_->stop();
  stallTimer_->stop();
  if (!answered_) OnMetaData();
  if (reply_ != nullptr && answered_) OnReadyRead();
  if (reply_ == nullptr) return;  // refused while reading
  const QNetworkReply::NetworkError error = reply_->error();
  const QString errorText = reply_->errorString();
  DropReply();
  if (redirect_.isValid()) {
    const QUrl target = redirect_;
    ++redirects_;
    redirect_ = QUrl();
    errorText_.clear();
    answered_ = false;
    received_ = 0;
    expected_ = -1;
    Send(target);
  } else if (errorStatus_ != 0) {
    ReadErrorAnswer();
  } else if (!answered_) {
    if (IsConnectionError(error)) {
      const QString why =
          QStringLiteral("No connection to %1: check the network, or put Kepler files into %2")
              .arg(url_.host(), options_.dataFolder);
      HostRefused(QStringLiteral("no connection to %1").arg(url_.host()));
      Fail(why);
    } else {
      Fail(QStringLiteral("could not download from %1: %2").arg(url_.host(), errorText));
    }
  } else if (error != QNetworkReply::NoError || (expected_ >= 0 && received_ < expected_)) {
    Fail(QStringLiteral("cut short"));
  } else {
    Verify();
  }
}

void TDownloader::HostRefused(const QString& why) {
  const QString host = HostKey(url_);
  for (const auto& entry : refusedHosts_) {
    if (entry.first == host) return;
  }
  refusedHosts_.emplace_back(host, why);
}

void TDownloader::ReadErrorAnswer() {
  const TSource& source = sources_[index_];
  const int status = std::exchange(errorStatus_, 0);
  const QByteArray body = std::exchange(errorText_, QByteArray());
  const QDateTime now = options_.clock();
  if (status == 403) {
    if (const std::optional<QDateTime> since = NotUpdatedSince(body)) {
      // No newer data than the file in hand: nothing failed, and the source waits for the next.
      if (options_.state) options_.state->SetLastRequest(source, now);
      TDownloadResult result = Result(source.name, TStatus::drNotUpdated);
      QDateTime next = now.addSecs(kGroupMinimumInterval.count());
      if (since->isValid()) next = std::max(next, since->addSecs(kGroupMinimumInterval.count()));
      result.nextAllowed = next;
      result.reason =
          (since->isValid()
               ? QStringLiteral("no newer data since the last download at %1").arg(UtcMinutes(*since))
               : QStringLiteral("no newer data since the last download")) +
          QStringLiteral("; the file stays, and is not asked for again before %1").arg(UtcMinutes(next));
      answerTimer_->stop();
      stallTimer_->stop();
      DropReply();
      Complete(std::move(result));
      return;
    }
  }
  if (options_.state) options_.state->AddErrorAnswer(HostKey(url_), now);
  const QString text = ShortPlainText(body);
  QString reason = pendingFailure_.isEmpty() ? QStringLiteral("HTTP %1").arg(status) : pendingFailure_;
  if (pendingFailure_.isEmpty() && !text.isEmpty()) reason += QStringLiteral(": ") + text;
  HostRefused(QStringLiteral("%1 refused the request for %2 (%3)").arg(url_.host(), source.name, reason));
  if (status == 404 && body.left(4096).contains("No GP data found")) {
    Fail(QStringLiteral("the source has no objects now (\"No GP data found\"); the old file is kept"),
         TStatus::drNoObjects);
    return;
  }
  Fail(reason);
}

void TDownloader::Verify() {
  const QString temporaryPath = temporary_->fileName();  // gives a file made with O_TMPFILE its name
  if (!temporary_->flush()) {
    Fail(QStringLiteral("cannot write in the data folder %1: %2")
             .arg(options_.dataFolder, temporary_->errorString()));
    return;
  }
  temporary_->setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup |
                             QFileDevice::ReadOther);
  temporary_->close();  // still removed when the check fails
  JoinCheck();
  const std::uint64_t generation = ++generation_;
  const bool htmlType = htmlType_;
  const QString previous = previousFile_;
  const bool transmitters = sources_[index_].kind == TSourceKind::skTransmitters;
  // Counted as the catalogue will read the file under the source's name: every supplemental piece.
  const bool supplemental = catalogue::IsSupplementalFile(sources_[index_].name.toStdString());
  // Reading a large group takes a tenth of a second and more: not on the thread the window runs on.
  check_ = std::thread([this, temporaryPath, htmlType, transmitters, supplemental, previous, generation] {
    TCheck result = transmitters ? CheckTransmitterDownload(temporaryPath, htmlType)
                                 : CheckDownload(temporaryPath, htmlType, previous, supplemental);
    QMetaObject::invokeMethod(
        this, [this, result = std::move(result), generation] { Install(result, generation); },
        Qt::QueuedConnection);
  });
}

void TDownloader::Install(const TCheck& check, std::uint64_t generation) {
  JoinCheck();
  // A result for a download that has been cancelled meanwhile.
  if (generation != generation_ || !temporary_ || index_ >= sources_.size()) return;
  if (!check.problem.isEmpty()) {
    Fail(check.problem);
    return;
  }
  const TSource& source = sources_[index_];
  const QString temporaryPath = temporary_->fileName();
  // The transmitter list goes into a folder of its own, where the Kepler scan never looks.
  const bool transmitters = source.kind == TSourceKind::skTransmitters;
  const QString target = transmitters ? catalogue::TransmitterListPath(options_.dataFolder)
                                      : QDir(options_.dataFolder).filePath(source.name + check.extension);
  if (transmitters && !QDir().mkpath(QFileInfo(target).path())) {
    Fail(QStringLiteral("cannot create the folder %1").arg(QFileInfo(target).path()));
    return;
  }
  // rename(2) replaces the old file in one step: a reader sees the old data or the new, never a mix.
  if (std::rename(QFile::encodeName(temporaryPath).constData(), QFile::encodeName(target).constData()) != 0) {
    Fail(QStringLiteral("cannot replace %1: %2").arg(target, QString::fromLocal8Bit(std::strerror(errno))));
    return;
  }
  temporary_->setAutoRemove(false);
  temporary_.reset();
  TDownloadResult result = Result(source.name, TStatus::drDone);
  result.kind = source.kind;
  result.sets = check.sets;
  result.previousSets = check.previousSets;
  result.newestEpoch = check.newestEpoch;
  result.bytes = received_;
  result.file = target;
  Complete(std::move(result));
}

void TDownloader::JoinCheck() noexcept {
  if (check_.joinable()) check_.join();
}

void TDownloader::Fail(const QString& reason, TDownloadResult::TStatus status) {
  if (!running_ || index_ >= sources_.size()) return;
  answerTimer_->stop();
  stallTimer_->stop();
  DropReply();
  Complete(Result(sources_[index_].name, status, reason));
}

void TDownloader::Complete(TDownloadResult result) {
  ++generation_;       // a check still running is for nothing now
  temporary_.reset();  // removes the file unless it became the data file
  result.finished = options_.clock();
  if (std::exchange(asked_, false) && options_.state)
    options_.state->AddBytes(HostKey(url_), result.finished, received_);
  results_.push_back(result);
  ++index_;
  emit SourceFinished(result);
  if (result.status != TStatus::drCancelled)
    QTimer::singleShot(0, this, [this] { StartNext(); });
  else if (index_ >= sources_.size())
    StartNext();
}

void TDownloader::DropReply() {
  if (reply_ == nullptr) return;
  QNetworkReply* reply = reply_;
  reply_ = nullptr;
  reply->disconnect(this);
  // A reply that has already failed (a 404, say) has ended its transfer; aborting it again only
  // makes Qt complain.
  if (reply->error() == QNetworkReply::NoError && !reply->isFinished()) reply->abort();
  reply->deleteLater();
}

}  // namespace nimbrel::download
