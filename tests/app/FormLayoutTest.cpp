// What the pages place their controls with: a control keeps its distances to the edges it is anchored
// to as its page grows, a radio item chosen by code runs no handler and says whether it changed, and a
// handler's failure reaches the user as a message, never past the slot.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QWidget>
#include <memory>
#include <stdexcept>
#include <vector>

#include "app/FormLayout.h"
#include "app/MessageSink.h"
#include "app/UserMessages.h"

namespace nimbrel::app {
namespace {

TEST(FormLayout, ControlsKeepTheirDistancesToTheEdgesTheyAreAnchoredTo) {
  QWidget page;
  page.resize(400, 300);
  struct TCase {
    const char* name;
    unsigned anchors;
    QRect grown;  // for a page 30 wider and 20 higher than designed
  };
  const TCase cases[] = {
      {"left and top: stays", akLeft | akTop, {10, 20, 50, 40}},
      {"right: moves across", akRight | akTop, {40, 20, 50, 40}},
      {"left and right: widens", akLeft | akRight | akTop, {10, 20, 80, 40}},
      {"bottom: moves down", akLeft | akBottom, {10, 40, 50, 40}},
      {"all four: grows both ways", akLeft | akTop | akRight | akBottom, {10, 20, 80, 60}},
  };
  std::vector<QWidget*> placed;
  for (const TCase& c : cases) {
    placed.push_back(new QWidget(&page));
    Place(placed.back(), 10, 20, 50, 40, c.anchors);
  }
  // A child the form does not place (a layout's, a viewer's overlay) is left where it is.
  auto* unplaced = new QWidget(&page);
  unplaced->setGeometry(1, 2, 3, 4);

  LayOutAnchored(&page, 30, 20);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(placed[i]->geometry(), cases[i].grown) << cases[i].name;
  EXPECT_EQ(unplaced->geometry(), QRect(1, 2, 3, 4));

  // Back at the designed size, every control is at its designed place again: nothing accumulates.
  LayOutAnchored(&page, 0, 0);
  for (std::size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(placed[i]->geometry(), QRect(10, 20, 50, 40)) << cases[i].name;
}

TEST(FormLayout, ARadioItemChosenByCodeSaysWhetherItChangedAndRunsNoHandler) {
  QWidget parent;
  const char* const items[] = {"RT", "1", "2", "Man"};
  QButtonGroup* buttons = nullptr;
  QGroupBox* group = RadioGroup(QStringLiteral(" Step mins "), items, 4, 2, buttons, &parent);
  ASSERT_NE(buttons, nullptr);
  EXPECT_EQ(group->findChildren<QAbstractButton*>().size(), 4);
  EXPECT_EQ(CheckedItem(buttons), -1);
  int clicks = 0;
  QObject::connect(buttons, &QButtonGroup::idClicked, [&clicks] { ++clicks; });

  EXPECT_TRUE(SelectItem(buttons, 2));
  EXPECT_EQ(CheckedItem(buttons), 2);
  EXPECT_FALSE(SelectItem(buttons, 2)) << "the same item again is no change";
  // Past the last item is the last item; below -1 is no item.
  EXPECT_TRUE(SelectItem(buttons, 99));
  EXPECT_EQ(CheckedItem(buttons), 3);
  EXPECT_TRUE(SelectItem(buttons, -5));
  EXPECT_EQ(CheckedItem(buttons), -1);
  EXPECT_FALSE(SelectItem(buttons, -1));
  // The group stays exclusive after its selection was cleared.
  EXPECT_TRUE(SelectItem(buttons, 0));
  buttons->button(1)->click();
  EXPECT_EQ(CheckedItem(buttons), 1);
  EXPECT_FALSE(buttons->button(0)->isChecked());
  EXPECT_EQ(clicks, 1) << "only the user's click runs the handler";
}

TEST(FormLayout, AHandlersFailureIsToldToTheUserAndGoesNoFurther) {
  TRecordingSink sink;
  RunGuarded(sink, [] { throw EUserMessage(QStringLiteral("Could not read the Kepler file /tmp/x.tle.")); });
  RunGuarded(sink, [] { throw std::logic_error("TSatellitesPanel::StoreBank: no bank 7"); });
  RunGuarded(sink, [] { throw 42; });
  bool ran = false;
  RunGuarded(sink, [&ran] { ran = true; });
  EXPECT_TRUE(ran);
  ASSERT_EQ(sink.messages.size(), 3u);
  EXPECT_EQ(sink.messages[0].text, QStringLiteral("Could not read the Kepler file /tmp/x.tle."));
  // A fault inside the program is a plain sentence; the code's names stay out of the message box.
  EXPECT_FALSE(sink.messages[1].text.contains(QStringLiteral("TSatellitesPanel")));
  EXPECT_FALSE(sink.messages[1].text.isEmpty());
  EXPECT_EQ(sink.messages[2].text, sink.messages[1].text);

  // A sink that cannot show anything leaves the message unsaid; the program goes on.
  struct TFailingSink final : TMessageSink {
    void Show(const QString& /*caption*/, const QString& /*text*/) override {
      throw std::runtime_error("no display");
    }
  } failing;
  TellUser(failing, QString(), QStringLiteral("Hello"));
  ran = false;
  RunGuarded(failing, [&ran] {
    ran = true;
    throw std::runtime_error("inner");
  });
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace nimbrel::app
