// A temporary folder for tests that work on real files; removed with
// everything in it when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace orv {

class TempDir {
 public:
  TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvtext-test-XXXXXX").string();
    char* made = ::mkdtemp(pattern.data());
    root_ = made != nullptr ? std::filesystem::path(made) : std::filesystem::path(pattern);
  }
  ~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(root_, ignored);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  // The path of `name` inside the folder; "" gives the folder with a final "/".
  std::string Path(const std::string& name) const { return root_.string() + "/" + name; }

  // Writes `content` to `name` (creating sub-folders) and returns its path.
  std::string MakeFile(const std::string& name, const std::string& content) const {
    std::filesystem::path path = root_ / name;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << content;
    return path.string();
  }

  const std::filesystem::path& Root() const { return root_; }

 private:
  std::filesystem::path root_;
};

}  // namespace orv
