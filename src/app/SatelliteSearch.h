#pragma once
// The search field above the satellite list: as the user types, the list shows only the lines whose
// satellite's name or catalogue number holds the text anywhere, letter case ignored. A satellite
// past 99999 is found by its Alpha-5 text and by its six-digit number alike ("A0001" and "100001").
// Lines are hidden, never removed, so each keeps its place and with it the colour of its marker.
// Escape in a field that holds text clears it (and does not close the window).

#include <QObject>
#include <QString>
#include <vector>

class QLineEdit;
class QListWidget;

namespace nimbrel::app {

// What a line is searched by: the name, the five-character catalogue number and, where that stands
// for a number, the number in plain digits, each case-folded and kept apart so that no match runs
// from one into the next.
QString SatelliteSearchKey(const QString& name, const QString& catalogueNumber);
// The typed text as it is compared: blanks around it dropped, case-folded.
QString SearchQuery(const QString& typed);

class TSatelliteSearch : public QObject {
  Q_OBJECT

 public:
  TSatelliteSearch(QLineEdit* field, QListWidget* list, QObject* parent = nullptr);

  // The list has been filled anew: one key per line, in line order.
  void SetKeys(std::vector<QString> keys);
  // Shows the lines that match the field's text and hides the others.
  void Apply();

 signals:
  // The lines shown have been chosen anew.
  void Applied();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* field_;
  QListWidget* list_;
  std::vector<QString> keys_;
  QString applied_;
};

}  // namespace nimbrel::app
