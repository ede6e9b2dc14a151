#pragma once
// A drop-down list whose selected item index persists between runs under the value name NamedAs.

#include <QComboBox>
#include <QString>
#include <memory>

#include "catalogue/RegistryVariables.h"

namespace nimbrel::catalogue {

class TcvnComboBox : public QComboBox {
  Q_OBJECT
  Q_PROPERTY(QString NamedAs READ NamedAs WRITE SetNamedAs)

 public:
  explicit TcvnComboBox(QWidget* parent = nullptr);
  ~TcvnComboBox() override;

  // Empty means the control's object name.
  const QString& NamedAs() const noexcept { return namedAs_; }
  void SetNamedAs(const QString& name) { namedAs_ = name; }

  // Call once the form has filled the items and chosen the default selection (a combo box selects
  // its first item when items are added: call setCurrentIndex(-1) first for "no choice"). Binds the
  // setting with the current index as default and restores the stored index without emitting any
  // signal. A stored index outside the items leaves no item selected. A second call does nothing.
  void Loaded();
  bool Bound() const noexcept { return setting_ != nullptr; }
  // The bound setting (null before Loaded); its value is what the store will receive.
  const TRegistryInteger* Setting() const noexcept { return setting_.get(); }

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString namedAs_;
  std::unique_ptr<TRegistryInteger> setting_;
};

}  // namespace nimbrel::catalogue
