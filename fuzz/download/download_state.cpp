// What the download side keeps in the settings file is untrusted (hand-edited, written by another
// version, damaged): reading it must never crash, and whatever it says, the rules it feeds stay
// bounded: no host rests longer than two hours after now, no request waits longer than two hours,
// no day's byte count is negative, and the sources it yields can be downloaded into files.

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>

#include "download/DownloadState.h"
#include "download/Sources.h"

namespace {

using namespace nimbrel::download;

// One folder for the whole run, as XDG_CONFIG_HOME: the store finds the file from there.
QString ConfigFolder() {
  static const std::unique_ptr<QTemporaryDir> folder = [] {
    auto dir = std::make_unique<QTemporaryDir>();
    qputenv("XDG_CONFIG_HOME", dir->path().toLocal8Bit());
    QDir(dir->path()).mkpath(QStringLiteral("Corvane"));
    return dir;
  }();
  return folder->path();
}

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  QFile file(ConfigFolder() + QStringLiteral("/Corvane/NimbrelGL.conf"));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
  file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  file.close();

  const TDownloadState state = TDownloadState::ForProgram();
  const QDateTime now(QDate(2026, 12, 9), QTime(14, 0), Qt::UTC);
  const qint64 window = kHostErrorWindow.count();
  for (const TSource& source : state.AllSources()) {
    Check(ValidSourceName(source.name) && !UrlProblem(source.url));
    if (const std::optional<QDateTime> next = state.NextAllowed(source, now))
      Check(*next > now && now.secsTo(*next) <= kGroupMinimumInterval.count());
  }
  for (const char* host : {"celestrak.org", "127.0.0.1:8080"}) {
    const QString key = QString::fromLatin1(host);
    if (const std::optional<QDateTime> until = state.HostRestingUntil(key, now))
      Check(*until > now && now.secsTo(*until) <= window);
    Check(state.BytesToday(key, now) >= 0);
    // Adding keeps the file readable and the count growing.
    const qint64 before = state.BytesToday(key, now);
    state.AddBytes(key, now, 1000);
    Check(state.BytesToday(key, now) >= std::max<qint64>(before, 1000));
    state.AddErrorAnswer(key, now);
    if (const std::optional<QDateTime> until = state.HostRestingUntil(key, now))
      Check(now.secsTo(*until) == window);
  }
  (void)state.Choice();
  return 0;
}
