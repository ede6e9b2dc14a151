#include "app/ListHint.h"

namespace nimbrel::app {

QString ListHintText(const TListHintState& state) {
  if (!state.query.isEmpty()) {
    if (state.shownLines > 0) return {};
    if (state.all || state.catalogueMatches == 0)
      return QStringLiteral("No satellite matches \"%1\".").arg(state.query);
    const QString found = state.catalogueMatches == 1
                              ? QStringLiteral("1 satellite matches")
                              : QStringLiteral("%1 satellites match").arg(state.catalogueMatches);
    return QStringLiteral("None in bank %1; %2 in the whole catalogue. Tick \"All satellites\" to see them.")
        .arg(state.bank)
        .arg(found);
  }
  if (!state.all && state.bankCount == 0) {
    return QStringLiteral("No satellites in bank %1. Right-click a satellite in 'All satellites' to add it.")
        .arg(state.bank);
  }
  return {};
}

}  // namespace nimbrel::app
