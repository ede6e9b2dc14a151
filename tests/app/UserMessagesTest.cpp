// The words a message box uses for what went wrong: the user's own file and problem, never the place
// in the code; the texts the program's documentation gives stay as they are.

#include <gtest/gtest.h>

#include <stdexcept>

#include "app/UserMessages.h"
#include "scene/Picture.h"

namespace nimbrel::app {
namespace {

TEST(UserMessages, InternalTextsStayOutOfMessageBoxes) {
  const std::logic_error fault("TBaseSceneObject::Child: index out of range");
  EXPECT_FALSE(HandlerErrorText(fault).contains(QStringLiteral("TBaseSceneObject")));
  EXPECT_EQ(HandlerErrorText(EUserMessage(QStringLiteral("No element sets found in /tmp/x"))),
            QStringLiteral("No element sets found in /tmp/x"));
  EXPECT_FALSE(FrameErrorText(QStringLiteral("ActivateRenderingContext: incoherent DC/RC pair"))
                   .contains(QStringLiteral("ActivateRenderingContext")));
  EXPECT_EQ(FrameErrorText(QStringLiteral("Need at least OpenGL version 1.1")),
            QStringLiteral("Need at least OpenGL version 1.1"));
  // The picture loader's own words for a file it cannot open are kept.
  const scene::EPictureError unopened("Could not open file: /tmp/map.jpg");
  EXPECT_EQ(ImageErrorText(QStringLiteral("/tmp/map.jpg"), unopened),
            QStringLiteral("Could not open file: /tmp/map.jpg"));
}

}  // namespace
}  // namespace nimbrel::app
