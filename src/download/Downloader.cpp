#include "download/Downloader.h"

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTemporaryFile>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>

#include "catalogue/DataFolder.h"
#include "catalogue/KeplerContent.h"
#include "catalogue/KeplerFile.h"
#include "catalogue/SatelliteList.h"
#include "catalogue/Transmitters.h"

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

TCheck CheckDownload(const QString& path, bool htmlType) {
  TCheck check;
  std::string text;
  try {
    SyncToDisk(path);
    text = catalogue::ReadKeplerFile(path.toStdString()).value_or(std::string());
    catalogue::TSatelliteList list;
    list.LoadFromText(text);
    check.sets = list.Count();
  } catch (const catalogue::ECatalogueFileError& e) {
    check.problem =
        QStringLiteral("the downloaded file cannot be read: ") + QString::fromStdString(e.Reason());
    return check;
  } catch (const std::exception& e) {
    // A broken XML or JSON document: the whole of it is worthless.
    check.problem = QStringLiteral("not Kepler data: ") + QString::fromUtf8(e.what());
    return check;
  }
  if (check.sets == 0) {
    check.problem = NotKeplerReason(text, htmlType);
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

QString TDownloadResult::Line() const {
  if (Done()) {
    const bool one = sets == 1;
    const QString what = kind == TSourceKind::skTransmitters
                             ? (one ? QStringLiteral(" transmitter, ") : QStringLiteral(" transmitters, "))
                             : (one ? QStringLiteral(" set, ") : QStringLiteral(" sets, "));
    return name + QStringLiteral(": ") + QString::number(sets) + what + FormatBytes(bytes);
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

void TDownloader::StartNext() {
  if (!running_) return;
  if (index_ >= sources_.size()) {
    running_ = false;
    emit Finished();
    return;
  }
  const TSource& source = sources_[index_];
  if (options_.state) {
    if (const std::optional<QDateTime> next = options_.state->NextAllowed(source, options_.clock())) {
      TDownloadResult result = Result(source.name, TStatus::drTooSoon);
      result.nextAllowed = *next;
      result.reason =
          (source.kind == TSourceKind::skTransmitters
               ? QStringLiteral("not before %1 UTC: the transmitter list is fetched at most once a day")
               : QStringLiteral("not before %1 UTC: CelesTrak allows one download of a group every 2 hours"))
              .arg(next->toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")));
      Complete(std::move(result));
      return;
    }
  }
  if (const std::optional<QString> problem = UrlProblem(source.url)) {
    Complete(Result(source.name, TStatus::drFailed,
                    QStringLiteral("cannot use %1: %2").arg(source.url.toDisplayString(), *problem)));
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
  answered_ = false;
  htmlType_ = false;
  received_ = 0;
  expected_ = -1;
  Send(source.url);
}

void TDownloader::Send(const QUrl& url) {
  url_ = url;
  QNetworkRequest request(url);
  request.setHeader(QNetworkRequest::UserAgentHeader, UserAgent());
  // Redirects are judged here: one to another host is an error, never silently followed.
  request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
  request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
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
    if (target.isValid() && SameOrigin(target, url_) && redirects_ < kMaxRedirects) {
      redirect_ = target;
    } else {
      pendingFailure_ =
          SameOrigin(target, url_)
              ? QStringLiteral("HTTP %1: too many redirects").arg(status)
              : QStringLiteral("HTTP %1: the server sends the download on to %2, which is not followed")
                    .arg(status)
                    .arg(target.host().isEmpty() ? target.toDisplayString() : target.host());
    }
    return;
  }
  // The server has answered: that counts as a download for the two-hour rule, whatever came back.
  if (options_.state && MinimumInterval(source))
    options_.state->SetLastDownload(source.name, options_.clock());
  if (status != 200) {
    pendingFailure_ = QStringLiteral("HTTP %1").arg(status);
    return;
  }
  const QVariant length = reply_->header(QNetworkRequest::ContentLengthHeader);
  if (length.isValid()) expected_ = length.toLongLong();
  if (expected_ > options_.maxBytes) {
    Fail(QStringLiteral("larger than %1").arg(SizeBound(options_.maxBytes)));
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
    Fail(pendingFailure_.isEmpty() ? QStringLiteral("larger than %1").arg(SizeBound(options_.maxBytes))
                                   : pendingFailure_);
    return;
  }
  stallTimer_->start(options_.stallTimeout);
  if (!pendingFailure_.isEmpty() || redirect_.isValid()) return;  // the body of an error page
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
    answered_ = false;
    received_ = 0;
    expected_ = -1;
    Send(target);
  } else if (!pendingFailure_.isEmpty()) {
    Fail(pendingFailure_);
  } else if (!answered_) {
    Fail(QStringLiteral("could not download from %1: %2").arg(url_.host(), errorText));
  } else if (error != QNetworkReply::NoError || (expected_ >= 0 && received_ < expected_)) {
    Fail(QStringLiteral("cut short"));
  } else {
    Verify();
  }
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
  const bool transmitters = sources_[index_].kind == TSourceKind::skTransmitters;
  // Reading a large group takes a tenth of a second and more: not on the thread the window runs on.
  check_ = std::thread([this, temporaryPath, htmlType, transmitters, generation] {
    TCheck result = transmitters ? CheckTransmitterDownload(temporaryPath, htmlType)
                                 : CheckDownload(temporaryPath, htmlType);
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
