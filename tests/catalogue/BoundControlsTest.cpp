#include <QCoreApplication>
#include <QFocusEvent>
#include <memory>

#include "SettingsTestSupport.h"
#include "catalogue/cvnCheckBox.h"
#include "catalogue/cvnComboBox.h"

namespace nimbrel::catalogue {
namespace {

using testing::ReadFile;
using testing::TSettingsRootsTest;
using testing::WriteFile;

using BoundControls = TSettingsRootsTest;

std::optional<std::int32_t> Stored(const std::filesystem::path& file, const char* name) {
  const std::optional<std::string> bytes = ReadFile(file);
  return bytes ? ParseSettings(*bytes).Integer(name) : std::nullopt;
}

// A check box as the form creates it: caption, name, default state, then Loaded.
std::unique_ptr<TcvnCheckBox> MakeCheckBox(const char* namedAs, bool checked) {
  auto box = std::make_unique<TcvnCheckBox>("Show trails");
  box->setObjectName("CheckBoxShowTrails");
  box->SetNamedAs(namedAs);
  box->setChecked(checked);
  return box;
}

std::unique_ptr<TcvnComboBox> MakeOrbitBox() {
  auto box = std::make_unique<TcvnComboBox>();
  box->setObjectName("ComboBoxShowOrbit");
  box->SetNamedAs("ShowOrbit");
  box->addItems({"none", "Primary", "All"});
  box->setCurrentIndex(-1);
  return box;
}

void LoseFocus(QWidget& w) {
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QCoreApplication::sendEvent(&w, &out);
}

TEST_F(BoundControls, CheckBoxRestoresItsStateWithoutRunningTheClickHandler) {
  WriteFile(ProgramFile(), "\"ShowTrails\"=int:0\n");
  auto box = MakeCheckBox("ShowTrails", true);
  int handlerRuns = 0;
  QObject::connect(box.get(), &QCheckBox::clicked, [&] { ++handlerRuns; });
  QObject::connect(box.get(), &QCheckBox::toggled, [&] { ++handlerRuns; });
  QObject::connect(box.get(), &QCheckBox::stateChanged, [&] { ++handlerRuns; });
  box->Loaded();
  EXPECT_TRUE(box->Bound());
  EXPECT_FALSE(box->isChecked());
  EXPECT_EQ(handlerRuns, 0);

  box->click();  // the user's click still reaches the handler
  EXPECT_TRUE(box->isChecked());
  EXPECT_GT(handlerRuns, 0);
  EXPECT_EQ(Stored(ProgramFile(), "ShowTrails"), 0) << "nothing is written before destruction";
  box.reset();
  EXPECT_EQ(Stored(ProgramFile(), "ShowTrails"), 1);
}

TEST_F(BoundControls, CheckBoxFirstRunKeepsTheFormStateAndAnEmptyNameMeansTheObjectName) {
  {
    auto box = MakeCheckBox("", false);
    box->Loaded();
    EXPECT_EQ(box->NamedAs(), QString("CheckBoxShowTrails"));
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    // A second Loaded neither binds again nor restores again.
    box->Loaded();
    EXPECT_TRUE(box->isChecked());
  }
  EXPECT_EQ(Stored(ProgramFile(), "CheckBoxShowTrails"), 1);
}

TEST_F(BoundControls, AnUnboundCheckBoxStoresNothing) {
  { auto box = MakeCheckBox("ShowTrails", true); }
  EXPECT_FALSE(std::filesystem::exists(ProgramFile()));
}

TEST_F(BoundControls, ComboBoxRestoresItsSelectionSilently) {
  WriteFile(ProgramFile(), "\"ShowOrbit\"=int:2\n");
  auto box = MakeOrbitBox();
  int handlerRuns = 0;
  QObject::connect(box.get(), &QComboBox::currentIndexChanged, [&] { ++handlerRuns; });
  QObject::connect(box.get(), &QComboBox::activated, [&] { ++handlerRuns; });
  box->Loaded();
  EXPECT_EQ(box->currentIndex(), 2);
  EXPECT_EQ(handlerRuns, 0);
}

TEST_F(BoundControls, ComboBoxFirstRunHasNoChoice) {
  { MakeOrbitBox()->Loaded(); }
  EXPECT_EQ(Stored(ProgramFile(), "ShowOrbit"), -1);
}

TEST_F(BoundControls, ComboBoxTakesTheSelectionWhenTheFocusLeaves) {
  auto box = MakeOrbitBox();
  box->Loaded();
  box->setCurrentIndex(1);
  EXPECT_EQ(box->Setting()->Value(), -1);
  LoseFocus(*box);
  EXPECT_EQ(box->Setting()->Value(), 1);
  box.reset();
  EXPECT_EQ(Stored(ProgramFile(), "ShowOrbit"), 1);
}

TEST_F(BoundControls, ComboBoxChoiceMadeJustBeforeClosingIsKept) {
  auto box = MakeOrbitBox();
  box->Loaded();
  box->setCurrentIndex(1);
  LoseFocus(*box);
  box->setCurrentIndex(2);  // chosen while the box keeps the focus, then the window closes
  box.reset();
  EXPECT_EQ(Stored(ProgramFile(), "ShowOrbit"), 2);
}

TEST_F(BoundControls, ComboBoxStoredIndexOutsideTheItemsSelectsNothing) {
  WriteFile(ProgramFile(), "\"ShowOrbit\"=int:7\n");
  {
    auto box = MakeOrbitBox();
    box->Loaded();
    EXPECT_EQ(box->currentIndex(), -1);
  }
  EXPECT_EQ(Stored(ProgramFile(), "ShowOrbit"), -1);
}

}  // namespace
}  // namespace nimbrel::catalogue
