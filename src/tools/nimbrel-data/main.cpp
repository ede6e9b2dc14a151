// nimbrel-data: the download side of NimbrelGL on the command line. It lists the sources, shows
// what the data folder holds, downloads into it and keeps the user's own sources. It never asks for
// anything, so it can run from cron: one line per source on standard output, reasons on standard
// error, and an exit status that says whether everything worked.

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QUrl>
#include <cstdio>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/DataFolder.h"
#include "catalogue/UserErrorText.h"
#include "download/DataFiles.h"
#include "download/DownloadState.h"
#include "download/Downloader.h"
#include "download/Sources.h"

namespace {

using namespace nimbrel::download;

constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

constexpr const char* kUsage =
    "usage: nimbrel-data COMMAND [ARGUMENTS] [--folder DIR]\n"
    "Downloads Kepler data into NimbrelGL's data folder and keeps your own sources.\n"
    "\n"
    "commands:\n"
    "  groups                       the built-in sources: name, description, URL\n"
    "  status                       each file of the data folder: source, sets, age, next allowed update\n"
    "  update NAME|URL... [--name N] [--ask-anyway]\n"
    "                               download into the data folder; --name: the file name for one URL\n"
    "                               (else named from the URL: group, sup-FILE, sup-SOURCE, or file+query);\n"
    "                               --ask-anyway: ask a host that is resting after 5 error answers\n"
    "      nimbrel-data update stations visual amateur\n"
    "      nimbrel-data update https://example.org/elements.txt --name mine\n"
    "  add NAME URL                 keep an http or https address as a source of your own\n"
    "  remove NAME                  forget a source of your own\n"
    "\n"
    "options:\n"
    "  --folder DIR                 use DIR instead of the data folder\n"
    "  --help                       this text\n"
    "  --version                    the program's name and version\n"
    "\n"
    "The data folder is the companion's TwoLineDataPath when set (nimbrel-settings set-data-folder),\n"
    "else $XDG_DATA_HOME/NimbrelGL/kepler (~/.local/share/NimbrelGL/kepler). CelesTrak's groups are\n"
    "fetched at most once every 2 hours, CelesTrak addresses always as https://celestrak.org. The\n"
    "sources sup-... are CelesTrak's supplemental sets (sup-gp.php, as CSV): every set of an object is\n"
    "kept, and the one used at a time is the one with the latest epoch not after it. The\n"
    "source \"transmitters\" is SatNOGS DB's list of satellites' radio transmitters (CC BY-SA 4.0),\n"
    "kept as transmitters/transmitters.json in the data folder and fetched at most once a day.\n"
    "Exit status: 0 when nothing failed (every source done, not updated since the last download,\n"
    "or too soon to ask); 1 when any source failed, was cut short, had no objects or was not tried\n"
    "because its host refused (the others are still done); 2 for a bad command line.\n";

struct TUsageError {
  QString message;
};

void Out(const QString& line) {
  std::fputs((line + QLatin1Char('\n')).toLocal8Bit().constData(), stdout);
  std::fflush(stdout);
}

void Err(const QString& line) {
  std::fputs((QStringLiteral("nimbrel-data: ") + line + QLatin1Char('\n')).toLocal8Bit().constData(), stderr);
}

struct TCommandLine {
  QString command;
  QStringList arguments;
  QString folder;
  QString name;
  bool help = false;
  bool version = false;
  bool askAnyway = false;
};

TCommandLine Parse(const QStringList& args) {
  TCommandLine line;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    auto value = [&](const QString& option) {
      if (arg.startsWith(option + QLatin1Char('='))) return arg.mid(option.size() + 1);
      if (i + 1 >= args.size()) throw TUsageError{option + QStringLiteral(" needs a value")};
      return args[++i];
    };
    if (arg == QLatin1String("--help")) {
      line.help = true;
    } else if (arg == QLatin1String("--version")) {
      line.version = true;
    } else if (arg == QLatin1String("--ask-anyway")) {
      line.askAnyway = true;
    } else if (arg == QLatin1String("--folder") || arg.startsWith(QLatin1String("--folder="))) {
      line.folder = value(QStringLiteral("--folder"));
      if (line.folder.isEmpty()) throw TUsageError{QStringLiteral("--folder needs a folder")};
    } else if (arg == QLatin1String("--name") || arg.startsWith(QLatin1String("--name="))) {
      line.name = value(QStringLiteral("--name"));
    } else if (arg.startsWith(QLatin1String("--"))) {
      throw TUsageError{QStringLiteral("unknown option '%1'").arg(arg)};
    } else if (line.command.isEmpty()) {
      line.command = arg;
    } else {
      line.arguments << arg;
    }
  }
  return line;
}

