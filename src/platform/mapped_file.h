// A regular file's bytes mapped for reading, for one look over a large
// input without copying it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace orv {

class MappedFile {
 public:
  MappedFile() = default;
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  ~MappedFile() { Close(); }

  // Maps `path` when it is a regular file of at least `smallest` bytes (and
  // more than none); false otherwise, or when the system declines, and
  // then the caller reads the file as usual.
  bool Open(const std::string& path, size_t smallest);
  void Close();
  std::string_view View() const { return {data_, size_}; }

 private:
  const char* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace orv
