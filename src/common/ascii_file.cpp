// Writing and reading text files through a stack of open files.
#include "common/ascii_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <iostream>

#include "common/temporary_files.h"

namespace orv {

ASCIIFile::ASCIIFile() : console_stream_(&std::cout) {}

ASCIIFile::~ASCIIFile() {
  // The owner may already be gone, and an output never closed is not
  // complete: a temporary file is removed, not renamed into place.
  Discard();
  std::free(read_buffer_);
}

void ASCIIFile::NoteWriteError(int error_number) {
  if (!write_error_.empty()) return;
  write_error_ = error_number != 0 ? std::strerror(error_number) : "write failed";
}

std::string WriteErrorMessage(std::string_view path, std::string_view reason) {
  return "ERROR: Error writing to file \"" + std::string(path) + "\": " + std::string(reason);
}

bool ASCIIFile::Close() {
  if (!open_ && stack_.empty()) return true;
  if (flush_hook_) flush_hook_();
  if (console_ && lines_ == nullptr) {
    errno = 0;
    // Standard output is flushed too: a full disk or a closed pipe shows
    // only when its buffer goes out.
    if (!console_stream_->flush() ||
        (console_stream_ == &std::cout && (std::fflush(stdout) != 0 || std::ferror(stdout))))
      NoteWriteError(errno);
  }
  while (!stack_.empty()) CloseTopChecked();
  open_ = false;
  console_ = false;
  return write_error_.empty();
}

bool ASCIIFile::OpenAndPush(const std::string& path, const char* mode) {
  std::FILE* handle = std::fopen(path.c_str(), mode);
  if (handle == nullptr) return false;
  Push(handle, path);
  if (mode[0] == 'r') read_names_.push_back(path);
  return true;
}

bool ASCIIFile::OpenRegularAndPush(const std::string& path) {
  // Opened without waiting, so a pipe with no writer cannot block; the
  // type is read from the opened file, so it cannot change in between.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat info;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    return false;
  }
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  std::FILE* handle = ::fdopen(fd, "r");
  if (handle == nullptr) {
    ::close(fd);
    return false;
  }
  Push(handle, path);
  read_names_.push_back(path);
  return true;
}

namespace {

// Numbers the temporary files of this process, so names never repeat.
std::atomic<unsigned long> g_temporary_number{0};

// The file the text finally goes to: a symbolic link's target (so the link
// stays a link), else `path` itself.
std::string ReplacementTarget(const std::string& path) {
  struct stat link;
  if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) return path;
  char* resolved = realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return path;  // a dangling link is replaced
  std::string target(resolved);
  std::free(resolved);
  return target;
}

}  // namespace

bool ASCIIFile::OpenReplacement(const std::string& path, bool binary) {
  const std::string target = ReplacementTarget(path);
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
  // A file that is replaced keeps its permissions; a new one gets the
  // usual ones for a created file (the umask applies).
  struct stat existing;
  const bool exists = stat(target.c_str(), &existing) == 0 && S_ISREG(existing.st_mode);
  const mode_t mode = exists ? (existing.st_mode & 07777) : 0666;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temporary = folder + "." + name + ".orvtext-" + std::to_string(getpid()) +
                                  "-" + std::to_string(g_temporary_number++);
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd < 0) {
      if (errno == EEXIST) continue;
      return false;
    }
    if (exists) fchmod(fd, mode);  // the umask may have taken bits away
    std::FILE* handle = fdopen(fd, binary ? "wb" : "w");
    if (handle == nullptr) {
      close(fd);
      unlink(temporary.c_str());
      return false;
    }
    replacement_slot_ = ListTemporaryFile(temporary);
    replacement_handle_ = handle;
    replacement_target_ = target;
    replacement_temporary_ = temporary;
    Push(handle, path);
    return true;
  }
  return false;
}

