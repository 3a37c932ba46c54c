// The text file object used for everything orvtext writes (converted
// output, log, policy files) and for the readers of input and policy files.
// It writes to a named file, to standard output (console mode) or to an
// in-memory line list, and reads through a stack of open files so that
// included files are read in the middle of the file that includes them.
#pragma once

#include <cstdio>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// A complete output waiting in its temporary file (see
// ASCIIFile::SetHoldCompletedOutput) until it is put in place or dropped.
// Dropped when destroyed without Commit. Move-only.
class CompletedOutput {
 public:
  CompletedOutput() = default;
  CompletedOutput(std::string temporary, std::string target, int slot)
      : temporary_(std::move(temporary)), target_(std::move(target)), slot_(slot) {}
  CompletedOutput(CompletedOutput&& other) noexcept { *this = std::move(other); }
  CompletedOutput& operator=(CompletedOutput&& other) noexcept;
  ~CompletedOutput() { Discard(); }

  bool Empty() const { return temporary_.empty(); }
  // Renames the temporary file over the destination; false when that fails
  // (the temporary file is then removed).
  bool Commit();
  // Removes the temporary file; the destination keeps what it held.
  void Discard();

 private:
  std::string temporary_;
  std::string target_;
  int slot_ = -1;
};

class ASCIIFile {
 public:
  // At most this many files are used in a row by switching.
  static constexpr int kMaxSwitches = 9;
  // The longest line ReadLine hands back.
  static constexpr size_t kMaxLineLength = 64 * 1024;

  ASCIIFile();
  virtual ~ASCIIFile();
  ASCIIFile(const ASCIIFile&) = delete;
  ASCIIFile& operator=(const ASCIIFile&) = delete;

  // Lets the owner flush what it still holds, then closes every file of the
  // stack (flushing the console in console mode). Closing a file that is
  // not open does nothing. Returns false when any write, flush or close of
  // the output since it was opened failed (WriteError says why).
  virtual bool Close();
  // Opens `path` for writing ("wb" when binary, else "w") and pushes it; in
  // console mode only marks the file open. An existing file is replaced.
  // Returns false when the file cannot be created. See
  // SetReplaceWhenComplete for where the text goes until Close.
  virtual bool OpenWrite(const std::string& path, bool console = false, bool binary = false);
  // While on, a file opened by OpenWrite is written to a new temporary file
  // beside it (".NAME.orvtext-PID-N", in the folder of a symbolic link's
  // target, with the permissions of the file it replaces), and Close
  // renames the temporary file over it once everything was written: the
  // destination holds either what it held before or the complete new text,
  // never a part. When a write failed, or Discard is called, the temporary
  // file is removed instead and the destination keeps what it held. The
  // temporary file is listed for removal on a signal
  // (common/temporary_files.h). Off by default; takes effect at the next
  // OpenWrite.
  void SetReplaceWhenComplete(bool on) { replace_when_complete_ = on; }
  // While on, Close leaves a complete output in its temporary file instead
  // of renaming it, for TakeCompletedOutput to hand over: a batch on
  // several threads puts its outputs in place in batch order.
  void SetHoldCompletedOutput(bool on) { hold_completed_ = on; }
  CompletedOutput TakeCompletedOutput() { return std::move(completed_); }
  // Closes without the owner's flush, and without completing the output:
  // a temporary file is removed and the destination keeps what it held.
  void Discard();
  // Whether the last output opened with replacement was renamed into place
  // by Close (false until then, and after a failed write or Discard).
  bool Replaced() const { return replaced_; }
  // Opens `path` for reading and pushes it on the stack.
  virtual bool OpenRead(const std::string& path);
  // As OpenRead, but only a plain file is opened: a folder, pipe or device
  // is refused without blocking (settings, policy and included files).
  bool OpenReadRegular(const std::string& path);
  // Replaces the current (top) file by `path` opened for reading. The
  // current file is closed first; the switch fails once kMaxSwitches
  // switches were made, so at most ten files are used in a row. Only a
  // plain file is opened.
  virtual bool SwitchTo(const std::string& path);
  // Closes every file of the stack without the owner's flush.
  virtual void ClearStack();
  virtual void CloseTop();
  // Pushes an already open handle; the object owns and closes it.
  virtual void Push(std::FILE* handle, std::string name);
  // Recursion check: is a file of this name open on the stack already?
  virtual bool IsOnStack(std::string_view name) const;
  // Opens `path` for reading as a nested include: its lines come next, then
  // the rest of the including file. Refused when it is already on the stack,
  // under this or any other name, and when it is not a plain file.
  virtual bool OpenInclude(const std::string& path);
  // One physical line of the top file, without its line end ("\n" or
  // "\r\n"). False at the end of that file. A line longer than
  // kMaxLineLength is read to its end but comes back empty, with
  // LastLineTooLong() set, so an endless line cannot fill the memory.
  virtual bool ReadLine(std::string& line);
  // The next line: from the attached line list when there is one, else from
  // the top file; a finished include file is closed and reading goes on in
  // the file below it. False at the end of all input.
  virtual bool ReadNextLine(std::string& line);
  // Writes text as it is; ignored (false) when nothing is open or the stream
  // has failed.
  virtual bool WriteText(std::string_view text);
  // Writes one line: appended to the line list when attached, else the text
  // and a line end to standard output (console) or the top file.
  virtual bool WriteLine(std::string_view text);
  // Writes `block`, whole lines each ending in a line feed, as WriteLine
  // would write them one by one; to a file or the console in one write.
  virtual bool WriteLines(std::string_view block);
  virtual bool IsOpen() const;
  // The first write, flush or close of the output that failed since it was
  // opened: WriteFailed() is then true and WriteError() holds the system's
  // reason ("No space left on device").
  bool WriteFailed() const { return !write_error_.empty(); }
  const std::string& WriteError() const { return write_error_; }
  bool LastLineTooLong() const { return last_line_too_long_; }
  // The name of every file this object opened for reading, in order
  // (includes and switches too), so a caller can keep them from being
  // written over.
  const std::vector<std::string>& ReadNames() const { return read_names_; }

