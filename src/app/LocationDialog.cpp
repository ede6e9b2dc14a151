#include "app/LocationDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nimbrel::app {

namespace {
constexpr const char* kMarked = "nimbrelMarked";
}  // namespace

TLocationDialog::TLocationDialog(QWidget* parent) : QDialog(parent) {
  setWindowTitle(QStringLiteral("Observer location"));
  auto* form = new QFormLayout;
  EditName = new QLineEdit(this);
  EditLatitude = new QLineEdit(this);
  EditLatitude->setPlaceholderText(QStringLiteral("-90 to 90, north positive"));
  EditLongitude = new QLineEdit(this);
  EditLongitude->setPlaceholderText(QStringLiteral("-180 to 180, east positive"));
  EditHeight = new QLineEdit(this);
  EditHeight->setPlaceholderText(QStringLiteral("-1000 to 100000"));
  // Wide enough for the hints the empty fields show.
  for (QLineEdit* field : {EditLatitude, EditLongitude, EditHeight})
    field->setMinimumWidth(field->fontMetrics().horizontalAdvance(field->placeholderText()) + 24);
  form->addRow(QStringLiteral("&Name:"), EditName);
  form->addRow(QStringLiteral("&Latitude (degrees):"), EditLatitude);
  form->addRow(QStringLiteral("L&ongitude (degrees):"), EditLongitude);
  form->addRow(QStringLiteral("&Height (metres):"), EditHeight);
  LabelProblem = new QLabel(this);
  LabelProblem->setWordWrap(true);
  QPalette problemPalette = LabelProblem->palette();
  problemPalette.setColor(QPalette::WindowText, QColor(176, 16, 16));
  LabelProblem->setPalette(problemPalette);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  ButtonOk = buttons->button(QDialogButtonBox::Ok);
  connect(buttons, &QDialogButtonBox::accepted, this, &TLocationDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &TLocationDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addLayout(form);
  layout->addWidget(LabelProblem);
  layout->addWidget(buttons);
  for (QLineEdit* field : {EditName, EditLatitude, EditLongitude, EditHeight}) {
    // A corrected field loses its mark as soon as it is changed.
    connect(field, &QLineEdit::textEdited, this, [this, field] {
      if (field->property(kMarked).toBool()) ClearMarks();
    });
  }
}

void TLocationDialog::SetTexts(const TLocationTexts& texts) {
  EditName->setText(texts.name);
  EditLatitude->setText(texts.latitude);
  EditLongitude->setText(texts.longitude);
  EditHeight->setText(texts.height);
  ClearMarks();
  EditName->setFocus();
}

void TLocationDialog::Mark(QLineEdit* field, const QString& problem) {
  field->setProperty(kMarked, true);
  field->setStyleSheet(QStringLiteral("QLineEdit { border: 2px solid #b01010; }"));
  field->setFocus();
  field->selectAll();
  LabelProblem->setText(problem);
}

void TLocationDialog::ClearMarks() {
  for (QLineEdit* field : {EditName, EditLatitude, EditLongitude, EditHeight}) {
    field->setProperty(kMarked, false);
    field->setStyleSheet(QString());
  }
  LabelProblem->clear();
}

std::optional<catalogue::TObserverLocation> TLocationDialog::Check() {
  ClearMarks();
  catalogue::TObserverLocation location;
  location.name = EditName->text().trimmed();
  if (const std::string problem = catalogue::CheckLocationName(location.name); !problem.empty()) {
    Mark(EditName, QStringLiteral("The location %1.").arg(QString::fromStdString(problem)));
    return std::nullopt;
  }
  struct TNumberField {
    QLineEdit* field;
    const char* what;
    double low;
    double high;
    double* value;
  };
  const TNumberField numbers[] = {
      {EditLatitude, "latitude", catalogue::kMinLatitudeDeg, catalogue::kMaxLatitudeDeg, &location.latDeg},
      {EditLongitude, "longitude", catalogue::kMinLongitudeDeg, catalogue::kMaxLongitudeDeg,
       &location.lonDeg},
      {EditHeight, "height", catalogue::kMinHeightM, catalogue::kMaxHeightM, &location.heightM},
  };
  for (const TNumberField& n : numbers) {
    // An empty height is sea level, as the tool takes it; the coordinates must be given.
    if (n.field == EditHeight && n.field->text().trimmed().isEmpty()) continue;
    const catalogue::TCheckedNumber checked = catalogue::CheckDecimal(n.field->text(), n.low, n.high);
    if (!checked.value) {
      Mark(n.field, QStringLiteral("The %1 \"%2\" %3.")
                        .arg(QString::fromLatin1(n.what), n.field->text().trimmed(),
                             QString::fromStdString(checked.problem)));
      return std::nullopt;
    }
    *n.value = *checked.value;
  }
  location_ = location;
  return location;
}

void TLocationDialog::accept() {
  if (Check()) QDialog::accept();
}

}  // namespace nimbrel::app
