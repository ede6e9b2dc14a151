#pragma once
// The About box and the main window's caption, both built from the program's version information.

#include <QDialog>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>

#include "about/VersInfo.h"

class QFrame;
class QGridLayout;
class QLabel;
class QPushButton;

namespace nimbrel::about {

// "<designed caption> - <file version text>": the caption the main window gives itself at creation.
QString CaptionWithVersion(const QString& designedCaption, const TVersionInfoResource& vi);

// The address a click on the web-site link opens: empty (the link is inert) for an empty text; the
// text itself when it already names a scheme ("https://...", "mailto:...") or contains "http://";
// otherwise "http://" followed by the text. Surrounding blanks are dropped.
QString WebSiteAddress(const QString& text);

// Opens a web address in the user's browser; returns false when nothing could open it.
using TUrlOpener = std::function<bool(const QUrl&)>;

// The plain About box: a bevelled panel with the program's icon, name, version, copyright and a
// notice, and an OK button.
class TAboutBox : public QDialog {
  Q_OBJECT

 public:
  explicit TAboutBox(QWidget* parent = nullptr);

  QFrame* Panel1() const { return panel1_; }
  QLabel* ProgramIcon() const { return programIcon_; }
  QLabel* ProductName() const { return productName_; }
  QLabel* Version() const { return version_; }
  QLabel* Copyright() const { return copyright_; }
  QLabel* Comments() const { return comments_; }
  QPushButton* OKButton() const { return okButton_; }

  // The designed client size; the box grows beyond it only when the desktop's font needs more room.
  static constexpr int kClientWidth = 298;
  static constexpr int kClientHeight = 213;
  // Long version lines wrap rather than widen the box past this.
  static constexpr int kMaxClientWidth = 480;

 protected:
  // Rows 0 to 3 hold the icon and the labels; row 4 stretches; rows from 5 on are free for subclasses.
  QGridLayout* PanelLayout() const { return panelLayout_; }
  void showEvent(QShowEvent* event) override;

 private:
  void FitAndCentre();

  QFrame* panel1_ = nullptr;
  QGridLayout* panelLayout_ = nullptr;
  QLabel* programIcon_ = nullptr;
  QLabel* productName_ = nullptr;
  QLabel* version_ = nullptr;
  QLabel* copyright_ = nullptr;
  QLabel* comments_ = nullptr;
  QPushButton* okButton_ = nullptr;
};

// The About box filled from the version information, with a clickable web-site link.
class TAboutBoxCVN : public TAboutBox {
  Q_OBJECT

 public:
  // Reads the program's own version block.
  explicit TAboutBoxCVN(QWidget* parent = nullptr);
  // Reads `block` instead (nullopt: a program without version information).
  explicit TAboutBoxCVN(std::optional<TVersionBlock> block, QWidget* parent = nullptr);

  TVersionInfoResource* VI() const { return vi_; }
  QLabel* WebSite() const { return webSite_; }

  // Replaces the way addresses are opened (QDesktopServices::openUrl by default).
  void SetUrlOpener(TUrlOpener opener) { opener_ = std::move(opener); }

 public slots:
  // Fills the caption, icon, version line and link; runs each time the box is shown.
  void FormShow() noexcept;
  // Opens the link's address; an inert link or a failure to open does nothing visible.
  void WebSiteClick() noexcept;

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TVersionInfoResource* vi_ = nullptr;
  QLabel* webSite_ = nullptr;
  TUrlOpener opener_;
};

// The About box the program creates.
class TAboutBoxCVN1 final : public TAboutBoxCVN {
  Q_OBJECT

 public:
  using TAboutBoxCVN::TAboutBoxCVN;
};

}  // namespace nimbrel::about
