// The one message reporter of a run. Messages are told apart by the kind
// prefix at the head of their text ("INFO:", "WARNING:", "ERROR:", ...) and
// carry a level from 1 to 10; the sink filters them by both, shows what
// passes on a callback or a standard stream, and copies it to the log file.
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

namespace orv {

class ASCIIFile;

// The seven reporting settings that follow the policies of the set that
// reports ("Error reporting level", "Display messages", the five
// "Suppress ... messages" policies).
struct SinkSettings {
  int level = 5;
  bool display = true;
  bool suppress_url = true;
  bool suppress_info = false;
  bool suppress_warning = false;
  bool suppress_program_error = false;
  bool suppress_tag_error = false;
};

class MessageSink {
 public:
  using Callback = std::function<void(const std::string&)>;

  MessageSink();
  virtual ~MessageSink() = default;

  // Copies both callbacks and the seven settings (not the log).
  virtual void CopyFrom(const MessageSink& other);
  // Display on, level 0, no callbacks, no suppression, no log.
  virtual void Reset();

  // Levelled report: stored as the last message; logged unless suppressed by
  // prefix; shown (callback, else standard error) unless suppressed by
  // prefix or level.
  virtual void Report(std::string_view message, int level);
  virtual void ReportAgain(int level);
  // Plain report (progress lines): nothing at all at reporting level <= 0;
  // logged and shown (callback, else standard output while display is on)
  // unless suppressed by prefix.
  virtual void ReportPlain(std::string_view message);
  virtual void ReportAgainPlain();

  virtual bool IsSuppressedByPrefix(std::string_view message) const;
  virtual bool IsSuppressedByLevel(int level) const;
  virtual bool IsLogOpen() const;
  // Writes one line to the log when it is open; nothing is added to it.
  virtual void WriteToLog(std::string_view text);

  void SetLevelCallback(Callback callback) { level_callback_ = std::move(callback); }
  void SetPlainCallback(Callback callback) { plain_callback_ = std::move(callback); }
  bool HasLevelCallback() const { return static_cast<bool>(level_callback_); }

  void ApplySettings(const SinkSettings& settings) { settings_ = settings; }
  const SinkSettings& Settings() const { return settings_; }

  // The log file is not owned: the batch opens and closes it.
  void AttachLog(std::string name, ASCIIFile* file);
  void DetachLog();
  const std::string& LogName() const { return log_name_; }

  const std::string& LastMessage() const { return last_message_; }

  // Where "standard output" and "standard error" go; tests point them at
  // string streams. Defaults are std::cout and std::cerr.
  void SetStreams(std::ostream* out, std::ostream* err);
  std::ostream& Out() const { return *out_; }
  std::ostream& Err() const { return *err_; }

 private:
  std::string last_message_;
  Callback level_callback_;
  Callback plain_callback_;
  SinkSettings settings_;
  std::string log_name_;
  ASCIIFile* log_ = nullptr;
  std::ostream* out_;
  std::ostream* err_;
};

}  // namespace orv