  // The three bytes EF BB BF, written before the first line when asked.
  bool WriteUtf8Marker();

  // While attached, written lines go to `lines` and lines are read from it.
  void AttachLineList(std::vector<std::string>* lines);
  void DetachLineList();
  // Called at the start of Close, so the owning output can flush.
  void SetFlushHook(std::function<void()> hook) { flush_hook_ = std::move(hook); }
  // Where console output goes (std::cout unless a test says otherwise).
  void SetConsoleStream(std::ostream* stream);

  bool IsConsole() const { return console_; }
  bool IsBinary() const { return binary_; }
  int SwitchCount() const { return switch_count_; }
  size_t Depth() const { return stack_.size(); }
  // The name of the file being read or written, or "" when none is open.
  std::string CurrentName() const;
  // The top file's handle, for readers that need raw bytes; null if none.
  std::FILE* TopHandle() const;
  long Position() const { return position_; }

 private:
  struct OpenFile {
    std::FILE* handle;
    std::string name;
    bool written = false;
  };

  bool OpenAndPush(const std::string& path, const char* mode);
  bool OpenRegularAndPush(const std::string& path);
  bool OpenReplacement(const std::string& path, bool binary);
  // Writes `text` (and a line end when asked) to the console stream; a
  // failure is recorded.
  bool WriteToConsole(std::string_view text, bool line_end);
  // Records the first failure, with the reason `error_number` gives.
  void NoteWriteError(int error_number);
  // Closes the top file; false when it was written and its close failed.
  bool CloseTopChecked();
  // Closes `handle`; false when it was `written` and a write or the close
  // failed (recorded). When it is the replacement's, renames the temporary
  // file into place if `complete` and everything was written, else removes
  // it; a failed rename counts as a failed write.
  bool CloseHandle(std::FILE* handle, bool written, bool complete);

  bool console_ = false;
  bool binary_ = false;
  bool open_ = false;
  long position_ = 0;
  std::vector<OpenFile> stack_;
  int switch_count_ = 0;
  std::vector<std::string>* lines_ = nullptr;
  size_t next_list_line_ = 0;
  std::function<void()> flush_hook_;
  std::ostream* console_stream_;
  std::string write_error_;
  std::vector<std::string> read_names_;
  bool last_line_too_long_ = false;
  char* read_buffer_ = nullptr;
  size_t read_capacity_ = 0;
  // The output being written to a temporary file: its handle, the
  // destination, the temporary file and its slot in the signal list.
  bool replace_when_complete_ = false;
  bool hold_completed_ = false;
  CompletedOutput completed_;
  bool replaced_ = false;
  std::FILE* replacement_handle_ = nullptr;
  std::string replacement_target_;
  std::string replacement_temporary_;
  int replacement_slot_ = -1;
};

// The message for an output that could not be written: "ERROR: Error
// writing to file \"path\": " and the system's reason.
std::string WriteErrorMessage(std::string_view path, std::string_view reason);

}  // namespace orv
