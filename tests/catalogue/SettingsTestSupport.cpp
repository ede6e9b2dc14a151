#include "SettingsTestSupport.h"

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "catalogue/Companion.h"
#include "catalogue/RegistryVariables.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::catalogue::testing {

namespace fs = std::filesystem;

namespace {

constexpr const char* kHelperFlag = "--settings-helper";
constexpr int kHelperTimeoutMs = 120000;
constexpr uid_t kNobody = 65534;

std::optional<QByteArray> TakeEnv(const char* name) {
  if (!qEnvironmentVariableIsSet(name)) return std::nullopt;
  return qgetenv(name);
}

void RestoreEnv(const char* name, const std::optional<QByteArray>& value) {
  if (value) {
    qputenv(name, *value);
  } else {
    qunsetenv(name);
  }
}

// Saves COUNT values PREFIX0, PREFIX1, ... one save each, into the key "\Software\Corvane\Race".
int StoreWriter(const std::string& prefix, long count) {
  const TSettingsKey key(TSettingsRoot::srCurrentUser, "\\Software\\Corvane\\Race");
  for (long i = 0; i < count; ++i) {
    const std::string name = prefix + std::to_string(i);
    const TSaveResult r = key.Update([&](TSettingsValues& values) {
      values.SetInteger(name, static_cast<std::int32_t>(i));
      values.SetText(prefix + "Last", name);
      return true;
    });
    if (!r) {
      std::cerr << r.message << "\n";
      return 1;
    }
  }
  return 0;
}

// Reports what a program with the given executable path sees of its settings, then destroys its
// setting (which saves it) and registers itself.
int BrandingProbe(const QString& executable) {
  ApplyBranding(executable);
  {
    const TRegistryInteger quality("DisplayQuality", 1);
    std::cout << "company=" << CompanyKey.toStdString() << "\n"
              << "machine=" << (SettingsRoot == TSettingsRoot::srLocalMachine) << "\n"
              << "DisplayQuality=" << quality.Value() << "\n"
              << "Nimbrel=" << ReadProgramPath("Nimbrel").toStdString() << "\n"
              << "TwoLineDataPath=" << ReadCompanionText("TwoLineDataPath").toStdString() << "\n";
  }
  RegisterProgramPath();
  return 0;
}

}  // namespace

void TSettingsRootsTest::SetUp() {
  temp_.emplace();
  ASSERT_TRUE(temp_->isValid());
  oldConfigHome_ = TakeEnv("XDG_CONFIG_HOME");
  oldConfigDirs_ = TakeEnv("XDG_CONFIG_DIRS");
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(temp_->filePath("user")));
  // Only the first folder of the list is the per-machine root.
  qputenv("XDG_CONFIG_DIRS", QFile::encodeName(temp_->filePath("machine") + ":" + temp_->filePath("other")));
  ApplyBranding("/opt/nimbrel/NimbrelGL");
}

void TSettingsRootsTest::TearDown() {
  // Folders a test made read-only must be writable again to be removed.
  std::error_code ec;
  if (temp_) {
    for (auto it = fs::recursive_directory_iterator(Temp(), ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
      if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
  }
  RestoreEnv("XDG_CONFIG_HOME", oldConfigHome_);
  RestoreEnv("XDG_CONFIG_DIRS", oldConfigDirs_);
  ApplyBranding("/opt/nimbrel/NimbrelGL");
  temp_.reset();
}

fs::path TSettingsRootsTest::Temp() const {
  return fs::path(temp_->path().toStdString());
}
fs::path TSettingsRootsTest::UserRoot() const {
  return Temp() / "user";
}
fs::path TSettingsRootsTest::MachineRoot() const {
  return Temp() / "machine";
}

void WriteFile(const fs::path& file, const std::string& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << file;
}

std::optional<std::string> ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

QProcess* StartHelper(const QStringList& helperArgs, QObject* parent) {
  auto* process = new QProcess(parent);
  process->setProgram(QCoreApplication::applicationFilePath());
  process->setArguments(QStringList{kHelperFlag} + helperArgs);
  process->start();
  return process;
}

TChildResult RunHelper(const QStringList& helperArgs, bool asUnprivilegedUser) {
  QProcess process;
  process.setProgram(QCoreApplication::applicationFilePath());
  process.setArguments(QStringList{kHelperFlag} + helperArgs);
  if (asUnprivilegedUser && ::geteuid() == 0) {
    // Root may write anywhere; the child drops to "nobody" so that read-only folders hold for it.
    process.setChildProcessModifier([] {
      if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(97);
    });
  }
  process.start();
  TChildResult result;
  if (!process.waitForFinished(kHelperTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    result.crashed = true;
  }
  result.crashed = result.crashed || process.exitStatus() != QProcess::NormalExit;
  result.exitCode = process.exitCode();
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}

int RunSettingsTestHelper(int argc, char** argv) {
  if (argc < 3 || std::string(argv[1]) != kHelperFlag) return -1;
  const std::string mode = argv[2];
  if (mode == "store-writer" && argc == 5) return StoreWriter(argv[3], std::stol(argv[4]));
  if (mode == "branding-probe" && argc == 4) return BrandingProbe(QString::fromLocal8Bit(argv[3]));
  std::cerr << "unknown helper mode\n";
  return 64;
}

}  // namespace nimbrel::catalogue::testing
