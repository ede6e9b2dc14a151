#include "about/About.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QShowEvent>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <array>
#include <utility>

namespace nimbrel::about {

namespace {

constexpr int kIconSize = 48;

// A text that begins with "scheme:" (RFC 3986 syntax) names its own scheme, except where the part after
// the colon is a port number ("localhost:8080", "example.com:8080/path"): those are host names.
bool StartsWithScheme(const QString& text) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]*:(?!\\d+(?:[/?#]|$))"));
  return scheme.match(text).hasMatch();
}

QLabel* MakeLabel(QWidget* parent, const QString& name) {
  auto* label = new QLabel(parent);
  label->setObjectName(name);
  // Texts come from the version block: never let one be read as markup.
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

QString CaptionWithVersion(const QString& designedCaption, const TVersionInfoResource& vi) {
  return designedCaption + QStringLiteral(" - ") + vi.FileVersionText();
}

QString WebSiteAddress(const QString& text) {
  const QString address = text.trimmed();
  if (address.isEmpty()) {
    return {};
  }
  if (address.contains(QStringLiteral("http://")) || StartsWithScheme(address)) {
    return address;
  }
  return QStringLiteral("http://") + address;
}

TAboutBox::TAboutBox(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("AboutBox"));
  setWindowTitle(QStringLiteral("About"));
  setModal(true);
  resize(kClientWidth, kClientHeight);

  panel1_ = new QFrame(this);
  panel1_->setObjectName(QStringLiteral("Panel1"));
  panel1_->setFrameShape(QFrame::StyledPanel);
  panel1_->setFrameShadow(QFrame::Sunken);

  programIcon_ = MakeLabel(panel1_, QStringLiteral("ProgramIcon"));
  programIcon_->setFixedSize(kIconSize, kIconSize);
  programIcon_->setAlignment(Qt::AlignCenter);
  productName_ = MakeLabel(panel1_, QStringLiteral("ProductName"));
  QFont nameFont = productName_->font();
  nameFont.setBold(true);
  nameFont.setPointSizeF(nameFont.pointSizeF() * 1.25);
  productName_->setFont(nameFont);
  version_ = MakeLabel(panel1_, QStringLiteral("Version"));
  version_->setWordWrap(true);
  copyright_ = MakeLabel(panel1_, QStringLiteral("Copyright"));
  copyright_->setWordWrap(true);
  comments_ = MakeLabel(panel1_, QStringLiteral("Comments"));
  comments_->setWordWrap(true);
  for (QLabel* label : {productName_, version_, copyright_, comments_}) {
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);  // so a user can copy the version for a report
  }

  panelLayout_ = new QGridLayout(panel1_);
  panelLayout_->setHorizontalSpacing(12);
  panelLayout_->addWidget(programIcon_, 0, 0, 2, 1, Qt::AlignTop);
  panelLayout_->addWidget(productName_, 0, 1, Qt::AlignBottom);
  panelLayout_->addWidget(version_, 1, 1, Qt::AlignTop);
  panelLayout_->addWidget(copyright_, 2, 0, 1, 2);
  panelLayout_->addWidget(comments_, 3, 0, 1, 2);
  panelLayout_->setRowStretch(4, 1);
  panelLayout_->setColumnStretch(1, 1);

  okButton_ = new QPushButton(QStringLiteral("OK"), this);
  okButton_->setObjectName(QStringLiteral("OKButton"));
  okButton_->setDefault(true);
  auto* buttons = new QDialogButtonBox(this);
  buttons->addButton(okButton_, QDialogButtonBox::AcceptRole);
  connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(panel1_, 1);
  layout->addWidget(buttons);
}

void TAboutBox::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {  // not when the window manager merely restores it
    FitAndCentre();
  }
  QDialog::showEvent(event);
}

void TAboutBox::FitAndCentre() {
  QLayout* layout = this->layout();
  if (layout == nullptr) {
    return;
  }
  // Width: enough for the version and copyright lines on one line each where that stays reasonable,
  // never below the designed width; longer texts wrap.
  const std::array<QLabel*, 2> wrapping = {version_, copyright_};
  for (QLabel* label : wrapping) {
    label->setWordWrap(false);
  }
  layout->invalidate();
  layout->activate();
  const int oneLineWidth = sizeHint().width();
  for (QLabel* label : wrapping) {
    label->setWordWrap(true);
  }
  layout->invalidate();
  layout->activate();
  const int width =
      std::max(std::clamp(oneLineWidth, kClientWidth, kMaxClientWidth), minimumSizeHint().width());
  const int height = std::max({kClientHeight, sizeHint().height(), layout->totalHeightForWidth(width)});
  // A dialog of fixed size, like any message-style box.
  setFixedSize(width, height);
  QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    const QRect area = screen->availableGeometry();
    move(area.center() - QPoint(width / 2, height / 2));
  }
}

