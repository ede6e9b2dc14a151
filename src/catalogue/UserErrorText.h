#pragma once
// The command-line tools' error lines, worded for a person as the window words its messages: an
// exception says where it comes from ("TSatelliteList::LoadFromFile: ..."), a person reads what was
// wrong with which file.

#include <exception>
#include <string>

namespace nimbrel::catalogue {

// A Kepler file that cannot be read names the file and the reason; any other error is its own
// message without the internal name it begins with ("Class::Function: ", "Class: ").
std::string UserErrorText(const std::exception& error);

}  // namespace nimbrel::catalogue
