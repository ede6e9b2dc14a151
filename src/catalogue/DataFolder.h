#pragma once
// Where the Kepler files live: the companion's "TwoLineDataPath" when it names a folder, otherwise a
// folder of our own under the XDG data home. The current folder is no choice: started from the
// desktop menu, that is the home folder, and downloads would litter it.

#include <QString>

namespace nimbrel::catalogue {

// $XDG_DATA_HOME/NimbrelGL/kepler, or ~/.local/share/NimbrelGL/kepler when XDG_DATA_HOME is unset,
// empty or relative (a relative entry is invalid by the XDG rules). Never created here.
QString DefaultKeplerDataFolder();

// The companion's "TwoLineDataPath" when it is set, else DefaultKeplerDataFolder(). Read afresh on
// every call; nothing is created.
QString KeplerDataFolder();

// Where the transmitter list of the data folder `folder` is kept: in a subfolder, which the Kepler
// scan never reads ("<folder>/transmitters/transmitters.json").
QString TransmitterListPath(const QString& folder);

}  // namespace nimbrel::catalogue
