#include "catalogue/cvnCheckBox.h"

#include <QSignalBlocker>

namespace nimbrel::catalogue {

TcvnCheckBox::TcvnCheckBox(QWidget* parent) : QCheckBox(parent) {}

TcvnCheckBox::TcvnCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {}

TcvnCheckBox::~TcvnCheckBox() {
  if (setting_) {
    setting_->SetValue(isChecked());
    setting_.reset();  // writes the state
  }
}

void TcvnCheckBox::Loaded() {
  if (setting_) return;
  if (namedAs_.isEmpty()) namedAs_ = objectName();
  setting_ = std::make_unique<TRegistryBoolean>(namedAs_, isChecked());
  const QSignalBlocker quiet(this);
  setChecked(setting_->Value());
}

}  // namespace nimbrel::catalogue
