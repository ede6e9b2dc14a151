#pragma once
// The dialog in which an observer location is typed: name, latitude, longitude and height, checked as
// nimbrel-settings checks them. OK closes it only when every field is right; a wrong field is
// marked, its problem is said below the fields, and it takes the focus.

#include <QDialog>
#include <QString>
#include <optional>

#include "catalogue/CompanionWriter.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace nimbrel::app {

// The four fields as texts, as they are typed or as the companion stores them.
struct TLocationTexts {
  QString name;
  QString latitude;
  QString longitude;
  QString height;
};

class TLocationDialog : public QDialog {
  Q_OBJECT

 public:
  explicit TLocationDialog(QWidget* parent = nullptr);

  QLineEdit* EditName = nullptr;
  QLineEdit* EditLatitude = nullptr;
  QLineEdit* EditLongitude = nullptr;
  QLineEdit* EditHeight = nullptr;
  QLabel* LabelProblem = nullptr;
  QPushButton* ButtonOk = nullptr;

  // Fills the fields and clears any marks of an earlier check.
  void SetTexts(const TLocationTexts& texts);
  // The location when every field is right; otherwise marks the first wrong field and says why.
  std::optional<catalogue::TObserverLocation> Check();
  // The location the last successful Check gave.
  const catalogue::TObserverLocation& Location() const noexcept { return location_; }

  void accept() override;

 private:
  void Mark(QLineEdit* field, const QString& problem);
  void ClearMarks();

  catalogue::TObserverLocation location_;
};

}  // namespace nimbrel::app