bool ASCIIFile::CloseHandle(std::FILE* handle, bool written, bool complete) {
  if (handle == nullptr) return true;
  errno = 0;
  // A written file's buffer goes out at the close: its failures count.
  const bool failed = written && std::ferror(handle) != 0;
  const bool closed = std::fclose(handle) == 0;
  bool ok = !written || (!failed && closed);
  if (!ok) NoteWriteError(errno);
  if (handle != replacement_handle_) return ok;

  CompletedOutput output(std::move(replacement_temporary_), std::move(replacement_target_),
                         replacement_slot_);
  replaced_ = false;
  // Only an output whose every write succeeded takes the destination's
  // place; any other is removed with `output`.
  if (complete && ok && write_error_.empty()) {
    if (hold_completed_) {
      completed_ = std::move(output);
    } else {
      errno = 0;
      replaced_ = output.Commit();
      if (!replaced_) {
        NoteWriteError(errno);
        ok = false;
      }
    }
  }
  replacement_slot_ = -1;
  replacement_handle_ = nullptr;
  replacement_target_.clear();
  replacement_temporary_.clear();
  return ok;
}

CompletedOutput& CompletedOutput::operator=(CompletedOutput&& other) noexcept {
  if (this != &other) {
    Discard();
    temporary_ = std::move(other.temporary_);
    target_ = std::move(other.target_);
    slot_ = other.slot_;
    other.temporary_.clear();
    other.target_.clear();
    other.slot_ = -1;
  }
  return *this;
}

bool CompletedOutput::Commit() {
  if (temporary_.empty()) return false;
  const bool renamed = std::rename(temporary_.c_str(), target_.c_str()) == 0;
  if (!renamed) unlink(temporary_.c_str());
  UnlistTemporaryFile(slot_);
  temporary_.clear();
  target_.clear();
  slot_ = -1;
  return renamed;
}

void CompletedOutput::Discard() {
  if (temporary_.empty()) return;
  unlink(temporary_.c_str());
  UnlistTemporaryFile(slot_);
  temporary_.clear();
  target_.clear();
  slot_ = -1;
}

bool ASCIIFile::OpenWrite(const std::string& path, bool console, bool binary) {
  console_ = console;
  binary_ = binary;
  position_ = 0;
  write_error_.clear();
  if (console) {
    open_ = true;
    return true;
  }
  replaced_ = false;
  const bool opened =
      replace_when_complete_ ? OpenReplacement(path, binary) : OpenAndPush(path, binary ? "wb" : "w");
  if (!opened) {
    open_ = !stack_.empty();
    return false;
  }
  stack_.back().written = true;
  return true;
}

bool ASCIIFile::OpenRead(const std::string& path) {
  console_ = false;
  return OpenAndPush(path, "r");
}

bool ASCIIFile::OpenReadRegular(const std::string& path) {
  console_ = false;
  return OpenRegularAndPush(path);
}

bool ASCIIFile::SwitchTo(const std::string& path) {
  CloseTop();
  if (switch_count_ >= kMaxSwitches) return false;
  ++switch_count_;
  return OpenRegularAndPush(path);
}

void ASCIIFile::ClearStack() {
  while (!stack_.empty()) CloseTopChecked();
  open_ = false;
  console_ = false;
}

void ASCIIFile::Discard() {
  flush_hook_ = nullptr;
  while (!stack_.empty()) {
    const OpenFile top = stack_.back();
    stack_.pop_back();
    CloseHandle(top.handle, /*written=*/false, /*complete=*/false);
  }
  open_ = false;
  console_ = false;
}

bool ASCIIFile::CloseTopChecked() {
  if (stack_.empty()) return true;
  const OpenFile top = stack_.back();
  stack_.pop_back();
  open_ = !stack_.empty();
  return CloseHandle(top.handle, top.written, /*complete=*/true);
}

void ASCIIFile::CloseTop() { CloseTopChecked(); }

void ASCIIFile::Push(std::FILE* handle, std::string name) {
  if (handle == nullptr) return;
  stack_.push_back(OpenFile{handle, std::move(name)});
  open_ = true;
}

bool ASCIIFile::IsOnStack(std::string_view name) const {
  for (const OpenFile& file : stack_)
    if (file.name == name) return true;
  return false;
}

bool ASCIIFile::OpenInclude(const std::string& path) {
  if (IsOnStack(path)) return false;
  if (!OpenRegularAndPush(path)) return false;
  // The same file under another name ("./a.pol", a link) is a recursion
  // too: compare the identity of the open files, not only their names.
  std::FILE* handle = stack_.back().handle;
  struct stat opened;
  if (::fstat(::fileno(handle), &opened) == 0) {
    for (size_t i = 0; i + 1 < stack_.size(); ++i) {
      struct stat existing;
      if (::fstat(::fileno(stack_[i].handle), &existing) == 0 &&
          existing.st_dev == opened.st_dev && existing.st_ino == opened.st_ino) {
        CloseTop();
        return false;
      }
    }
  }
  return true;
}