TAboutBoxCVN::TAboutBoxCVN(QWidget* parent) : TAboutBoxCVN(ProgramVersionBlock(), parent) {}

TAboutBoxCVN::TAboutBoxCVN(std::optional<TVersionBlock> block, QWidget* parent)
    : TAboutBox(parent), opener_([](const QUrl& url) { return QDesktopServices::openUrl(url); }) {
  vi_ = new TVersionInfoResource(std::move(block), this);
  vi_->SetCopyrightLabel(Copyright());
  vi_->SetProductLabel(ProductName());

  Comments()->setText(QStringLiteral("The 3D companion of the Nimbrel tracker."));

  webSite_ = MakeLabel(Panel1(), QStringLiteral("WebSite"));
  QFont linkFont = webSite_->font();
  linkFont.setUnderline(true);
  webSite_->setFont(linkFont);
  QPalette linkPalette = webSite_->palette();
  linkPalette.setColor(QPalette::WindowText, QColor(0, 0, 128));  // navy, the classic link colour
  webSite_->setPalette(linkPalette);
  webSite_->setCursor(Qt::PointingHandCursor);
  webSite_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  webSite_->installEventFilter(this);
  PanelLayout()->addWidget(webSite_, 5, 0, 1, 2);
}

void TAboutBoxCVN::FormShow() noexcept {
  try {
    setFont(QApplication::font());
    setWindowTitle(QStringLiteral("About Corvane's ") + vi_->StringByIndex(vsProductName));

    QIcon icon = QApplication::windowIcon();
    if (icon.isNull()) {
      // A program that has set no icon still gets a picture in the box rather than a hole.
      icon = style()->standardIcon(QStyle::SP_ComputerIcon);
    }
    QPixmap pixmap = icon.pixmap(QSize(kIconSize, kIconSize), devicePixelRatioF());
    if (!pixmap.isNull() && pixmap.deviceIndependentSize().width() < kIconSize) {
      // Icons without a large size are drawn small; scale them up to fill the place they have.
      const qreal ratio = pixmap.devicePixelRatio();
      pixmap =
          pixmap.scaled(QSize(kIconSize, kIconSize) * ratio, Qt::KeepAspectRatio, Qt::SmoothTransformation);
      pixmap.setDevicePixelRatio(ratio);
    }
    ProgramIcon()->setPixmap(pixmap);

    const QString fileName = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
    Version()->setText(fileName + QStringLiteral(", V") + vi_->FileVersionText() + QStringLiteral(", ") +
                       vi_->StringByIndex(vsComments));
    webSite_->setText(vi_->StringByName(QString::fromLatin1(kWebSiteKey)));
  } catch (...) {
    // Nothing here should throw; the box still opens with whatever was filled in.
  }
}

void TAboutBoxCVN::WebSiteClick() noexcept {
  try {
    const QString address = WebSiteAddress(webSite_->text());
    if (address.isEmpty() || !opener_) {
      return;
    }
    const QUrl url(address, QUrl::TolerantMode);
    if (url.isValid()) {
      opener_(url);  // a browser that does not start is not reported
    }
  } catch (...) {
    // An opener that throws is a failure to open, which is not reported either.
  }
}

void TAboutBoxCVN::showEvent(QShowEvent* event) {
  if (!event->spontaneous()) {
    FormShow();
  }
  TAboutBox::showEvent(event);
}

void TAboutBoxCVN::keyPressEvent(QKeyEvent* event) {
  // Escape is the OK button here, so the box closes with the OK result rather than a rejection.
  if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
    OKButton()->click();
    return;
  }
  TAboutBox::keyPressEvent(event);
}

bool TAboutBoxCVN::eventFilter(QObject* watched, QEvent* event) {
  if (watched == webSite_ && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton && webSite_->rect().contains(mouse->position().toPoint())) {
      WebSiteClick();
      return true;
    }
  }
  return TAboutBox::eventFilter(watched, event);
}

}  // namespace nimbrel::about
