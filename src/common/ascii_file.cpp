// Writing and reading text files through a stack of open files.
#include "common/ascii_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iostream>

namespace orv {

ASCIIFile::ASCIIFile() : console_stream_(&std::cout) {}

ASCIIFile::~ASCIIFile() {
  flush_hook_ = nullptr;  // the owner may already be gone
  ClearStack();
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

bool ASCIIFile::OpenWrite(const std::string& path, bool console, bool binary) {
  console_ = console;
  binary_ = binary;
  position_ = 0;
  write_error_.clear();
  if (console) {
    open_ = true;
    return true;
  }
  if (!OpenAndPush(path, binary ? "wb" : "w")) {
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

bool ASCIIFile::CloseTopChecked() {
  if (stack_.empty()) return true;
  const OpenFile top = stack_.back();
  stack_.pop_back();
  open_ = !stack_.empty();
  errno = 0;
  // A written file's buffer goes out at the close: its failures count.
  const bool failed = top.written && std::ferror(top.handle) != 0;
  const bool closed = std::fclose(top.handle) == 0;
  if (!top.written) return true;
  if (failed || !closed) NoteWriteError(errno);
  return !failed && closed;
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

bool ASCIIFile::WriteText(std::string_view text) {
  if (lines_ != nullptr) {
    if (lines_->empty()) lines_->emplace_back();
    lines_->back().append(text);
    return true;
  }
  if (!open_) return false;
  if (console_) {
    errno = 0;
    console_stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
    if (!*console_stream_) NoteWriteError(errno);
    return static_cast<bool>(*console_stream_);
  }
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
  if (console_) {
    errno = 0;
    console_stream_->write(text.data(), static_cast<std::streamsize>(text.size()));
    *console_stream_ << '\n';
    if (!*console_stream_) NoteWriteError(errno);
    return static_cast<bool>(*console_stream_);
  }
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
