// What a screen reader gets from the window: a name of its own for every control a user can reach,
// the 3D view described by the primary's line, and texts that fit their controls at the designed size.

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableWidget>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include "FormTestSupport.h"
#include "TextFit.h"
#include "app/ClockPanel.h"
#include "app/FormPasses.h"
#include "app/FormSetup.h"
#include "app/FormStation.h"
#include "app/FormUpdateKepler.h"
#include "app/LocationDialog.h"
#include "app/NavigationPanel.h"
#include "app/SatellitesPanel.h"
#include "app/SetupPanels.h"
#include "app/ViewChoicesPanel.h"
#include "catalogue/cvnComboBox.h"
#include "scene/SceneViewer.h"

namespace nimbrel::app {
namespace {

using testing::TSandbox;

QString Plain(QString text) {
  return text.remove(QLatin1Char('&')).trimmed();
}

// Every control under `root` that Tab can reach, with what is wrong with its accessible name.
void CollectUnnamed(QAccessibleInterface* node, QStringList& unnamed, QList<QWidget*>& reached,
                    int depth = 0) {
  if (!node || depth > 40) return;
  if (auto* widget = qobject_cast<QWidget*>(node->object());
      widget && widget->isVisible() && (widget->focusPolicy() & Qt::TabFocus)) {
    reached << widget;
    const QString name = Plain(node->text(QAccessible::Name));
    const auto* group = qobject_cast<const QGroupBox*>(widget->parentWidget());
    const QString where = QStringLiteral("%1 %2").arg(QString::fromLatin1(widget->metaObject()->className()),
                                                      widget->objectName());
    if (name.isEmpty()) {
      unnamed << where + QStringLiteral(" has no name");
    } else if (group && name == Plain(group->title())) {
      unnamed << where + QStringLiteral(" is named after its group box \"%1\"").arg(name);
    }
  }
  for (int i = 0; i < node->childCount(); ++i) CollectUnnamed(node->child(i), unnamed, reached, depth + 1);
}

// The walk must reach into the pages: `expected` are controls it has to have met.
QStringList Unnamed(QWidget* root, const QList<QWidget*>& expected = {}) {
  QStringList unnamed;
  QList<QWidget*> reached;
  CollectUnnamed(QAccessible::queryAccessibleInterface(root), unnamed, reached);
  for (QWidget* widget : expected) {
    if (!reached.contains(widget))
      unnamed << QString::fromLatin1(widget->metaObject()->className()) + QStringLiteral(" was not reached");
  }
  return unnamed;
}

class FormAccessibility : public testing::TWindowTest {
 protected:
  void SetUp() override {
    testing::TWindowTest::SetUp();
    if (IsSkipped()) return;
    oldFont_ = QApplication::font();
    QApplication::setFont(testing::TestFont());
    sandbox_.WriteFile(QStringLiteral("ten.tle"), testing::TenSatellites() + testing::IssOnly());
  }
  void TearDown() override {
    window_.reset();
    if (!IsSkipped()) QApplication::setFont(oldFont_);
  }
  void Open() { window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("ten.tle"))}); }
  // Each page in turn, as a user tabs to it.
  template <typename Check>
  void ForEachPage(Check check) {
    for (int page = 0; page < window_->PageControl1->count(); ++page) {
      window_->PageControl1->setCurrentIndex(page);
      QApplication::processEvents();
      check(window_->PageControl1->tabText(page));
    }
  }
  QFont oldFont_;
  TSandbox sandbox_;
  std::unique_ptr<TForm3Dview> window_;
};

