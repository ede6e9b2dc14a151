#pragma once
// The line under the satellite list that says why it shows so little, and what to do about it: a
// bank without satellites (the normal start without the companion program), or a search whose
// satellites are in the catalogue but not in the bank.

#include <QString>

namespace nimbrel::app {

struct TListHintState {
  // "All satellites" is checked: the list is the whole catalogue.
  bool all = false;
  // The bank shown, numbered from 1, and how many satellites its list names.
  int bank = 1;
  int bankCount = 0;
  // The search field's text, trimmed; empty when nothing is searched.
  QString query;
  // Lines of the list the search leaves in view.
  int shownLines = 0;
  // Satellites of the whole catalogue that the search finds.
  int catalogueMatches = 0;
};

// Empty when the list needs no explaining.
QString ListHintText(const TListHintState& state);

}  // namespace nimbrel::app
