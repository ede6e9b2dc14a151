#include "catalogue/KeplerContent.h"

#include "OmmReaders.h"

namespace nimbrel::catalogue {

const char* KeplerFileExtension(std::string_view text) {
  switch (DetectCatalogueFormat(text)) {
    case TCatalogueFormat::cfOmmCsv:
      return ".csv";
    case TCatalogueFormat::cfOmmXml:
      return ".xml";
    case TCatalogueFormat::cfOmmJson:
      return ".json";
    case TCatalogueFormat::cfTwoLine:
      break;
  }
  return ".tle";
}

}  // namespace nimbrel::catalogue
