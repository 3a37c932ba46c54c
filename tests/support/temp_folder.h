// A real temporary folder for tests, removed with everything in it when the
// object goes. Helpers create files and folders below it.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace orv::testing {

class TempFolder {
 public:
  TempFolder() {
    std::random_device seed;
    std::filesystem::path base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::filesystem::path candidate = base / ("orvtext-test-" + std::to_string(seed()));
      if (std::filesystem::create_directory(candidate)) {
        path_ = candidate.string() + "/";
        return;
      }
    }
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // The folder's full path, ending in "/".
  const std::string& Path() const { return path_; }

  // Writes `content` to `relative` (folders created as needed); returns the
  // full path.
  std::string Write(std::string_view relative, std::string_view content) const {
    std::filesystem::path full = std::filesystem::path(path_) / relative;
    std::filesystem::create_directories(full.parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full.string();
  }
  std::string MakeFolder(std::string_view relative) const {
    std::filesystem::create_directories(std::filesystem::path(path_) / relative);
    return path_ + std::string(relative) + "/";
  }

 private:
  std::string path_;
};

// The whole content of the file at `path` ("" when it cannot be read).
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace orv::testing
