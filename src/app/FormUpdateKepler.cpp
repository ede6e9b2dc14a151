#include "app/FormUpdateKepler.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/DownloadCoordinator.h"
#include "catalogue/DataFolder.h"
#include "download/DataFiles.h"

namespace nimbrel::app {

namespace {

using download::TSource;

enum TColumn { kColumnSource, kColumnDescription, kColumnAge, kColumnNext, kColumnCount };

// Without a remembered choice, what most users of a tracker want first.
const QStringList& FirstChoice() {
  static const QStringList kNames = {QStringLiteral("stations"), QStringLiteral("visual"),
                                     QStringLiteral("amateur")};
  return kNames;
}

}  // namespace

TFormUpdateKepler::TFormUpdateKepler(download::TDownloadOptions options, QString groupBase, QWidget* parent)
    : QDialog(parent), options_(std::move(options)), groupBase_(std::move(groupBase)) {
  setWindowTitle(QStringLiteral("Update Kepler data"));
  auto* layout = new QVBoxLayout(this);
  labelFolder_ = new QLabel(this);
  labelFolder_->setWordWrap(true);
  labelFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(labelFolder_);
  SetDataFolder(options_.dataFolder);

  ListSources = new QTreeWidget(this);
  ListSources->setObjectName(QStringLiteral("ListSources"));
  ListSources->setColumnCount(kColumnCount);
  ListSources->setHeaderLabels({QStringLiteral("Source"), QStringLiteral("Description"),
                                QStringLiteral("File age"), QStringLiteral("Next update")});
  ListSources->setRootIsDecorated(false);
  ListSources->setUniformRowHeights(true);
  ListSources->header()->setStretchLastSection(false);
  ListSources->header()->setSectionResizeMode(kColumnDescription, QHeaderView::Stretch);
  layout->addWidget(ListSources, 1);

  auto* buttons = new QHBoxLayout;
  ButtonAddUrl = new QPushButton(QStringLiteral("Add URL..."), this);
  ButtonAddUrl->setToolTip(
      QStringLiteral("Download another provider's element file under a name of your own"));
  ButtonUpdate = new QPushButton(QStringLiteral("Update"), this);
  ButtonUpdate->setDefault(true);
  ButtonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  ButtonClose = new QPushButton(QStringLiteral("Close"), this);
  buttons->addWidget(ButtonAddUrl);
  buttons->addStretch(1);
  buttons->addWidget(ButtonUpdate);
  buttons->addWidget(ButtonCancel);
  buttons->addWidget(ButtonClose);
  layout->addLayout(buttons);

  LabelProgress = new QLabel(this);
  layout->addWidget(LabelProgress);
  ProgressBar = new QProgressBar(this);
  ProgressBar->setTextVisible(false);
  ProgressBar->setRange(0, 1);
  ProgressBar->setValue(0);
  layout->addWidget(ProgressBar);
  MemoResults = new QPlainTextEdit(this);
  MemoResults->setObjectName(QStringLiteral("MemoResults"));
  MemoResults->setReadOnly(true);
  MemoResults->setMaximumBlockCount(500);
  MemoResults->setFixedHeight(fontMetrics().lineSpacing() * 5 + 12);
  layout->addWidget(MemoResults);

  connect(ButtonAddUrl, &QPushButton::clicked, this, &TFormUpdateKepler::AddUrlClick);
  connect(ButtonUpdate, &QPushButton::clicked, this, [this] { StartUpdate(); });
  connect(ButtonCancel, &QPushButton::clicked, this, &TFormUpdateKepler::CancelUpdate);
  connect(ButtonClose, &QPushButton::clicked, this, &QDialog::close);
  resize(820, 520);
  ShowRunning(false);
  Refresh();
}

TFormUpdateKepler::~TFormUpdateKepler() = default;

void TFormUpdateKepler::SetDataFolder(const QString& folder) {
  if (Running()) return;
  options_.dataFolder = folder;
  labelFolder_->setText(QStringLiteral("Downloads go to the data folder %1").arg(folder));
}

void TFormUpdateKepler::Refresh(const QStringList& chosen) {
  QStringList wanted = chosen;
  if (wanted.isEmpty() && ListSources->topLevelItemCount() > 0) wanted = Chosen();
  if (wanted.isEmpty() && options_.state) wanted = options_.state->Choice();
  if (wanted.isEmpty()) wanted = FirstChoice();
  const std::vector<TSource> sources =
      options_.state ? options_.state->AllSources(groupBase_) : download::BuiltInSources(groupBase_);
  const std::vector<download::TDataFile> files = download::ListDataFiles(options_.dataFolder, sources, false);
  const QDateTime now = options_.clock();
  ListSources->clear();
  for (const TSource& source : sources) {
    auto* item = new QTreeWidgetItem(ListSources);
    item->setText(kColumnSource, source.name);
    item->setText(kColumnDescription, source.builtIn ? source.description : source.url.toDisplayString());
    item->setToolTip(kColumnDescription, source.url.toDisplayString());
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(kColumnSource,
                        wanted.contains(source.name, Qt::CaseInsensitive) ? Qt::Checked : Qt::Unchecked);
    std::optional<download::TDataFile> file = download::SourceFile(files, source.name);
    if (source.kind == download::TSourceKind::skTransmitters) {
      // Kept apart from the Kepler files, in a folder of its own.
      const QFileInfo list(catalogue::TransmitterListPath(options_.dataFolder));
      file.reset();
      if (list.isFile()) {
        // By name: the fields have grown, and a time in the wrong place would give the list no age.
        download::TDataFile listFile;
        listFile.fileName = list.fileName();
        listFile.source = source.name;
        listFile.modifiedUtc = list.lastModified().toUTC();
        file = listFile;
      }
    }
    item->setText(kColumnAge,
                  file ? download::FormatAge(file->modifiedUtc.secsTo(now)) : QStringLiteral("no file"));
    const std::optional<QDateTime> next =
        options_.state ? options_.state->NextAllowed(source, now) : std::nullopt;
    item->setText(kColumnNext,
                  next ? next->toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")) + QStringLiteral(" UTC")
                       : QStringLiteral("now"));
  }
  for (int column : {kColumnSource, kColumnAge, kColumnNext}) ListSources->resizeColumnToContents(column);
}

QStringList TFormUpdateKepler::Chosen() const {
  QStringList names;
  for (int i = 0; i < ListSources->topLevelItemCount(); ++i) {
    const QTreeWidgetItem* item = ListSources->topLevelItem(i);
    if (item->checkState(kColumnSource) == Qt::Checked) names << item->text(kColumnSource);
  }
  return names;
}

void TFormUpdateKepler::SetChosen(const QStringList& names) {
  for (int i = 0; i < ListSources->topLevelItemCount(); ++i) {
    QTreeWidgetItem* item = ListSources->topLevelItem(i);
    item->setCheckState(kColumnSource, names.contains(item->text(kColumnSource), Qt::CaseInsensitive)
                                           ? Qt::Checked
                                           : Qt::Unchecked);
  }
}

std::optional<QString> TFormUpdateKepler::AddSource(const QString& name, const QString& url) {
  if (!options_.state) return QStringLiteral("sources of your own cannot be kept here");
  if (std::optional<QString> problem = options_.state->AddUserSource(name.trimmed(), QUrl(url.trimmed())))
    return problem;
  QStringList chosen = Chosen();
  chosen << name.trimmed();
  Refresh(chosen);
  return std::nullopt;
}

void TFormUpdateKepler::AddUrlClick() {
  QDialog ask(this);
  ask.setWindowTitle(QStringLiteral("Add a source of Kepler data"));
  auto* form = new QFormLayout(&ask);
  auto* name = new QLineEdit(&ask);
  name->setPlaceholderText(QStringLiteral("my-satellites"));
  auto* url = new QLineEdit(&ask);
  url->setPlaceholderText(QStringLiteral("https://example.org/elements.txt"));
  url->setMinimumWidth(360);
  form->addRow(QStringLiteral("Name (becomes the file name):"), name);
  form->addRow(QStringLiteral("Address (http or https):"), url);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
  form->addRow(box);
  connect(box, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
  if (ask.exec() != QDialog::Accepted) return;
  if (const std::optional<QString> problem = AddSource(name->text(), url->text()))
    MemoResults->appendPlainText(QStringLiteral("Could not add the source: ") + *problem);
}

bool TFormUpdateKepler::StartUpdate() {
  if (Running()) return false;
  const QStringList names = Chosen();
  if (names.isEmpty()) {
    MemoResults->appendPlainText(QStringLiteral("Choose at least one source to update."));
    return false;
  }
  if (options_.state) options_.state->SetChoice(names);
  std::vector<TSource> sources;
  const std::vector<TSource> all =
      options_.state ? options_.state->AllSources(groupBase_) : download::BuiltInSources(groupBase_);
  for (const TSource& source : all) {
    if (names.contains(source.name, Qt::CaseInsensitive)) sources.push_back(source);
  }
  download::TDownloadOptions options = options_;
  options.askAnyway = AskAnyway(sources);
  downloader_ = std::make_unique<download::TDownloader>(std::move(options));
  connect(downloader_.get(), &download::TDownloader::Progress, this, &TFormUpdateKepler::OnProgress);
  connect(downloader_.get(), &download::TDownloader::SourceFinished, this,
          &TFormUpdateKepler::OnSourceFinished);
  connect(downloader_.get(), &download::TDownloader::Finished, this, &TFormUpdateKepler::OnFinished);
  anyDone_ = false;
  MemoResults->clear();
  QStringList skipped;
  if (coordinator_) {
    skipped = coordinator_->Start(*downloader_, std::move(sources));
  } else {
    downloader_->Start(std::move(sources));
  }
  for (const QString& name : skipped)
    MemoResults->appendPlainText(
        QStringLiteral("%1: already being downloaded by the update at start").arg(name));
  if (!downloader_->Running()) return false;
  ProgressBar->setRange(0, 0);
  LabelProgress->setText(QStringLiteral("Starting..."));
  ShowRunning(true);
  return true;
}

bool TFormUpdateKepler::AskAnyway(const std::vector<TSource>& sources) const {
  if (!options_.state || !askAnyway) return false;
  const QDateTime now = options_.clock();
  QStringList resting;
  QDateTime until;
  for (const TSource& source : sources) {
    const QString host = download::HostKey(download::CelestrakUrl(source.url));
    const std::optional<QDateTime> hostUntil = options_.state->HostRestingUntil(host, now);
    if (!hostUntil || resting.contains(host)) continue;
    resting << host;
    if (!until.isValid() || *hostUntil > until) until = *hostUntil;
  }
  if (resting.isEmpty()) return false;
  return askAnyway(
      QStringLiteral("%1 refused %2 requests within the last 2 hours, so NimbrelGL does not ask again "
                     "on its own before %3 UTC. Asking more often can get your address blocked. Ask anyway?")
          .arg(resting.join(QStringLiteral(", ")))
          .arg(download::kHostErrorLimit)
          .arg(until.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm"))));
}

void TFormUpdateKepler::CancelUpdate() {
  if (downloader_) downloader_->Cancel();
}

void TFormUpdateKepler::OnProgress(const QString& name, int index, int count, qint64 received, qint64 total) {
  QString text = QStringLiteral("%1 (%2 of %3): %4")
                     .arg(name)
                     .arg(index + 1)
                     .arg(count)
                     .arg(download::FormatBytes(received));
  if (total > 0) {
    text += QStringLiteral(" of ") + download::FormatBytes(total);
    // In kilobytes: a progress bar counts in int.
    ProgressBar->setRange(0, static_cast<int>(total / 1024) + 1);
    ProgressBar->setValue(static_cast<int>(received / 1024));
  } else {
    ProgressBar->setRange(0, 0);
  }
  LabelProgress->setText(text);
}

void TFormUpdateKepler::OnSourceFinished(const download::TDownloadResult& result) {
  anyDone_ = anyDone_ || result.Done();
  MemoResults->appendPlainText(result.Line());
}

void TFormUpdateKepler::OnFinished() {
  ShowRunning(false);
  ProgressBar->setRange(0, 1);
  ProgressBar->setValue(1);
  int done = 0;
  for (const download::TDownloadResult& result : downloader_->Results()) done += result.Done() ? 1 : 0;
  LabelProgress->setText(
      QStringLiteral("Done: %1 of %2 sources updated.").arg(done).arg(downloader_->Results().size()));
  Refresh(Chosen());
  emit RunFinished();
  if (anyDone_) emit Updated();
}

void TFormUpdateKepler::ShowRunning(bool running) {
  ButtonUpdate->setEnabled(!running);
  ButtonAddUrl->setEnabled(!running);
  ListSources->setEnabled(!running);
  ButtonCancel->setEnabled(running);
}

void TFormUpdateKepler::closeEvent(QCloseEvent* event) {
  CancelUpdate();
  QDialog::closeEvent(event);
}

void TFormUpdateKepler::reject() {
  // Escape cancels a running update first; a second one closes the dialog.
  if (Running()) {
    CancelUpdate();
    return;
  }
  QDialog::reject();
}

}  // namespace nimbrel::app
