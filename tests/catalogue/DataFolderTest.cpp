// Where the Kepler data lives when the companion names no folder.

#include "catalogue/DataFolder.h"

#include <gtest/gtest.h>

#include <QDir>

#include "SettingsTestSupport.h"
#include "catalogue/Companion.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::catalogue {
namespace {

using DataFolder = testing::TSettingsRootsTest;

TEST_F(DataFolder, TheCompanionsFolderElseOurOwnUnderTheXdgDataHome) {
  const QByteArray oldDataHome = qgetenv("XDG_DATA_HOME");
  qputenv("XDG_DATA_HOME", "/srv/data/");
  EXPECT_EQ(KeplerDataFolder(), QStringLiteral("/srv/data/NimbrelGL/kepler"));
  // Unset, empty or relative: the XDG default under the home folder.
  for (const char* value : {"", "relative/data"}) {
    qputenv("XDG_DATA_HOME", value);
    EXPECT_EQ(DefaultKeplerDataFolder(), QDir::homePath() + QStringLiteral("/.local/share/NimbrelGL/kepler"))
        << value;
  }
  ASSERT_TRUE(TSettingsKey(TSettingsRoot::srCurrentUser, CompanionKeyPath().toStdString())
                  .Update([](TSettingsValues& values) {
                    values.SetText(kTwoLineDataPath, "/home/me/kepler");
                    return true;
                  }));
  EXPECT_EQ(KeplerDataFolder(), QStringLiteral("/home/me/kepler"));
  qputenv("XDG_DATA_HOME", oldDataHome);
}

}  // namespace
}  // namespace nimbrel::catalogue
