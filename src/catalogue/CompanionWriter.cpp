#include "catalogue/CompanionWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <functional>

#include "catalogue/CatalogueNumber.h"
#include "catalogue/CommaList.h"
#include "catalogue/Companion.h"
#include "catalogue/SettingsStore.h"

namespace nimbrel::catalogue {

namespace {

TSettingsKey CompanionStore() {
  return TSettingsKey(TSettingsRoot::srCurrentUser, CompanionKeyPath().toStdString());
}

QStringList StoredList(const TSettingsValues& values, const char* name) {
  return SplitCommaList(QString::fromStdString(values.Text(name).value_or(std::string())));
}

std::string OutsideLocations(qsizetype count) {
  if (count == 0) return "is not a stored location (no locations are stored)";
  return "is outside 1.." + std::to_string(count) + " (the stored locations)";
}

// Locks the key, lets `change` edit the values and saves them; `change` refuses (nothing written) by
// returning false after setting `refusal`.
TCompanionWrite Write(const std::function<bool(TSettingsValues&, std::string&)>& change) {
  using TStatus = TCompanionWrite::TStatus;
  if (CompanionOwnsSettings()) {
    return {TStatus::cwOwnedByCompanion,
            "The companion program Nimbrel is installed and keeps these settings itself; change them "
            "there. Nothing was written."};
  }
  std::string refusal;
  const TSaveResult result =
      CompanionStore().Update([&](TSettingsValues& values) { return change(values, refusal); });
  if (result.status == TSaveResult::TStatus::ssAbandoned) return {TStatus::cwRefused, refusal};
  if (!result) return {TStatus::cwFailed, result.reason};
  return {TStatus::cwSaved, {}};
}

// The index is one of the stored locations; otherwise the refusal names the range.
bool StoredLocation(int index, qsizetype count, std::string& refusal) {
  if (index >= 0 && index < count) return true;
  refusal = OutsideLocations(count);
  return false;
}

// Where the shown item is stored now; -1 (with the refusal) when it cannot be told.
int StoredIndexOf(const TShownLocation& shown, const QStringList& list, std::string& refusal) {
  if (shown.index >= 0 && shown.index < list.size() && list[shown.index] == shown.item) return shown.index;
  const qsizetype first = list.indexOf(shown.item);
  if (first >= 0 && list.lastIndexOf(shown.item) == first) return static_cast<int>(first);
  const QStringList fields = SplitCommaList(shown.item);
  const QString name = fields.isEmpty() ? shown.item : fields.front();
  refusal = QStringLiteral("\"%1\" is no longer stored as it was shown").arg(name).toStdString();
  return -1;
}

}  // namespace

TCheckedNumber CheckDecimal(QStringView typed, double low, double high, const QLocale& locale) {
  QString text = typed.trimmed().toString();
  const QString separator = locale.decimalPoint();
  if (separator != QLatin1String(".")) text.replace(separator, QLatin1String("."));
  const std::string notANumber = "is not a number (write it with '.' as the decimal point, e.g. 55.95)";
  if (text.startsWith(QLatin1Char('+'))) {
    text.remove(0, 1);
    if (text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('+'))) return {{}, notANumber};
  }
  const QByteArray bytes = text.toUtf8();
  double value = 0.0;
  const char* begin = bytes.constData();
  const char* end = begin + bytes.size();
  const auto [stop, ec] = std::from_chars(begin, end, value, std::chars_format::fixed);
  if (bytes.isEmpty() || ec != std::errc() || stop != end || !std::isfinite(value)) return {{}, notANumber};
  if (value < low || value > high)
    return {{}, "is outside " + FormatDecimal(low) + ".." + FormatDecimal(high)};
  return {value, {}};
}

std::string FormatDecimal(double value) {
  if (value == 0.0) value = 0.0;  // no "-0"
  char buffer[64];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc() ? std::string(buffer, end) : std::string("0");
}

TCheckedCatalogueNumber CheckCatalogueNumber(std::string_view text) {
  const std::string notANumber = "is not a catalogue number (1 to " + std::to_string(kMaxAlpha5Number) +
                                 ", e.g. 25544, or Alpha-5 such as A0001)";
  if (!text.empty() && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'))) {
    const std::optional<std::int64_t> alpha5 = CatalogueNumberValue(text);
    if (!alpha5) return {{}, notANumber};
    return {QString::fromStdString(CatalogueNumberText(*alpha5)), {}};
  }
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos) return {{}, notANumber};
  const std::string_view digits = text.substr(std::min(text.find_first_not_of('0'), text.size()));
  std::int64_t number = 0;
  if (digits.size() <= 9) std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.size() > 9 || number > kMaxAlpha5Number) {
    return {{},
            "is above " + std::to_string(kMaxAlpha5Number) +
                ", the largest number five characters can carry (Z9999 in Alpha-5 form); NimbrelGL "
                "shows such satellites, but its lists cannot name them"};
  }
  // "00000" names no satellite: the numbers start at 1.
  if (number < 1) return {{}, notANumber};
  return {QString::fromStdString(CatalogueNumberText(number)), {}};
}

