#include "OmmText.h"

#include <QByteArray>

namespace nimbrel::catalogue {

std::optional<TOmmField> OmmFieldNamed(QStringView name) noexcept {
  // The longest field name, MEAN_ELEMENT_THEORY, has 19 characters.
  char ascii[20];
  if (name.size() > static_cast<qsizetype>(sizeof ascii)) return std::nullopt;
  std::size_t length = 0;
  for (const QChar c : name) {
    if (c.unicode() >= 0x80) return std::nullopt;
    ascii[length++] = static_cast<char>(c.unicode());
  }
  return OmmFieldNamed(std::string_view(ascii, length));
}

void AssignUtf8(std::string& out, QStringView text) {
  out.clear();
  for (const QChar c : text) {
    if (c.unicode() >= 0x80) {
      const QByteArray utf8 = text.toUtf8();
      out.assign(utf8.constData(), static_cast<std::size_t>(utf8.size()));
      return;
    }
    out.push_back(static_cast<char>(c.unicode()));
  }
}

}  // namespace nimbrel::catalogue
