#pragma once
// The comma list in which the companion program stores its lists as one text: items separated by
// commas or by any run of spaces and control characters, an item that holds a space, comma or double
// quote written in double quotes with inner quotes doubled, and two commas in a row giving an empty
// item. The same rules serve for the list of locations and for the fields of each location.

#include <QString>
#include <QStringList>
#include <QStringView>

namespace nimbrel::catalogue {

// Never fails; a text without a closing quote ends its last item at the end of the text. The text
// also ends at a NUL character, as it always has for the programs that write these lists.
QStringList SplitCommaList(QStringView text);
// The inverse for items without NUL characters: SplitCommaList(JoinCommaList(items)) == items.
// Empty items and items with spaces, control characters, commas or quotes are quoted.
QString JoinCommaList(const QStringList& items);

}  // namespace nimbrel::catalogue