bool LooksLikeUrl(const QString& text) {
  return text.contains(QLatin1String("://"));
}

// The sources `update` names, checked before anything is downloaded.
std::vector<TSource> UpdateSources(const TCommandLine& line, const TDownloadState& state) {
  if (line.arguments.isEmpty()) throw TUsageError{QStringLiteral("update needs a source name or a URL")};
  const qsizetype urls = std::count_if(line.arguments.begin(), line.arguments.end(), LooksLikeUrl);
  if (!line.name.isEmpty() && urls != 1)
    throw TUsageError{QStringLiteral("--name gives the file name for exactly one URL")};
  std::vector<TSource> sources;
  for (const QString& argument : line.arguments) {
    if (!LooksLikeUrl(argument)) {
      const std::optional<TSource> source = state.Find(argument);
      if (!source)
        throw TUsageError{
            QStringLiteral("no source is named '%1' ('nimbrel-data groups' lists them)").arg(argument)};
      sources.push_back(*source);
      continue;
    }
    const QUrl url(argument);
    if (const std::optional<QString> problem = UrlProblem(url))
      throw TUsageError{QStringLiteral("cannot use '%1': %2").arg(argument, *problem)};
    const QString name = line.name.isEmpty() ? NameFromUrl(CelestrakUrl(url)) : line.name;
    if (!ValidSourceName(name)) {
      throw TUsageError{
          QStringLiteral("'%1' cannot be a file name: give one with --name (letters, digits, '-', "
                         "'_', '.')")
              .arg(name)};
    }
    sources.push_back({name, QString(), url, false});
  }
  return sources;
}

int Groups() {
  std::vector<TSource> sources = BuiltInSources();
  sources.push_back(TransmitterSource());
  for (const TSource& source : sources) {
    Out(source.name + QLatin1Char('\t') + source.description + QLatin1Char('\t') +
        source.url.toString(QUrl::FullyEncoded));
  }
  return 0;
}

int Status(const QString& folder, const TDownloadState& state) {
  const std::vector<TSource> sources = state.AllSources();
  const std::vector<TDataFile> files = ListDataFiles(folder, sources);
  Out(QStringLiteral("data folder: ") + folder);
  if (files.empty()) {
    Out(QDir(folder).exists() ? QStringLiteral("no Kepler files")
                              : QStringLiteral("not created yet: no Kepler files"));
    return 0;
  }
  const QDateTime now = QDateTime::currentDateTimeUtc();
  for (const TDataFile& file : files) {
    QString line = file.fileName + QStringLiteral(": ");
    line += file.source.isEmpty() ? QStringLiteral("own file") : QStringLiteral("source ") + file.source;
    line += file.problem.isEmpty()
                ? QStringLiteral(", %1 %2").arg(FormatCount(file.sets),
                                                QLatin1String(file.sets == 1 ? "set" : "sets"))
                : QStringLiteral(", cannot be read: ") + file.problem;
    line += QStringLiteral(", written ") + FormatAge(file.modifiedUtc.secsTo(now));
    if (file.newestEpoch.isValid()) line += QStringLiteral(", ") + NewestAge(file.newestEpoch, now);
    if (!file.source.isEmpty()) {
      const std::optional<TSource> source = state.Find(file.source);
      const std::optional<QDateTime> next = source ? state.NextAllowed(*source, now) : std::nullopt;
      line += next ? QStringLiteral(", next update at ") +
                         next->toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(" UTC")
                   : QStringLiteral(", may be updated now");
    }
    Out(line);
  }
  return 0;
}

