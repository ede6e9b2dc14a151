// The tools' error lines: what a person reads carries the file and the reason, never a class or
// function name.

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <new>
#include <stdexcept>

#include "catalogue/SatelliteList.h"
#include "catalogue/UserErrorText.h"

namespace nimbrel::catalogue {
namespace {

TEST(UserErrorText, AFolderGivenAsKeplerFileIsNamedWithItsReason) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  TSatelliteList list;
  try {
    list.LoadFromFile(folder.path().toStdString());
    FAIL() << "a folder was read as a Kepler file";
  } catch (const std::exception& e) {
    const std::string text = UserErrorText(e);
    EXPECT_EQ(text, "cannot read the Kepler file '" + folder.path().toStdString() + "': is a folder");
  }
}

TEST(UserErrorText, BrokenXmlSaysWhatIsWrongWithoutInternalNames) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString path = folder.filePath(QStringLiteral("broken.xml"));
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("<?xml version=\"1.0\"?><ndm><omm><body>");
  file.close();
  TSatelliteList list;
  try {
    list.LoadFromFile(path.toStdString());
    FAIL() << "a broken XML file was read";
  } catch (const std::exception& e) {
    const std::string text = UserErrorText(e);
    EXPECT_EQ(text.find("::"), std::string::npos) << text;
    EXPECT_NE(text.find(path.toStdString()), std::string::npos) << text;
    EXPECT_NE(text.find("XML"), std::string::npos) << text;
  }
}

TEST(UserErrorText, InternalNamesAreTakenOffOtherErrors) {
  struct TCase {
    const char* what;
    const char* shown;
  };
  const TCase cases[] = {
      {"TSatelliteList::AddObject: no satellite given for 'X'", "no satellite given for 'X'"},
      {"TFormPasses: the start time is not finite", "the start time is not finite"},
      {"TSatellite::Propagate(): the orbit has decayed", "the orbit has decayed"},
      {"A::B: C::D: nested", "nested"},
      // Sentences that merely contain a colon stay whole.
      {"cannot open 'x.tle': No such file or directory", "cannot open 'x.tle': No such file or directory"},
      {"Host not found: celestrak.org", "Host not found: celestrak.org"},
      {"TLE: two lines", "TLE: two lines"},
      {"", ""},
  };
  for (const TCase& c : cases) {
    EXPECT_EQ(UserErrorText(std::runtime_error(c.what)), c.shown) << c.what;
  }
  EXPECT_EQ(UserErrorText(std::bad_alloc()), "not enough memory");
}

}  // namespace
}  // namespace nimbrel::catalogue
