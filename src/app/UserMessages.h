#pragma once
// What the window tells the user when a file will not load: the file and the problem in plain words,
// never the place in the code that found it (that stays in the exception, for tests and reports).

#include <QString>
#include <exception>
#include <stdexcept>

namespace nimbrel::app {

// An error already worded for the user: a handler's message box shows what() as it stands.
class EUserMessage : public std::runtime_error {
 public:
  explicit EUserMessage(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// What a message box says for an exception that reached an event handler: the text of an
// EUserMessage; for anything else (a fault inside the program, whose text names the code) a plain
// sentence, while the details go to standard error for a report.
QString HandlerErrorText(const std::exception& error);
// The same for a frame of the 3D view that failed with `text`.
QString FrameErrorText(const QString& text);

// "Could not read the image FILE: the JPEG data ends too early." A file that cannot be opened keeps the
// picture loader's own "Could not open file: FILE".
QString ImageErrorText(const QString& path, const std::exception& error);

// "Could not read the Kepler file FILE: REASON."
QString KeplerFileErrorText(const QString& path, const std::exception& error);

}  // namespace nimbrel::app
