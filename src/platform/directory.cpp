// POSIX implementation of directory listing, file identity and folder
// creation.
#include "platform/directory.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace orv {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { closedir(dir); }
};

}  // namespace

std::vector<DirEntry> ListDirectory(std::string_view directory) {
  std::vector<DirEntry> entries;
  std::string dir(directory);
  if (dir.empty()) dir = "./";
  if (dir.back() != '/') dir += '/';
  std::unique_ptr<DIR, DirCloser> handle(opendir(dir.c_str()));
  if (!handle) return entries;
  while (dirent* item = readdir(handle.get())) {
    DirEntry entry;
    entry.name = item->d_name;
    struct stat info;
    if (stat((dir + entry.name).c_str(), &info) == 0) {
      entry.is_directory = S_ISDIR(info.st_mode);
      entry.size = static_cast<std::uint64_t>(info.st_size);
    } else {
      // A dangling link or an entry that vanished.
      entry.is_directory = false;
      entry.size = 0;
      entry.missing = true;
    }
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::vector<DirEntry> ListDirectoryStart(std::string_view directory, size_t limit) {
  std::vector<DirEntry> entries;
  std::string dir(directory);
  if (dir.empty()) dir = "./";
  std::unique_ptr<DIR, DirCloser> handle(opendir(dir.c_str()));
  if (!handle) return entries;
  while (entries.size() < limit) {
    dirent* item = readdir(handle.get());
    if (item == nullptr) break;
    DirEntry entry;
    entry.name = item->d_name;
    entries.push_back(std::move(entry));
  }
  return entries;
}

std::optional<DirEntry> StatEntry(std::string_view path) {
  struct stat info;
  if (stat(std::string(path).c_str(), &info) != 0) return std::nullopt;
  DirEntry entry;
  const size_t slash = path.rfind('/');
  entry.name = std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
  entry.is_directory = S_ISDIR(info.st_mode);
  entry.size = static_cast<std::uint64_t>(info.st_size);
  return entry;
}

std::optional<FileId> IdentifyFile(std::string_view path) {
  struct stat info;
  if (stat(std::string(path).c_str(), &info) != 0) return std::nullopt;
  return FileId{static_cast<std::uint64_t>(info.st_dev), static_cast<std::uint64_t>(info.st_ino)};
}

bool PathExists(std::string_view path) {
  struct stat info;
  return stat(std::string(path).c_str(), &info) == 0;
}

bool IsDirectory(std::string_view path) {
  struct stat info;
  return stat(std::string(path).c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(std::string_view path) {
  struct stat info;
  return stat(std::string(path).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool CanOpenForReading(std::string_view path) {
  int fd = open(std::string(path).c_str(), O_RDONLY | O_NONBLOCK);
  if (fd < 0) return false;
  close(fd);
  return true;
}

bool SameFile(std::string_view a, std::string_view b) {
  std::optional<FileId> x = IdentifyFile(a);
  std::optional<FileId> y = IdentifyFile(b);
  return x && y && *x == *y;
}

MakeDirResult MakeDirectory(std::string_view path) {
  if (mkdir(std::string(path).c_str(), 0777) == 0) return MakeDirResult::kCreated;
  switch (errno) {
    case EEXIST: return MakeDirResult::kExists;
    case ENOENT: return MakeDirResult::kMissingParent;
    default: return MakeDirResult::kFailed;
  }
}

}  // namespace orv
