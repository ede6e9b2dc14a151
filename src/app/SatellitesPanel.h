#pragma once
// The Display page's satellite list and its banks, in the frame the form draws round them (Bevel1,
// which this panel is): the search field, the list of the satellites the view shows (each line in its
// marker's colour, the primary first), the bank button, "All satellites" and the list's menu (make
// primary, add to a bank, remove from it). The banks are stored where the companion program keeps
// them; the panel tells the session model which list is shown and whether all satellites are, and the
// model tells the view. The list's lines follow the view's markers (ShowMarkers), since the colours
// are the view's. UI thread only.

#include <QFrame>
#include <QPoint>
#include <QString>
#include <QStringList>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

namespace nimbrel::catalogue {
class TcvnCheckBox;
class TRegistryInteger;
}  // namespace nimbrel::catalogue

namespace nimbrel::app {

class TMessageSink;
class TSatelliteSearch;
class TSceneContent;
class TSessionModel;

class TSatellitesPanel : public QFrame {
  Q_OBJECT

 public:
  using TSteadyClock = std::function<std::chrono::steady_clock::time_point()>;

  // `steadyNow`: the real time the age marks are paced by; empty for the system's steady clock.
  TSatellitesPanel(TSessionModel& model, TMessageSink& sink, TSteadyClock steadyNow, QWidget* page);
  ~TSatellitesPanel() override;

  QLabel* LabelActiveSatellites = nullptr;
  QLineEdit* EditSearch = nullptr;
  QListWidget* ListBoxActive = nullptr;
  // Inside the list, under its lines: an empty bank or a search that finds nothing in it, explained.
  QLabel* LabelListHint = nullptr;
  QPushButton* ButtonBank = nullptr;
  catalogue::TcvnCheckBox* CheckBoxAll = nullptr;

  // The stored bank number (from 0), -1 before it is read.
  int BankSettingValue() const noexcept;
  // The stored bank's list (bank 1's when it stores none) becomes the session's active list.
  void LoadActiveList(bool atStartUp);
  // The user's actions, callable by tests as the controls call them.
  void ListBoxActiveClick();
  void ButtonBankClick();
  void CheckBoxAllClick();
  // The list's context menu on its current line: the banks are numbered from 0 here, shown from 1.
  void AddToBank(int bank);
  void RemoveFromBank();
  // The user's choice of primary satellite, from the list or the view.
  void MakePrimary(const QString& number);
  // The lines for the markers the view now shows, in their colours.
  void ShowMarkers(const TSceneContent& content);
  // A bank is being stored from the list's own menu: its markers wait until that signal has returned.
  bool EditingBank() const noexcept { return editingBank_; }

 private:
  void ShowListMenu(QPoint at);
  // The bank the list shows: the current one, or bank 1 when the current one stores no list.
  int ShownBank() const;
  void StoreBank(int bank, const QStringList& numbers);
  void UpdateListHint();
  // Lines of satellites with old elements in italics, with their age as the tooltip.
  void MarkOldElements();
  void FollowShowAll();
  std::chrono::steady_clock::time_point SteadyNow() const;
  void Guarded(const std::function<void()>& handler) noexcept;

  TSessionModel& model_;
  TMessageSink& sink_;
  TSteadyClock steadyNow_;
  std::unique_ptr<catalogue::TRegistryInteger> bankSetting_;
  TSatelliteSearch* satelliteSearch_ = nullptr;
  // The whole catalogue's search keys, made when a search first needs them; cleared with the markers.
  std::vector<QString> catalogueKeys_;
  // When the list's age marks were last brought up to date.
  std::chrono::steady_clock::time_point marksAt_{};
  QTimer* marksLater_ = nullptr;
  bool editingBank_ = false;
};

}  // namespace nimbrel::app
