#include "catalogue/CommaList.h"

namespace nimbrel::catalogue {

namespace {

constexpr char16_t kQuote = u'"';
constexpr char16_t kComma = u',';

bool IsSeparatorSpace(char16_t c) noexcept {
  return c >= 1 && c <= 32;
}

}  // namespace

QStringList SplitCommaList(QStringView text) {
  // Everything after a NUL is not part of the text; without this cut an embedded NUL would never
  // be consumed and the reader would append empty items forever.
  if (const qsizetype nul = text.indexOf(QChar(u'\0')); nul >= 0) text = text.left(nul);
  QStringList items;
  qsizetype i = 0;
  const qsizetype n = text.size();
  while (i < n && IsSeparatorSpace(text[i].unicode())) ++i;
  while (i < n) {  // every pass consumes at least one character or ends the text
    QString item;
    if (text[i].unicode() == kQuote) {
      ++i;
      while (i < n) {
        if (text[i].unicode() == kQuote) {
          if (i + 1 < n && text[i + 1].unicode() == kQuote) {
            item += QChar(kQuote);
            i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      const qsizetype start = i;
      while (i < n && text[i].unicode() != kComma && text[i].unicode() > 32) ++i;
      item = text.mid(start, i - start).toString();
    }
    items.append(item);
    while (i < n && IsSeparatorSpace(text[i].unicode())) ++i;
    if (i < n && text[i].unicode() == kComma) {
      ++i;
      while (i < n && IsSeparatorSpace(text[i].unicode())) ++i;
    }
  }
  return items;
}

QString JoinCommaList(const QStringList& items) {
  QString out;
  for (qsizetype k = 0; k < items.size(); ++k) {
    const QString& item = items[k];
    if (k > 0) out += QChar(kComma);
    bool needsQuotes = item.isEmpty();
    for (const QChar c : item) {
      if (c.unicode() <= 32 || c.unicode() == kComma || c.unicode() == kQuote) needsQuotes = true;
    }
    if (!needsQuotes) {
      out += item;
      continue;
    }
    out += QChar(kQuote);
    for (const QChar c : item) {
      if (c.unicode() == kQuote) out += QChar(kQuote);
      out += c;
    }
    out += QChar(kQuote);
  }
  return out;
}

}  // namespace nimbrel::catalogue
