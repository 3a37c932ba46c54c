#include "platform/mapped_file.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orv {

namespace {
#if defined(MAP_POPULATE)
constexpr int kMapAtOnce = MAP_POPULATE;
#else
constexpr int kMapAtOnce = 0;
#endif
}  // namespace

bool MappedFile::Open(const std::string& path, size_t smallest) {
  Close();
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat status {};
  void* data = MAP_FAILED;
  if (::fstat(fd, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0 &&
      static_cast<unsigned long long>(status.st_size) >= smallest &&
      static_cast<unsigned long long>(status.st_size) <= SIZE_MAX) {
    // The look goes over every byte: the pages are mapped in one go rather
    // than in a page fault for every few of them.
    data = ::mmap(nullptr, static_cast<size_t>(status.st_size), PROT_READ,
                  MAP_PRIVATE | kMapAtOnce, fd, 0);
  }
  ::close(fd);
  if (data == MAP_FAILED) return false;
  ::madvise(data, static_cast<size_t>(status.st_size), MADV_SEQUENTIAL);
  data_ = static_cast<const char*>(data);
  size_ = static_cast<size_t>(status.st_size);
  return true;
}

void MappedFile::Close() {
  if (data_ != nullptr) ::munmap(const_cast<char*>(data_), size_);
  data_ = nullptr;
  size_ = 0;
}

}  // namespace orv