std::string CheckLocationName(const QString& name) {
  if (name.trimmed().isEmpty()) return "needs a name";
  for (const QChar c : name) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7f) return "must not contain control characters";
  }
  return {};
}

QString LocationItem(const TObserverLocation& location) {
  // Quoted in the outer list as needed, so a name with commas or spaces keeps them.
  return JoinCommaList({location.name, QString::fromStdString(FormatDecimal(location.lonDeg)),
                        QString::fromStdString(FormatDecimal(location.latDeg)),
                        QString::fromStdString(FormatDecimal(location.heightM)), QStringLiteral("0")});
}

bool CompanionOwnsSettings() {
  return !ReadProgramPath(QString::fromLatin1(kCompanionProgram)).isEmpty();
}

TCompanionWrite WriteDataFolder(const QString& folder) {
  return Write([&](TSettingsValues& values, std::string&) {
    values.SetText(kTwoLineDataPath, folder.toStdString());
    return true;
  });
}

TCompanionWrite AddLocation(const TObserverLocation& location) {
  const QString item = LocationItem(location);
  return Write([&](TSettingsValues& values, std::string&) {
    QStringList list = StoredList(values, kLocationList);
    list.append(item);
    values.SetText(kLocationList, JoinCommaList(list).toStdString());
    return true;
  });
}

TCompanionWrite ReplaceLocation(int index, const TObserverLocation& location) {
  const QString item = LocationItem(location);
  return Write([&](TSettingsValues& values, std::string& refusal) {
    QStringList list = StoredList(values, kLocationList);
    if (!StoredLocation(index, list.size(), refusal)) return false;
    list[index] = item;
    values.SetText(kLocationList, JoinCommaList(list).toStdString());
    return true;
  });
}

namespace {

bool RemoveAt(TSettingsValues& values, QStringList list, int index) {
  const int selected = LocationIndex(values.Integer(kLocationNum).value_or(0));
  list.removeAt(index);
  values.SetText(kLocationList, JoinCommaList(list).toStdString());
  // Keep the same home selected; when the home itself goes, the first location takes over.
  if (selected <= list.size() && index <= selected) {
    values.SetInteger(kLocationNum, index < selected ? selected - 1 : 0);
  }
  return true;
}

}  // namespace

TCompanionWrite RemoveLocation(int index) {
  return Write([&](TSettingsValues& values, std::string& refusal) {
    QStringList list = StoredList(values, kLocationList);
    if (!StoredLocation(index, list.size(), refusal)) return false;
    return RemoveAt(values, std::move(list), index);
  });
}

TCompanionWrite RemoveLocation(const TShownLocation& shown) {
  return Write([&](TSettingsValues& values, std::string& refusal) {
    QStringList list = StoredList(values, kLocationList);
    const int index = StoredIndexOf(shown, list, refusal);
    return index >= 0 && RemoveAt(values, std::move(list), index);
  });
}

TCompanionWrite ReplaceLocation(const TShownLocation& shown, const TObserverLocation& location) {
  const QString item = LocationItem(location);
  return Write([&](TSettingsValues& values, std::string& refusal) {
    QStringList list = StoredList(values, kLocationList);
    const int index = StoredIndexOf(shown, list, refusal);
    if (index < 0) return false;
    list[index] = item;
    values.SetText(kLocationList, JoinCommaList(list).toStdString());
    return true;
  });
}

TCompanionWrite SelectLocation(const TShownLocation& shown) {
  return Write([&](TSettingsValues& values, std::string& refusal) {
    const int index = StoredIndexOf(shown, StoredList(values, kLocationList), refusal);
    if (index < 0) return false;
    values.SetInteger(kLocationNum, index);
    return true;
  });
}

TCompanionWrite SelectLocation(int index) {
  return Write([&](TSettingsValues& values, std::string& refusal) {
    if (!StoredLocation(index, StoredList(values, kLocationList).size(), refusal)) return false;
    values.SetInteger(kLocationNum, index);
    return true;
  });
}

TCompanionWrite WritePrimary(const QString& number) {
  return Write([&](TSettingsValues& values, std::string&) {
    values.SetText(kPrimarySatCatNumber, number.toStdString());
    return true;
  });
}

TCompanionWrite WriteActiveList(int bank, const QStringList& numbers) {
  const QString valueName = ActiveListValueName(bank);
  return Write([&](TSettingsValues& values, std::string& refusal) {
    if (valueName.isEmpty()) {
      refusal = "is not a bank (1, 2 or 3)";
      return false;
    }
    values.SetText(valueName.toStdString(), JoinCommaList(numbers).toStdString());
    return true;
  });
}

}  // namespace nimbrel::catalogue
