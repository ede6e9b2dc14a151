#include <gtest/gtest.h>

#include <QDate>
#include <QLabel>
#include <QRegularExpression>

#include <memory>
#include <vector>

#include "QtPrinters.h"
#include "about/VersInfo.h"

namespace nimbrel::about {
namespace {

TVersionBlock BlockWith(std::vector<TVersionTranslation> translations, const QString& table,
                        std::vector<std::pair<QString, QString>> values) {
  TVersionBlock block;
  block.fixed = {0x00010004u, 0x0000000Cu, 0x00020000u, 0x00030004u};
  block.translations = std::move(translations);
  for (auto& [key, value] : values) {
    block.strings.push_back({table, key, value});
  }
  return block;
}

TEST(VersionInfo, TranslationsAreLowercaseHexWithDefaultsForZero) {
  struct Case {
    const char* what;
    std::vector<TVersionTranslation> table;
    QStringList expected;
  };
  const Case cases[] = {
      {"language and code page 0", {{0, 0}}, {"040904e4"}},
      {"code page 0 only", {{0x0407, 0}}, {"040704e4"}},
      {"language 0 only", {{0, 1200}}, {"040904b0"}},
      {"both given", {{0x0C0A, 0x04E4}}, {"0c0a04e4"}},
      {"two entries in order", {{0x0411, 932}, {0x0409, 1200}}, {"041103a4", "040904b0"}},
      {"no table", {}, {}},
  };
  for (const Case& c : cases) {
    TVersionInfoResource vi(BlockWith(c.table, "040904e4", {}));
    EXPECT_EQ(vi.Translations(), c.expected) << c.what;
  }
}

TEST(VersionInfo, StringsAreLookedUpUnderTheCurrentTranslation) {
  // A table written as "040904E4" is found through the translation 040904e4 made from 0 and 0.
  TVersionInfoResource zeros(BlockWith({{0, 0}}, "040904E4", {{"CompanyName", "Corvane"}}));
  EXPECT_EQ(zeros.CurrentTranslation(), "040904e4");
  EXPECT_EQ(zeros.StringByName(u"CompanyName"), "Corvane");

  // Without a translation table the lookup falls back to "040904E4".
  TVersionInfoResource none(BlockWith({}, "040904e4", {{"CompanyName", "Corvane"}}));
  EXPECT_EQ(none.CurrentTranslation(), "040904E4");
  EXPECT_EQ(none.StringByName(u"CompanyName"), "Corvane");

  // A table under another translation than the current one is not read.
  TVersionInfoResource other(BlockWith({{0x0407, 1252}}, "040904E4", {{"CompanyName", "Corvane"}}));
  EXPECT_EQ(other.StringByName(u"CompanyName"), "");

  // A table in German only: found when the table names it.
  TVersionInfoResource german(BlockWith({{0x0407, 1252}}, "040704e4", {{"CompanyName", "Corvane GmbH"}}));
  EXPECT_EQ(german.StringByName(u"CompanyName"), "Corvane GmbH");
}

TEST(VersionInfo, TranslationIndexPicksATableAndFallsBackWhenOutOfRange) {
  TVersionBlock block = BlockWith({{0x0407, 1252}, {0x0409, 1252}}, "040704e4", {{"ProductName", "Deutsch"}});
  block.strings.push_back({"040904e4", "ProductName", "English"});
  block.strings.push_back({"040904E4", "Comments", "fallback table"});
  TVersionInfoResource vi(block);
  EXPECT_EQ(vi.TranslationIndex(), 0);
  EXPECT_EQ(vi.StringByName(u"ProductName"), "Deutsch");
  vi.SetTranslationIndex(1);
  EXPECT_EQ(vi.StringByName(u"ProductName"), "English");
  vi.SetTranslationIndex(2);  // no such entry: the default translation
  EXPECT_EQ(vi.CurrentTranslation(), "040904E4");
  EXPECT_EQ(vi.StringByName(u"Comments"), "fallback table");
  vi.SetTranslationIndex(-1);
  EXPECT_EQ(vi.CurrentTranslation(), "040904E4");

  // Reading a block with fewer translations than the index resets it to the first.
  vi.SetTranslationIndex(1);
  vi.Read(BlockWith({{0x0407, 1252}}, "040704e4", {}));
  EXPECT_EQ(vi.TranslationIndex(), 0);
}

TEST(VersionInfo, StringByIndexCoversThePredefinedKeysOnly) {
  std::vector<std::pair<QString, QString>> values;
  for (const char* key : kVersionStringKeys) {
    values.emplace_back(key, QStringLiteral("value of ") + key);
  }
  values.emplace_back("Web site", "www.corvane.example");
  TVersionInfoResource vi(BlockWith({{0x0409, 1252}}, "040904e4", values));
  for (int i = 0; i < static_cast<int>(kVersionStringKeys.size()); ++i) {
    EXPECT_EQ(vi.StringByIndex(i),
              QStringLiteral("value of ") + kVersionStringKeys[static_cast<std::size_t>(i)])
        << "index " << i;
  }
  EXPECT_EQ(vi.StringByIndex(vsLegalCopyright), "value of LegalCopyright");
  EXPECT_EQ(vi.StringByIndex(-1), "");
  EXPECT_EQ(vi.StringByIndex(11), "");
  EXPECT_EQ(vi.StringByName(u"Web site"), "www.corvane.example");
  EXPECT_EQ(vi.StringByName(u"Missing key"), "");
  EXPECT_EQ(vi.StringByName(u""), "");
  // A key cannot reach outside its table through a path separator.
  EXPECT_EQ(vi.StringByName(u"..\\CompanyName"), "");
}

TEST(VersionInfo, BlockLookupAcceptsOnlyStringTablePaths) {
  const TVersionBlock block = BlockWith({}, "040904E4", {{"ProductName", "NimbrelGL"}});
  EXPECT_EQ(block.QueryValue(u"\\StringFileInfo\\040904E4\\ProductName"), "NimbrelGL");
  EXPECT_EQ(block.QueryValue(u"\\stringfileinfo\\040904e4\\productname"), "NimbrelGL");
  EXPECT_EQ(block.QueryValue(u"\\StringFileInfo\\040904E4"), std::nullopt);
  EXPECT_EQ(block.QueryValue(u"\\VarFileInfo\\Translation"), std::nullopt);
  EXPECT_EQ(block.QueryValue(u"StringFileInfo\\040904E4\\ProductName"), std::nullopt);
  EXPECT_EQ(block.QueryValue(u""), std::nullopt);
}

TEST(VersionInfo, VersionTextPrefersTheStringTable) {
  // The string wins even where it disagrees with the fixed numbers.
  TVersionInfoResource withText(
      BlockWith({{0, 0}}, "040904e4", {{"FileVersion", "2.0 beta"}, {"ProductVersion", "2.0"}}));
  EXPECT_EQ(withText.FileVersionText(), "2.0 beta");
  EXPECT_EQ(withText.ProductVersionText(), "2.0");
  EXPECT_TRUE(withText.FileVersion().valid);
  EXPECT_EQ(withText.FileVersion().mostSignificant, 0x00010004u);
  EXPECT_EQ(withText.FileVersion().leastSignificant, 0x0000000Cu);

  // Without strings the four parts come from the halves: major, minor, release, build.
  TVersionInfoResource numbers(BlockWith({{0, 0}}, "040904e4", {}));
  EXPECT_EQ(numbers.FileVersionText(), "1.4.0.12");
  EXPECT_EQ(numbers.ProductVersionText(), "2.0.3.4");
  // An empty string counts as none.
  TVersionInfoResource emptyText(BlockWith({{0, 0}}, "040904e4", {{"FileVersion", ""}}));
  EXPECT_EQ(emptyText.FileVersionText(), "1.4.0.12");
}

TEST(VersionInfo, VersionTextOfNumbersReadsEachPartUnsigned) {
  struct Case {
    TVersionNumberInformation version;
    QString expected;
  };
  const Case cases[] = {
      {{true, 0x00010004u, 0x0000000Cu, ""}, "1.4.0.12"},
      {{true, 0xFFFFFFFFu, 0x80007FFFu, ""}, "65535.65535.32768.32767"},
      {{true, 0, 0, ""}, "0.0.0.0"},
      {{false, 0x00010004u, 0, "1.4"}, ""},  // invalid: empty, whatever it holds
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VersionText(c.version), c.expected) << c.expected.toStdString();
  }
}

TEST(VersionInfo, WithoutABlockEverythingIsEmpty) {
  TVersionInfoResource vi(std::nullopt);
  EXPECT_FALSE(vi.HasBlock());
  EXPECT_FALSE(vi.FixedFileInfo().has_value());
  EXPECT_FALSE(vi.FileVersion().valid);
  EXPECT_FALSE(vi.ProductVersion().valid);
  EXPECT_EQ(vi.FileVersionText(), "");
  EXPECT_EQ(vi.ProductVersionText(), "");
  EXPECT_TRUE(vi.Translations().isEmpty());
  for (int i = 0; i < static_cast<int>(kVersionStringKeys.size()); ++i) {
    EXPECT_EQ(vi.StringByIndex(i), "") << "index " << i;
  }
  EXPECT_EQ(vi.StringByName(u"Web site"), "");
}

TEST(VersionInfo, ReadingAgainDropsThePreviousBlock) {
  TVersionInfoResource vi(BlockWith({{0x0407, 0}, {0, 0}}, "040704e4", {{"ProductName", "Alt"}}));
  EXPECT_EQ(vi.Translations().size(), 2);
  vi.Read(BlockWith({}, "040904E4", {{"FileVersion", "9.9"}}));
  EXPECT_TRUE(vi.Translations().isEmpty());
  EXPECT_EQ(vi.StringByIndex(vsProductName), "");
  EXPECT_EQ(vi.FileVersionText(), "9.9");
  vi.Read(std::nullopt);
  EXPECT_EQ(vi.FileVersionText(), "");
  EXPECT_FALSE(vi.HasBlock());
}

TEST(VersionInfo, LinkedLabelsAreFilledAndForgottenWhenDestroyed) {
  TVersionInfoResource vi(
      BlockWith({{0, 0}}, "040904e4", {{"LegalCopyright", "(c) Corvane"}, {"ProductName", "NimbrelGL"}}));
  auto copyright = std::make_unique<QLabel>("designed text");
  auto product = std::make_unique<QLabel>("designed text");
  vi.SetCopyrightLabel(copyright.get());
  vi.SetProductLabel(product.get());
  EXPECT_EQ(copyright->text(), "(c) Corvane");
  EXPECT_EQ(product->text(), "NimbrelGL");

  // A later read refills them, with empty texts when the block lacks the keys.
  vi.Read(BlockWith({{0, 0}}, "040904e4", {{"ProductName", "Other"}}));
  EXPECT_EQ(copyright->text(), "");
  EXPECT_EQ(product->text(), "Other");

  copyright.reset();
  EXPECT_EQ(vi.CopyrightLabel(), nullptr);
  EXPECT_EQ(vi.ProductLabel(), product.get());
  vi.Read(std::nullopt);  // must not touch the destroyed label
  EXPECT_EQ(product->text(), "");
}

TEST(VersionInfo, TheProgramCarriesItsOwnBlock) {
  TVersionInfoResource vi;
  EXPECT_EQ(vi.objectName(), "VI");
  ASSERT_TRUE(vi.HasBlock());
  EXPECT_EQ(vi.StringByIndex(vsProductName), "NimbrelGL");
  EXPECT_EQ(vi.StringByIndex(vsCompanyName), "Corvane");
  EXPECT_TRUE(vi.StringByIndex(vsLegalCopyright).contains("Corvane"));
  EXPECT_FALSE(vi.StringByName(u"Web site").isEmpty());
  // The caption shows the file version as four numbers, so the string must agree with the fixed part.
  const TVersionNumberInformation numbersOnly{true, vi.FileVersion().mostSignificant,
                                              vi.FileVersion().leastSignificant, ""};
  EXPECT_EQ(vi.FileVersionText(), VersionText(numbersOnly));
  EXPECT_TRUE(QRegularExpression("^\\d+\\.\\d+\\.\\d+\\.\\d+$").match(vi.FileVersionText()).hasMatch());
  EXPECT_TRUE(vi.FileVersionText().startsWith(vi.ProductVersionText()));
  // "Comments" holds the build date.
  EXPECT_TRUE(QDate::fromString(vi.StringByIndex(vsComments), Qt::ISODate).isValid())
      << vi.StringByIndex(vsComments).toStdString();
}

}  // namespace
}  // namespace nimbrel::about
