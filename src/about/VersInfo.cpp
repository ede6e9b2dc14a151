#include "about/VersInfo.h"

#include <QLabel>

#include <utility>

namespace nimbrel::about {

namespace {

constexpr std::uint16_t kDefaultLanguage = 1033;  // US English
constexpr std::uint16_t kDefaultCodePage = 1252;  // Windows Latin-1

QString HexTranslation(TVersionTranslation translation) {
  const std::uint16_t language = translation.language != 0 ? translation.language : kDefaultLanguage;
  const std::uint16_t codePage = translation.codePage != 0 ? translation.codePage : kDefaultCodePage;
  return QString::asprintf("%.4x%.4x", unsigned{language}, unsigned{codePage});
}

}  // namespace

std::optional<QString> TVersionBlock::QueryValue(QStringView subBlock) const {
  constexpr QStringView kPrefix = u"\\StringFileInfo\\";
  if (!subBlock.startsWith(kPrefix, Qt::CaseInsensitive)) {
    return std::nullopt;
  }
  const QStringView rest = subBlock.mid(kPrefix.size());
  const qsizetype separator = rest.indexOf(u'\\');
  if (separator < 0) {
    return std::nullopt;
  }
  const QStringView translation = rest.left(separator);
  const QStringView key = rest.mid(separator + 1);
  for (const TVersionString& entry : strings) {
    if (translation.compare(entry.translation, Qt::CaseInsensitive) == 0 &&
        key.compare(entry.key, Qt::CaseInsensitive) == 0) {
      return entry.value;
    }
  }
  return std::nullopt;
}

QString VersionText(const TVersionNumberInformation& version) {
  if (!version.valid) {
    return {};
  }
  if (!version.text.isEmpty()) {
    return version.text;
  }
  return QStringLiteral("%1.%2.%3.%4")
      .arg(version.mostSignificant >> 16)
      .arg(version.mostSignificant & 0xFFFFu)
      .arg(version.leastSignificant >> 16)
      .arg(version.leastSignificant & 0xFFFFu);
}

TVersionInfoResource::TVersionInfoResource(QObject* parent)
    : TVersionInfoResource(ProgramVersionBlock(), parent) {}

TVersionInfoResource::TVersionInfoResource(std::optional<TVersionBlock> block, QObject* parent)
    : QObject(parent) {
  setObjectName(QStringLiteral("VI"));
  Read(std::move(block));
}

void TVersionInfoResource::Read(std::optional<TVersionBlock> block) {
  translations_.clear();
  block_ = std::move(block);
  fileVersion_ = {};
  productVersion_ = {};
  if (block_) {
    for (const TVersionTranslation& translation : block_->translations) {
      translations_.append(HexTranslation(translation));
    }
    if (translationIndex_ >= translations_.size()) {
      translationIndex_ = 0;
    }
    const TFixedFileVersionInfo& fixed = block_->fixed;
    fileVersion_ = {true, fixed.fileVersionMS, fixed.fileVersionLS, StringByIndex(vsFileVersion)};
    productVersion_ = {true, fixed.productVersionMS, fixed.productVersionLS, StringByIndex(vsProductVersion)};
  }
  FillLinkedLabels();
}

QString TVersionInfoResource::StringByIndex(int index) const {
  if (index < 0 || index >= static_cast<int>(kVersionStringKeys.size())) {
    return {};
  }
  return StringByName(QString::fromLatin1(kVersionStringKeys[static_cast<std::size_t>(index)]));
}

QString TVersionInfoResource::CurrentTranslation() const {
  if (translationIndex_ >= 0 && translationIndex_ < translations_.size()) {
    return translations_.at(translationIndex_);
  }
  return QString::fromLatin1(kDefaultTranslation);
}

QString TVersionInfoResource::StringByName(QStringView key) const {
  if (!block_) {
    return {};
  }
  const QString path = QStringLiteral("\\StringFileInfo\\") + CurrentTranslation() + u'\\' + key.toString();
  return block_->QueryValue(path).value_or(QString());
}

std::optional<TFixedFileVersionInfo> TVersionInfoResource::FixedFileInfo() const {
  if (!block_) {
    return std::nullopt;
  }
  return block_->fixed;
}

void TVersionInfoResource::SetCopyrightLabel(QLabel* label) {
  copyrightLabel_ = label;
  FillLinkedLabels();
}

void TVersionInfoResource::SetProductLabel(QLabel* label) {
  productLabel_ = label;
  FillLinkedLabels();
}

void TVersionInfoResource::FillLinkedLabels() {
  if (copyrightLabel_) {
    copyrightLabel_->setText(StringByIndex(vsLegalCopyright));
  }
  if (productLabel_) {
    productLabel_->setText(StringByIndex(vsProductName));
  }
}

}  // namespace nimbrel::about
