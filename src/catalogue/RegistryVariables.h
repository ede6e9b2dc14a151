#pragma once
// The program's own persisted settings: each one an object bound to one value name in the program's
// key "\Software\<CompanyKey>\<executable base name>" under SettingsRoot. It reads the store once
// when created and writes once when destroyed; every failure of the store is silent and leaves the
// default (the program never reports anything about its settings).

#include <QString>
#include <cstdint>
#include <optional>

#include "catalogue/SettingsStore.h"

namespace nimbrel::catalogue {

// Branding, fixed once at program start by ApplyBranding before any setting is created.
inline constexpr const char* kDefaultCompanyKey = "Corvane";
inline constexpr const char* kAlternativeCompanyKey = "Marrowby";
extern QString CompanyKey;          // "Corvane", or "Marrowby" under the alternative branding
extern TSettingsRoot SettingsRoot;  // per user, or per machine under the alternative branding

// The alternative branding belongs to an executable named ZELVARTH.EXE in any letter case; on this
// platform, where programs carry no extension, "zelvarth" itself counts too. Also remembers the
// path, from which keys and the companion's "App Paths" entry are made. Call it with
// QCoreApplication::applicationFilePath().
void ApplyBranding(const QString& executablePath);
// The path given to ApplyBranding; before that, QCoreApplication::applicationFilePath().
QString ExecutablePath();
// The executable's file name without folder and without its extension, in the reported letter case.
QString ExecutableBaseName();
// "\Software\" + CompanyKey + "\" + name.
QString CompanyKeyPath(const QString& name);

class TRegistryVariable {
 public:
  explicit TRegistryVariable(QString name);
  TRegistryVariable(const TRegistryVariable&) = delete;  // a copy would write a second time
  TRegistryVariable& operator=(const TRegistryVariable&) = delete;
  virtual ~TRegistryVariable() = default;

  virtual void Save() = 0;

  const QString& Name() const noexcept { return name_; }
  const QString& Key() const noexcept { return key_; }
  TSettingsRoot Root() const noexcept { return root_; }

 protected:
  // The stored 32-bit integer, when the key exists, can be opened with full access and holds one.
  std::optional<std::int32_t> ReadInteger() const noexcept;
  void WriteInteger(std::int32_t value) const noexcept;

 private:
  QString name_;
  QString key_;
  TSettingsRoot root_;
};

class TRegistryBoolean final : public TRegistryVariable {
 public:
  TRegistryBoolean(QString name, bool defaultValue);
  ~TRegistryBoolean() override { Save(); }

  bool Value() const noexcept { return value_; }
  void SetValue(bool value) noexcept { value_ = value; }  // memory only; the store sees it at Save
  void Save() override;                                   // 1 for true, 0 for false

 private:
  bool value_;
};

class TRegistryInteger final : public TRegistryVariable {
 public:
  TRegistryInteger(QString name, std::int32_t defaultValue);
  ~TRegistryInteger() override { Save(); }

  std::int32_t Value() const noexcept { return value_; }
  void SetValue(std::int32_t value) noexcept { value_ = value; }
  void Save() override;

 private:
  std::int32_t value_;
};

}  // namespace nimbrel::catalogue
