// Finding a satellite among many, choosing the primary with the keyboard, and editing the banks from
// the list's context menu.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QTest>

#include "FormTestSupport.h"
#include "app/SatellitesPanel.h"
#include "catalogue/Companion.h"
#include "catalogue/cvnCheckBox.h"
#include "scene/Sphere.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

// A satellite past 99999, in the Alpha-5 form the element lines carry it.
const QByteArray kAlpha5Set =
    "ALPHA FIVE\n"
    "1 A0001U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844\n"
    "2 A0001 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269\n";

QStringList ShownNames(const QListWidget* list) {
  QStringList names;
  for (int i = 0; i < list->count(); ++i) {
    if (!list->item(i)->isHidden()) names << list->item(i)->text();
  }
  return names;
}

class FormSatelliteChoice : public testing::TWindowTest {
 protected:
  void Open(const QStringList& arguments = {}) { window_ = sandbox_.Open(arguments); }
  void Find(const QString& text) {
    window_->SatellitesPanel->EditSearch->clear();
    QTest::keyClicks(window_->SatellitesPanel->EditSearch, text);
  }
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormSatelliteChoice, TypingFindsByAnyPartOfTheNameOrNumberAndEscapeClears) {
  sandbox_.WriteFile(QStringLiteral("all.tle"), testing::TenSatellites() + testing::IssOnly() + kAlpha5Set);
  Open({sandbox_.Path(QStringLiteral("all.tle"))});
  QListWidget* list = window_->SatellitesPanel->ListBoxActive;
  ASSERT_EQ(list->count(), 12);
  Find(QStringLiteral("iss"));
  EXPECT_EQ(ShownNames(list), QStringList{QStringLiteral("ISS (ZARYA)")});
  Find(QStringLiteral("9000"));
  EXPECT_EQ(ShownNames(list).size(), 9);  // 90001 to 90009; 90010 holds no "9000"
  for (const char* number : {"A0001", "a0001", "100001", "00001"}) {
    Find(QString::fromLatin1(number));
    EXPECT_EQ(ShownNames(list), QStringList{QStringLiteral("ALPHA FIVE")}) << number;
  }
  // A match never runs from the name into the number.
  Find(QStringLiteral("five a0001"));
  EXPECT_TRUE(ShownNames(list).isEmpty());

  window_->activateWindow();
  window_->SatellitesPanel->EditSearch->setFocus();
  QTest::keyClick(window_->SatellitesPanel->EditSearch, Qt::Key_Escape);
  EXPECT_TRUE(window_->SatellitesPanel->EditSearch->text().isEmpty());
  EXPECT_TRUE(window_->isVisible());
  EXPECT_EQ(ShownNames(list).size(), 12);
}

TEST_F(FormSatelliteChoice, ArrowKeysMoveTheSelectionAndEnterMakesThePrimary) {
  sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites());
  Open({sandbox_.Path(QStringLiteral("ten.tle"))});
  QListWidget* list = window_->SatellitesPanel->ListBoxActive;
  list->setFocus();
  list->setCurrentRow(0);
  QTest::keyClick(list, Qt::Key_Down);
  QTest::keyClick(list, Qt::Key_Down);
  QApplication::processEvents();
  EXPECT_EQ(list->currentRow(), 2);
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90001"));
  QTest::keyClick(list, Qt::Key_Return);
  QApplication::processEvents();
  EXPECT_EQ(window_->PrimaryCatNumber(), QStringLiteral("90003"));
  EXPECT_EQ(list->item(0)->text(), QStringLiteral("SAT03"));
  // Stored, so that the next start begins with it.
  EXPECT_EQ(catalogue::ReadCompanionText(QString::fromLatin1(catalogue::kPrimarySatCatNumber)),
            QStringLiteral("90003"));
}

TEST_F(FormSatelliteChoice, AnEditedBankIsStoredAtOnceAndTheMarkersFollow) {
  sandbox_.WriteFile(QStringLiteral("bin/ten.tle"), testing::TenSatellites());
  sandbox_.CompanionText("TwoLineDataPath", sandbox_.ExecutableFolder());
  sandbox_.CompanionText("ActiveList", QStringLiteral("90001"));
  sandbox_.CompanionText("PrimarySatCatNumber", QStringLiteral("90010"));
  sandbox_.OwnInteger("NimbrelBank", 1);  // bank 2, empty: it shows bank 1's list
  Open();
  ASSERT_FALSE(window_->SatellitesPanel->CheckBoxAll->isChecked());
  ASSERT_EQ(window_->Content().Markers().size(), 2u);
  window_->SatellitesPanel->CheckBoxAll->setChecked(true);
  window_->SatellitesPanel->ListBoxActive->setCurrentRow(2);  // SAT02: the primary leads
  window_->SatellitesPanel->AddToBank(1);
  window_->SatellitesPanel->CheckBoxAll->setChecked(false);
  QApplication::processEvents();
  ASSERT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 2);
  EXPECT_EQ(window_->SatellitesPanel->ListBoxActive->item(1)->text(), QStringLiteral("SAT02"));

#ifdef NIMBREL_SETTINGS_EXE
  QProcess show;
  show.start(QStringLiteral(NIMBREL_SETTINGS_EXE), {QStringLiteral("show")});
  ASSERT_TRUE(show.waitForFinished(60000));
  const QString out = QString::fromUtf8(show.readAllStandardOutput());
  EXPECT_TRUE(out.contains(QStringLiteral("active list, bank 1: 90001\n"))) << out.toStdString();
  EXPECT_TRUE(out.contains(QStringLiteral("active list, bank 2: 90002\n"))) << out.toStdString();
#endif

  // Taken out again, bank 2 is empty and shows bank 1's list once more.
  window_->SatellitesPanel->ListBoxActive->setCurrentRow(1);
  window_->SatellitesPanel->RemoveFromBank();
  QApplication::processEvents();
  ASSERT_EQ(window_->SatellitesPanel->ListBoxActive->count(), 2);
  EXPECT_EQ(window_->SatellitesPanel->ListBoxActive->item(1)->text(), QStringLiteral("SAT01"));
  EXPECT_EQ(window_->Content().Markers().size(), 2u);
}

}  // namespace
}  // namespace nimbrel::app
