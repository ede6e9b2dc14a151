#pragma once
// A check box whose checked state persists between runs under the value name NamedAs.

#include <QCheckBox>
#include <QString>
#include <memory>

#include "catalogue/RegistryVariables.h"

namespace nimbrel::catalogue {

class TcvnCheckBox : public QCheckBox {
  Q_OBJECT
  Q_PROPERTY(QString NamedAs READ NamedAs WRITE SetNamedAs)

 public:
  explicit TcvnCheckBox(QWidget* parent = nullptr);
  explicit TcvnCheckBox(const QString& text, QWidget* parent = nullptr);
  ~TcvnCheckBox() override;

  // Empty means the control's object name.
  const QString& NamedAs() const noexcept { return namedAs_; }
  void SetNamedAs(const QString& name) { namedAs_ = name; }

  // Call once the form has given the control its caption, name and default state: binds the
  // setting, with that state as default, and restores the stored state. No signal is emitted
  // while restoring, so the click handler does not run; the window takes the restored state into
  // account itself. A second call does nothing.
  void Loaded();
  bool Bound() const noexcept { return setting_ != nullptr; }
  // The bound setting (null before Loaded); its value is what the store will receive.
  const TRegistryBoolean* Setting() const noexcept { return setting_.get(); }

 private:
  QString namedAs_;
  std::unique_ptr<TRegistryBoolean> setting_;
};

}  // namespace nimbrel::catalogue
