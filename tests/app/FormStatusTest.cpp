// What the window tells the user: status panel 3 at the designed size, satellites with old elements,
// and the messages of the File menu and of start-up.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDateEdit>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTimeEdit>
#include <QTimer>
#include <stdexcept>

#include "FormTestSupport.h"
#include "app/ClockPanel.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/MessageSink.h"
#include "app/SatellitesPanel.h"
#include "app/SceneContent.h"
#include "app/StatusLine.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

// Stops the clock at a UTC instant, as a user setting both pickers would.
void SetClock(TForm3Dview& window, QDate date, QTime time) {
  window.ClockPanel->SelectStep(7);  // "Man"
  {
    const QSignalBlocker blockDate(window.ClockPanel->DatePicker);
    const QSignalBlocker blockTime(window.ClockPanel->TimePicker);
    window.ClockPanel->DatePicker->setDate(date);
    window.ClockPanel->TimePicker->setTime(time);
  }
  window.RefreshView();
}

class FormStatus : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    sandbox_.CompanionText("LocationList", QStringLiteral("\"Home,-3.2,56.0,0,0\""));
    sandbox_.WriteFile(QStringLiteral("iss.tle"), testing::IssOnly());
    window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("iss.tle"))});
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormStatus, PanelThreeShowsAzimuthElevationAndRangeAtTheDesignedSize) {
  ASSERT_EQ(window_->centralWidget()->width(), TForm3Dview::kClientWidth);
  // A few minutes after the set's epoch: a long line, ISS below the horizon with a 4-digit range.
  SetClock(*window_, QDate(2006, 1, 3), QTime(20, 0));
  const QLabel* panel = window_->StatusLine->StatusPanels[3];
  const QString whole = panel->toolTip();
  ASSERT_TRUE(whole.startsWith(QStringLiteral(" ISS (ZARYA): "))) << whole.toStdString();
  const QString shown = panel->text();
  EXPECT_LE(panel->fontMetrics().horizontalAdvance(shown), panel->contentsRect().width());
  // The end of the line, where the range is, is what must be seen.
  const QString tail = whole.mid(whole.indexOf(QStringLiteral("Az:")));
  EXPECT_TRUE(shown.endsWith(tail)) << shown.toStdString() << " | " << whole.toStdString();
  // A wider window shows the whole line without waiting for the next update.
  window_->resize(window_->width() + 400, window_->height());
  QApplication::processEvents();
  EXPECT_EQ(panel->text(), whole);
}

TEST_F(FormStatus, ASatelliteWithOldElementsIsInItalicsAndSaysHowOld) {
  SetClock(*window_, QDate(2006, 1, 3), QTime(20, 0));
  QListWidgetItem* line = window_->SatellitesPanel->ListBoxActive->item(0);
  EXPECT_FALSE(line->font().italic());
  EXPECT_FALSE(window_->StatusLine->StatusPanels[3]->toolTip().contains(QStringLiteral("days old")));

  SetClock(*window_, QDate(2006, 1, 24), QTime(20, 0));
  EXPECT_TRUE(line->font().italic());
  EXPECT_EQ(line->toolTip(), QStringLiteral("elements 21 days old"));
  EXPECT_TRUE(window_->StatusLine->StatusPanels[3]->toolTip().startsWith(
      QStringLiteral(" ISS (ZARYA), elements 21 days old: ")));
  // The panel still ends with the range.
  EXPECT_TRUE(window_->StatusLine->StatusPanels[3]->text().endsWith(QStringLiteral("km")));
}

TEST_F(FormStatus, AKeplerFileWithoutElementSetsKeepsTheSatellites) {
  sandbox_.WriteFile(QStringLiteral("notes.txt"), "Shopping list\nmilk\n");
  const QString path = sandbox_.Path(QStringLiteral("notes.txt"));
  window_->OpenKeplerFile(path);
  EXPECT_EQ(window_->Catalogue().Count(), 1);
  EXPECT_EQ(window_->Content().Markers().size(), 1u);
  ASSERT_FALSE(sandbox_.sink.messages.empty());
  EXPECT_EQ(sandbox_.sink.messages.back().text, QStringLiteral("No element sets found in ") + path);
}

TEST_F(FormStatus, AnImageThatCannotBeReadIsNamedInPlainWords) {
  QByteArray jpeg;
  QBuffer buffer(&jpeg);
  buffer.open(QIODevice::WriteOnly);
  QImage image(64, 64, QImage::Format_RGB32);
  image.fill(Qt::darkGreen);
  ASSERT_TRUE(image.save(&buffer, "JPG"));
  sandbox_.WriteFile(QStringLiteral("cut.jpg"), jpeg.left(jpeg.size() / 2));
  const QString path = sandbox_.Path(QStringLiteral("cut.jpg"));
  try {
    window_->LoadBackground(path);
    ADD_FAILURE() << "a cut JPEG loaded";
  } catch (const std::exception& e) {
    EXPECT_EQ(QString::fromStdString(e.what()), QStringLiteral("Could not read the image ") + path +
                                                    QStringLiteral(": the JPEG data ends too early."));
  }
}

