// File-system queries and changes that the batch, the directory check and
// the output names need: listing a directory, telling files apart, and
// creating folders. Thin wrappers over POSIX, kept small so callers can be
// handed a stand-in (see DirectoryLister).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// One entry of a directory listing. `is_directory` follows symbolic links,
// so a link to a folder counts as a folder.
struct DirEntry {
  std::string name;
  bool is_directory = false;
  std::uint64_t size = 0;
  // The entry could not be looked at (a dangling link, or it vanished).
  bool missing = false;
};

// Lists every entry of `directory` ("." and ".." included), in the order
// the system gives them. A directory that does not exist or cannot be read
// lists nothing. One system call per entry.
std::vector<DirEntry> ListDirectory(std::string_view directory);

// The first `limit` entries of `directory` by name only (no stat): enough
// to tell an empty or unreadable folder from one that holds files, at a
// cost that does not grow with the folder.
std::vector<DirEntry> ListDirectoryStart(std::string_view directory, size_t limit);

// The entry `path` names, as a listing of its folder would give it (one
// stat); none when nothing of that name exists.
std::optional<DirEntry> StatEntry(std::string_view path);

// The listing operation as a value, so a check can be run on a made-up
// listing in tests.
using DirectoryLister = std::function<std::vector<DirEntry>(std::string_view directory)>;

// Identity of a file-system object (device and inode), used to notice a
// folder that is reached a second time through a link.
struct FileId {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  bool operator==(const FileId&) const = default;
  bool operator<(const FileId& other) const {
    return device != other.device ? device < other.device : inode < other.inode;
  }
};
std::optional<FileId> IdentifyFile(std::string_view path);

// True when `path` names an existing file or directory.
bool PathExists(std::string_view path);
bool IsDirectory(std::string_view path);
// True when `path` names a plain file (not a folder, pipe or device), so
// reading it cannot block.
bool IsRegularFile(std::string_view path);
// True when the file at `path` can be opened for reading.
bool CanOpenForReading(std::string_view path);
// True when both paths exist and name the same file (same device and inode).
bool SameFile(std::string_view a, std::string_view b);

enum class MakeDirResult {
  kCreated,
  kExists,         // already there (a folder, or something else of that name)
  kMissingParent,  // a folder above it does not exist
  kFailed,         // any other refusal
};
// Creates one folder (mode 0777 before the umask).
MakeDirResult MakeDirectory(std::string_view path);

}  // namespace orv
