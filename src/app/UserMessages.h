#pragma once
// What the window tells the user when a file will not load: the file and the problem in plain words,
// never the place in the code that found it (that stays in the exception, for tests and reports).

#include <QString>
#include <exception>

namespace nimbrel::app {

// "Could not read the image FILE: the JPEG data ends too early." A file that cannot be opened keeps the
// picture loader's own "Could not open file: FILE".
QString ImageErrorText(const QString& path, const std::exception& error);

// "Could not read the Kepler file FILE: REASON."
QString KeplerFileErrorText(const QString& path, const std::exception& error);

}  // namespace nimbrel::app
