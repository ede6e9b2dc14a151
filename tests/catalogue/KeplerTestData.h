#pragma once
// Element lines and scratch folders for the catalogue's tests.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>

namespace nimbrel::catalogue::testing {

// The ISS set of 2006 January 3, with the catalogue number and epoch put in as asked.
struct TElementLines {
  std::string line1 = "1 25544U 98067A   06003.83068838  .00019047  00000-0  13602-3 0   844";
  std::string line2 = "2 25544 051.6458 312.4823 0010909 112.4787 338.3202 15.73745284407269";
};

inline TElementLines MakeLines(std::string_view number = "25544", std::string_view epoch = "06003.83068838") {
  TElementLines lines;
  lines.line1.replace(2, 5, number);
  lines.line2.replace(2, 5, number);
  lines.line1.replace(18, 14, epoch);
  return lines;
}

// A name line and its two element lines, each ended by "\n".
inline std::string Record(std::string_view name, std::string_view number = "25544",
                          std::string_view epoch = "06003.83068838") {
  const TElementLines lines = MakeLines(number, epoch);
  return std::string(name) + "\n" + lines.line1 + "\n" + lines.line2 + "\n";
}

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TScratchFolder {
 public:
  TScratchFolder() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    const std::string stem = std::string("nimbrel-catalogue-") + (test ? test->name() : "test") + "-";
    for (int i = 0;; ++i) {
      path_ = std::filesystem::temp_directory_path() / (stem + std::to_string(i));
      std::error_code error;
      if (std::filesystem::create_directory(path_, error)) break;
      if (error || i > 1000)
        throw std::runtime_error("cannot create a scratch folder under " + path_.string());
    }
  }
  TScratchFolder(const TScratchFolder&) = delete;
  TScratchFolder& operator=(const TScratchFolder&) = delete;
  ~TScratchFolder() {
    std::error_code error;
    // Files a test made unreadable must be removable again.
    for (const auto& entry : std::filesystem::recursive_directory_iterator(path_, error)) {
      std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                   std::filesystem::perm_options::add, error);
    }
    std::filesystem::remove_all(path_, error);
  }

  const std::filesystem::path& Path() const noexcept { return path_; }
  // The folder as text ending in "/", as the catalogue is given it.
  std::string Folder() const { return path_.string() + "/"; }

  std::filesystem::path Write(const std::string& name, std::string_view content) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream out(file, std::ios::binary);
    out.write(content.data(), static_cast<std::streamsize>(content.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
    return file;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace nimbrel::catalogue::testing