TEST_F(FormStatus, FileDialogsOfferEveryFormOnceInAnyLetterCase) {
  QStringList imageFilters, keplerFilters;
  bool caseSensitive = true;
  // The dialog is modal: read it and close it from the event loop it runs.
  auto readAndClose = [&](QStringList& into) {
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr);
      into = dialog->nameFilters();
      caseSensitive = dialog->filter().testFlag(QDir::CaseSensitive);
      dialog->reject();
    });
  };
  readAndClose(imageFilters);
  window_->FileLoadTexture->trigger();
  readAndClose(keplerFilters);
  window_->FileOpen->trigger();
  EXPECT_EQ(imageFilters, QStringList{QStringLiteral("Image files (*.bmp *.jpg *.jpeg)")});
  ASSERT_FALSE(keplerFilters.isEmpty());
  EXPECT_EQ(keplerFilters.front(), QStringLiteral("Kepler files (*.2li *.tle *.txt *.csv *.xml *.json)"));
  EXPECT_FALSE(caseSensitive);
}

TEST_F(FormStatus, PassesAndStatusLineFollowTheSameSatelliteWhenTheFileLacksThePrimary) {
  window_->ShowPasses();
  sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  window_->OpenKeplerFile(sandbox_.Path(QStringLiteral("ten.tle")));
  SetClock(*window_, QDate(2006, 1, 3), QTime(20, 0));
  ASSERT_EQ(window_->PrimaryCatNumber(), QStringLiteral("25544"));  // kept, though not in the file
  EXPECT_TRUE(window_->StatusLine->StatusPanels[3]->toolTip().startsWith(QStringLiteral(" SAT01: ")));
  const auto* heading = window_->PassesDialog()->findChild<QLabel*>(QStringLiteral("heading"));
  ASSERT_NE(heading, nullptr);
  EXPECT_TRUE(heading->text().contains(QStringLiteral("SAT01"))) << heading->text().toStdString();
}

TEST(FormStartUpMessages, CommandLineKeplerFilesThatGiveNothingAreNamed) {
  NIMBREL_NEED_WINDOW_PLATFORM();
  {
    TSandbox sandbox;
    sandbox.WriteFile(QStringLiteral("bin/iss.tle"), testing::IssOnly());
    sandbox.CompanionText("TwoLineDataPath", sandbox.ExecutableFolder());
    sandbox.WriteFile(QStringLiteral("empty.tle"), "\n");
    const QString path = sandbox.Path(QStringLiteral("empty.tle"));
    auto window = sandbox.Open({path});
    // Passed over for the companion's folder.
    EXPECT_EQ(window->Catalogue().Count(), 1);
    ASSERT_FALSE(sandbox.sink.messages.empty());
    EXPECT_EQ(sandbox.sink.messages[0].text, QStringLiteral("No element sets found in ") + path);
  }
  {
    TSandbox sandbox;
    const QString path = sandbox.Path(QStringLiteral("missing.tle"));
    auto window = sandbox.Open({path});
    QCoreApplication::processEvents();
    // The first start's one message, with the file in it.
    EXPECT_TRUE(sandbox.sink.messages.empty());
    ASSERT_EQ(sandbox.sink.questions.size(), 1u);
    EXPECT_TRUE(sandbox.sink.questions[0].text.contains(path))
        << sandbox.sink.questions[0].text.toStdString();
  }
}

// A sink that cannot show anything: the start-up step that has something to say fails there.
class TFailingSink final : public TMessageSink {
 public:
  void Show(const QString& /*caption*/, const QString& /*text*/) override {
    throw std::runtime_error("the message could not be shown");
  }
};

TEST(FormStartUpMessages, AStartUpThatFailsPartWayLeavesAWindowWhoseControlsWork) {
  NIMBREL_NEED_WINDOW_PLATFORM();
  TSandbox sandbox;  // no Kepler data: the warning about it fails, before the bank is read
  TFailingSink failing;
  TFormOptions options;
  options.executableFolder = sandbox.ExecutableFolder();
  options.sink = &failing;
  TForm3Dview window(options);
  window.show();
  QApplication::processEvents();
  window.SatellitesPanel->ButtonBank->click();
  EXPECT_EQ(window.SatellitesPanel->BankSettingValue(), 1);
  window.TabSheetSetup->RadioGroupQualityClick();
  window.TabSheetSetup->RadioGroupTopographyClick();
}

}  // namespace
}  // namespace nimbrel::app
