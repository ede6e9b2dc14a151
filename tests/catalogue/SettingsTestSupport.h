#pragma once
// Shared by the settings tests: temporary store roots, raw file access and child processes.

#include <gtest/gtest.h>

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <filesystem>
#include <optional>
#include <string>

namespace nimbrel::catalogue::testing {

// Points both roots of the store at fresh temporary folders and brands the program as "NimbrelGL",
// restoring the environment and the branding afterwards.
class TSettingsRootsTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  std::filesystem::path UserRoot() const;
  std::filesystem::path MachineRoot() const;
  std::filesystem::path Temp() const;
  // The program's own key file under the per-user root: Corvane/NimbrelGL.conf.
  std::filesystem::path ProgramFile() const { return UserRoot() / "Corvane" / "NimbrelGL.conf"; }
  std::filesystem::path CompanionFile() const { return UserRoot() / "Corvane" / "Nimbrel.conf"; }

 private:
  std::optional<QTemporaryDir> temp_;
  std::optional<QByteArray> oldConfigHome_;
  std::optional<QByteArray> oldConfigDirs_;
};

void WriteFile(const std::filesystem::path& file, const std::string& bytes);
// The file's bytes, or nullopt when it cannot be read.
std::optional<std::string> ReadFile(const std::filesystem::path& file);

// Runs this test executable in helper mode (see RunSettingsTestHelper) and waits for it.
struct TChildResult {
  int exitCode = -1;
  bool crashed = false;
  QString out;
  QString err;
};
QProcess* StartHelper(const QStringList& helperArgs, QObject* parent = nullptr);
TChildResult RunHelper(const QStringList& helperArgs, bool asUnprivilegedUser = false);

// The helper modes: "--settings-helper NAME ARGS...". Returns the exit code, or -1 when argv does
// not ask for a helper.
int RunSettingsTestHelper(int argc, char** argv);

}  // namespace nimbrel::catalogue::testing
