// Helpers shared by the policy tests: a temporary folder, file writing, and
// a Context whose messages are captured in a string.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "policy/policy_set.h"
#include "run/context.h"

namespace orv::testing {

// A fresh folder under the system's temporary folder, removed afterwards.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvpolXXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) != nullptr ? pattern + "/" : std::string();
  }
  ~TempFolder() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  // The folder, ending in "/".
  const std::string& Path() const { return path_; }
  std::string Write(const std::string& name, const std::string& content) const {
    std::string path = path_ + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
  }

 private:
  std::string path_;
};

// A Context with its messages captured, and a set attached to it.
struct CapturedSet {
  Context context;
  std::ostringstream out;
  std::ostringstream err;
  PolicySet set;

  CapturedSet() {
    context.Sink().SetStreams(&out, &err);
    set.AttachContext(&context);
  }
  // How often `text` occurs in the levelled messages.
  int Count(const std::string& text) const {
    int count = 0;
    const std::string all = err.str();
    for (size_t at = all.find(text); at != std::string::npos; at = all.find(text, at + 1)) ++count;
    return count;
  }
  bool Saw(const std::string& text) const { return Count(text) > 0; }
  int Load(const std::string& line, bool check_repeats = true) {
    int category = 0;
    return set.LoadPolicyLine(line, category, check_repeats);
  }
};

}  // namespace orv::testing
