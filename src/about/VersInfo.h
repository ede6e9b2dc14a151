#pragma once
// TVersionInfoResource: the program's identity (names, version numbers, copyright, web address) read
// from a version block, the same way the main window and the About box both use it.

#include <QLabel>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace nimbrel::about {

// The block's fixed part: each version is two 32-bit halves, most significant holding major and minor
// (16 bits each), least significant holding release and build.
struct TFixedFileVersionInfo {
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
};

// One entry of the block's translation table; 0 means "not given" for either number.
struct TVersionTranslation {
  std::uint16_t language = 0;
  std::uint16_t codePage = 0;
};

// One value of a string table, kept under the translation name its table was written with.
struct TVersionString {
  QString translation;  // eight hexadecimal digits, language then code page
  QString key;
  QString value;
};

// A version block: what the program carries about itself. Tests build their own to hand to the reader.
struct TVersionBlock {
  TFixedFileVersionInfo fixed;
  std::vector<TVersionTranslation> translations;
  std::vector<TVersionString> strings;

  // Looks up "\StringFileInfo\<translation>\<key>". Names compare without regard to letter case, as
  // version blocks are written with either "040904E4" or "040904e4". nullopt for any other path or a
  // missing value.
  std::optional<QString> QueryValue(QStringView subBlock) const;
};

// The version block compiled into this program.
const TVersionBlock& ProgramVersionBlock();

// Indices of the predefined string keys.
enum TVersionStringIndex : int {
  vsCompanyName = 0,
  vsFileDescription,
  vsFileVersion,
  vsInternalName,
  vsLegalCopyright,
  vsLegalTrademarks,
  vsOriginalFilename,
  vsProductName,
  vsProductVersion,
  vsComments,
  vsBuildFlags,
};

inline constexpr std::array<const char*, 11> kVersionStringKeys = {
    "CompanyName",    "FileDescription", "FileVersion",      "InternalName",
    "LegalCopyright", "LegalTrademarks", "OriginalFilename", "ProductName",
    "ProductVersion", "Comments",        "BuildFlags"};
static_assert(kVersionStringKeys.size() == vsBuildFlags + 1, "one key for each index");
inline constexpr char kWebSiteKey[] = "Web site";
// Used when the block names no translation (or the current index has none).
inline constexpr char kDefaultTranslation[] = "040904E4";

// A version number as read: valid only when a block was there.
struct TVersionNumberInformation {
  bool valid = false;
  std::uint32_t mostSignificant = 0;
  std::uint32_t leastSignificant = 0;
  QString text;  // the string table's version text, may be empty
};

// The string table's text, else "major.minor.release.build" from the numbers; empty when invalid.
QString VersionText(const TVersionNumberInformation& version);

class TVersionInfoResource : public QObject {
  Q_OBJECT

 public:
  // Reads the program's own block.
  explicit TVersionInfoResource(QObject* parent = nullptr);
  // Reads the given block; nullopt stands for a program without one.
  explicit TVersionInfoResource(std::optional<TVersionBlock> block, QObject* parent = nullptr);

  // Replaces what was read before with `block` and refills the linked labels.
  void Read(std::optional<TVersionBlock> block);

  // The value of the predefined key at `index` (a TVersionStringIndex); empty for any other index.
  QString StringByIndex(int index) const;
  // The value of any key under the current translation; empty when there is no block or no such value.
  QString StringByName(QStringView key) const;

  const TVersionNumberInformation& FileVersion() const noexcept { return fileVersion_; }
  const TVersionNumberInformation& ProductVersion() const noexcept { return productVersion_; }
  QString FileVersionText() const { return VersionText(fileVersion_); }
  QString ProductVersionText() const { return VersionText(productVersion_); }
  // The fixed part of the block, nullopt without a block.
  std::optional<TFixedFileVersionInfo> FixedFileInfo() const;
  bool HasBlock() const noexcept { return block_.has_value(); }

  // Translation names, eight lowercase hexadecimal digits each, in the block's order.
  const QStringList& Translations() const noexcept { return translations_; }
  int TranslationIndex() const noexcept { return translationIndex_; }
  void SetTranslationIndex(int index) noexcept { translationIndex_ = index; }
  // The translation the strings are looked up under.
  QString CurrentTranslation() const;

  // Labels this component fills with "LegalCopyright" and "ProductName". Linking fills the label at
  // once; the link is dropped when the label is destroyed.
  QLabel* CopyrightLabel() const { return copyrightLabel_; }
  void SetCopyrightLabel(QLabel* label);
  QLabel* ProductLabel() const { return productLabel_; }
  void SetProductLabel(QLabel* label);

 private:
  void FillLinkedLabels();

  std::optional<TVersionBlock> block_;
  QStringList translations_;
  int translationIndex_ = 0;
  TVersionNumberInformation fileVersion_;
  TVersionNumberInformation productVersion_;
  QPointer<QLabel> copyrightLabel_;
  QPointer<QLabel> productLabel_;
};

}  // namespace nimbrel::about
