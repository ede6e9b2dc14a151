#include "catalogue/cvnComboBox.h"

#include <QSignalBlocker>

namespace nimbrel::catalogue {

TcvnComboBox::TcvnComboBox(QWidget* parent) : QComboBox(parent) {}

TcvnComboBox::~TcvnComboBox() {
  if (setting_) {
    // Taking the selection only when the focus leaves would lose a choice made just before the
    // window closes while the box still has the focus; take it here as well.
    setting_->SetValue(currentIndex());
    setting_.reset();  // writes the index
  }
}

void TcvnComboBox::Loaded() {
  if (setting_) return;
  if (namedAs_.isEmpty()) namedAs_ = objectName();
  setting_ = std::make_unique<TRegistryInteger>(namedAs_, currentIndex());
  const QSignalBlocker quiet(this);
  setCurrentIndex(setting_->Value());
}

void TcvnComboBox::focusOutEvent(QFocusEvent* event) {
  if (setting_) setting_->SetValue(currentIndex());
  QComboBox::focusOutEvent(event);
}

}  // namespace nimbrel::catalogue