int Update(const TCommandLine& line, const QString& folder, const TDownloadState& state) {
  const std::vector<TSource> sources = UpdateSources(line, state);
  TDownloadOptions options;
  options.dataFolder = folder;
  options.state = state;
  options.askAnyway = line.askAnyway;
  TDownloader downloader(options);
  bool failed = false;
  bool resting = false;
  QObject::connect(&downloader, &TDownloader::SourceFinished, [&](const TDownloadResult& result) {
    if (result.Failed()) {
      failed = true;
      resting = resting || result.restingUntil.isValid();
      Err(result.Line());
    } else {
      Out(result.Line());
    }
  });
  QObject::connect(&downloader, &TDownloader::Finished, QCoreApplication::instance(),
                   &QCoreApplication::quit);
  downloader.Start(sources);
  QCoreApplication::exec();
  if (resting) Err(QStringLiteral("to ask a resting host anyway, run the same update with --ask-anyway"));
  return failed ? kExitFailed : 0;
}

int Run(const TCommandLine& line) {
  const TDownloadState state = TDownloadState::ForProgram();
  const QString folder =
      line.folder.isEmpty() ? nimbrel::catalogue::KeplerDataFolder() : QDir(line.folder).absolutePath();
  if (!line.name.isEmpty() && line.command != QLatin1String("update"))
    throw TUsageError{QStringLiteral("--name belongs to update")};
  if (line.askAnyway && line.command != QLatin1String("update"))
    throw TUsageError{QStringLiteral("--ask-anyway belongs to update")};
  auto arguments = [&](qsizetype count) {
    if (line.arguments.size() != count)
      throw TUsageError{QStringLiteral("%1 takes %2 argument(s)").arg(line.command).arg(count)};
  };
  if (line.command == QLatin1String("groups")) {
    arguments(0);
    return Groups();
  }
  if (line.command == QLatin1String("status")) {
    arguments(0);
    return Status(folder, state);
  }
  if (line.command == QLatin1String("update")) return Update(line, folder, state);
  if (line.command == QLatin1String("add")) {
    arguments(2);
    const QUrl url(line.arguments[1]);
    if (const std::optional<QString> problem = TDownloadState::UserSourceProblem(line.arguments[0], url))
      throw TUsageError{QStringLiteral("cannot add '%1': %2").arg(line.arguments[0], *problem)};
    if (const std::optional<QString> problem = state.AddUserSource(line.arguments[0], url)) {
      Err(QStringLiteral("cannot add '%1': %2").arg(line.arguments[0], *problem));
      return kExitFailed;
    }
    return 0;
  }
  if (line.command == QLatin1String("remove")) {
    arguments(1);
    if (!state.RemoveUserSource(line.arguments[0])) {
      Err(QStringLiteral("no source of your own is named '%1', or the settings could not be saved")
              .arg(line.arguments[0]));
      return kExitFailed;
    }
    return 0;
  }
  throw TUsageError{line.command.isEmpty() ? QStringLiteral("no command given")
                                           : QStringLiteral("unknown command '%1'").arg(line.command)};
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QStringList args = QCoreApplication::arguments();
  args.removeFirst();
  try {
    const TCommandLine line = Parse(args);
    if (line.help) {
      std::fputs(kUsage, stdout);
      return 0;
    }
    if (line.version) {
      std::puts("nimbrel-data " NIMBREL_VERSION);
      return 0;
    }
    return Run(line);
  } catch (const TUsageError& e) {
    Err(e.message);
    std::fputs("Try 'nimbrel-data --help'.\n", stderr);
    return kExitUsage;
  } catch (const std::exception& e) {
    Err(QString::fromStdString(nimbrel::catalogue::UserErrorText(e)));
    return kExitFailed;
  }
}