TEST_F(FormAccessibility, EveryReachableControlHasANameOfItsOwn) {
  Open();
  const QList<QWidget*> expected[] = {
      {window_->TabSheetSetup->LocationsPanel->ListLocations, window_->TabSheetSetup->ComboBoxUpdateAtStart},
      {window_->ClockPanel->DatePicker, window_->SatellitesPanel->EditSearch,
       window_->SatellitesPanel->ListBoxActive, window_->ViewChoicesPanel->ComboBoxShowOrbit,
       window_->NavigationPanel->TrackBarLon, window_->NavigationPanel->ButtonIn},
      {window_->TabSheetStation->EditRotator, window_->TabSheetStation->EditDownlink,
       window_->TabSheetStation->SpinMinElevation}};
  ForEachPage([&](const QString& page) {
    const int index = window_->PageControl1->currentIndex();
    EXPECT_EQ(Unnamed(window_.get(), index < 3 ? expected[index] : QList<QWidget*>()), QStringList())
        << "page " << page.toStdString();
  });
  window_->ShowPasses();
  EXPECT_EQ(Unnamed(window_->PassesDialog()), QStringList());
  window_->ShowUpdateKepler();
  EXPECT_EQ(Unnamed(window_->UpdateKeplerDialog()), QStringList());
  window_->UpdateKeplerDialog()->close();
  window_->TabSheetSetup->LocationsPanel->Dialog->show();
  EXPECT_EQ(Unnamed(window_->TabSheetSetup->LocationsPanel->Dialog), QStringList());
  window_->TabSheetSetup->LocationsPanel->Dialog->close();

  const QAccessibleInterface* view = QAccessible::queryAccessibleInterface(window_->SceneViewer1);
  ASSERT_NE(view, nullptr);
  EXPECT_FALSE(view->text(QAccessible::Name).isEmpty());

  // Tab walks the Display page from the clock to the satellites to the view.
  window_->PageControl1->setCurrentWidget(window_->TabSheetDisplay);
  window_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  const auto tabFrom = [](QWidget* from) {
    from->setFocus(Qt::TabFocusReason);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    return QApplication::focusWidget();
  };
  const auto within = [](QWidget* focused, QWidget* control) {
    return focused == control || (focused && control->isAncestorOf(focused));
  };
  // (Tab inside the date and time pickers moves from field to field, as Qt's pickers do.)
  EXPECT_TRUE(within(tabFrom(window_->ClockPanel->ComboBoxSpeed), window_->ClockPanel->RadioGroupStep));
  EXPECT_TRUE(within(tabFrom(window_->SatellitesPanel->EditSearch), window_->SatellitesPanel->ListBoxActive));
  EXPECT_TRUE(within(tabFrom(window_->NavigationPanel->ButtonIn), window_->NavigationPanel->TrackBarLon));
}

TEST_F(FormAccessibility, TheViewIsDescribedOnlyWhileAssistiveTechnologyListensAndAtMostOnceASecond) {
  bool listening = false;
  auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
  sandbox_.accessibilityActive = [&listening] { return listening; };
  window_ = sandbox_.Open({sandbox_.Path(QStringLiteral("ten.tle"))}, [&now] { return now; });
  window_->MakePrimary(QStringLiteral("25544"));
  QApplication::processEvents();
  // The sets' own week, where the ISS has look angles.
  window_->ClockPanel->SelectStep(7);
  window_->ClockPanel->DatePicker->setDate(QDate(2006, 1, 4));
  const QString designed = window_->SceneViewer1->accessibleDescription();
  window_->RefreshView();
  EXPECT_EQ(window_->SceneViewer1->accessibleDescription(), designed) << "nobody listens";

  listening = true;
  window_->RefreshView();
  const QString first = window_->SceneViewer1->accessibleDescription();
  EXPECT_TRUE(first.startsWith(QStringLiteral("ISS (ZARYA)"))) << first.toStdString();
  EXPECT_TRUE(first.contains(QStringLiteral("Az:"))) << first.toStdString();

  // Within the second, a new look direction is not spoken yet; after it, it is.
  window_->ClockPanel->SelectStep(7);
  window_->ClockPanel->TimePicker->setTime(window_->ClockPanel->TimePicker->time().addSecs(600));
  now += std::chrono::milliseconds(500);
  window_->RefreshView();
  EXPECT_EQ(window_->SceneViewer1->accessibleDescription(), first);
  now += std::chrono::milliseconds(600);
  window_->RefreshView();
  EXPECT_NE(window_->SceneViewer1->accessibleDescription(), first);
}

TEST_F(FormAccessibility, NoTextIsClippedAtTheDesignedSize) {
  Open();
  // A two-digit day and a wide month name: the date picker's longest texts.
  window_->ClockPanel->SelectStep(7);
  window_->ClockPanel->DatePicker->setDate(QDate(2026, 5, 28));
  ForEachPage([&](const QString& page) {
    EXPECT_EQ(testing::ClippedTexts(*window_), QStringList()) << "page " << page.toStdString();
  });
  // The passes of the sets' own week, so that the table has rows in every column.
  window_->ClockPanel->SelectStep(7);
  window_->ClockPanel->DatePicker->setDate(QDate(2006, 1, 4));
  window_->ShowPasses();
  const auto* table = window_->PassesDialog()->findChild<QTableWidget*>(QStringLiteral("passTable"));
  ASSERT_NE(table, nullptr);
  ASSERT_TRUE(QTest::qWaitFor([table] { return table->rowCount() > 0; }, 20000));
  QApplication::processEvents();
  EXPECT_EQ(testing::ClippedTexts(*window_->PassesDialog()), QStringList());
  window_->TabSheetSetup->LocationsPanel->Dialog->SetTexts({});
  window_->TabSheetSetup->LocationsPanel->Dialog->show();
  QApplication::processEvents();
  EXPECT_EQ(testing::ClippedTexts(*window_->TabSheetSetup->LocationsPanel->Dialog), QStringList());
  window_->TabSheetSetup->LocationsPanel->Dialog->close();
}

}  // namespace
}  // namespace nimbrel::app