bool ASCIIFile::ReadLine(std::string& line) {
  line.clear();
  last_line_too_long_ = false;
  if (stack_.empty()) return false;
  std::FILE* handle = stack_.back().handle;
  // Read byte by byte (these are small files), so a line never holds more
  // than the limit however long it runs in the file.
  size_t taken = 0;
  int c;
  while ((c = std::getc(handle)) != EOF) {
    ++taken;
    if (c == '\n') break;
    if (last_line_too_long_) continue;
    if (line.size() == kMaxLineLength) {
      last_line_too_long_ = true;
      std::string().swap(line);
      continue;
    }
    line.push_back(static_cast<char>(c));
  }
  if (taken == 0) return false;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  position_ += static_cast<long>(taken);
  return true;
}

bool ASCIIFile::ReadNextLine(std::string& line) {
  if (lines_ != nullptr) {
    if (next_list_line_ >= lines_->size()) {
      line.clear();
      return false;
    }
    line = (*lines_)[next_list_line_++];
    return true;
  }
  while (!stack_.empty()) {
    if (ReadLine(line)) return true;
    if (stack_.size() == 1) return false;  // the bottom file stays open until Close
    CloseTop();
  }
  line.clear();
  return false;
}

bool ASCIIFile::WriteToConsole(std::string_view text, bool line_end) {
  errno = 0;
  console_stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
  if (line_end) *console_stream_ << '\n';
  if (!*console_stream_) NoteWriteError(errno);
  return static_cast<bool>(*console_stream_);
}

bool ASCIIFile::WriteText(std::string_view text) {
  if (lines_ != nullptr) {
    if (lines_->empty()) lines_->emplace_back();
    lines_->back().append(text);
    return true;
  }
  if (!open_) return false;
  if (console_) return WriteToConsole(text, /*line_end=*/false);
  if (stack_.empty()) return false;
  std::FILE* handle = stack_.back().handle;
  if (std::ferror(handle)) return false;
  if (text.empty()) return true;  // an empty view may have no data pointer
  errno = 0;
  size_t written = std::fwrite(text.data(), 1, text.size(), handle);
  position_ += static_cast<long>(written);
  if (written != text.size()) NoteWriteError(errno);
  return written == text.size();
}

bool ASCIIFile::WriteLine(std::string_view text) {
  if (lines_ != nullptr) {
    lines_->emplace_back(text);
    return true;
  }
  if (!open_) return false;
  if (console_) return WriteToConsole(text, /*line_end=*/true);
  bool ok = WriteText(text);
  return WriteText("\n") && ok;
}

bool ASCIIFile::WriteLines(std::string_view block) {
  if (lines_ != nullptr) {
    for (size_t start = 0; start < block.size();) {
      size_t feed = block.find('\n', start);
      if (feed == std::string_view::npos) feed = block.size();
      lines_->emplace_back(block.substr(start, feed - start));
      start = feed + 1;
    }
    return true;
  }
  return WriteText(block);
}

bool ASCIIFile::IsOpen() const { return open_; }

bool ASCIIFile::WriteUtf8Marker() {
  if (lines_ != nullptr) return false;  // a line list holds text, not file bytes
  return WriteText("\xEF\xBB\xBF");
}

void ASCIIFile::AttachLineList(std::vector<std::string>* lines) {
  lines_ = lines;
  next_list_line_ = 0;
}

void ASCIIFile::DetachLineList() {
  lines_ = nullptr;
  next_list_line_ = 0;
}

void ASCIIFile::SetConsoleStream(std::ostream* stream) {
  console_stream_ = stream != nullptr ? stream : &std::cout;
}

std::string ASCIIFile::CurrentName() const { return stack_.empty() ? std::string() : stack_.back().name; }

std::FILE* ASCIIFile::TopHandle() const { return stack_.empty() ? nullptr : stack_.back().handle; }

}  // namespace orv
