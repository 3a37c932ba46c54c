// The run context: one per program. It owns the message sink, the log file
// of a batch, the start-up record of command-line stage messages and the
// state that the command line and the batch share. It is the policies'
// shared part too (policy/shared_policies.h): policy sets attached to it
// report through its sink and share its ten sections.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "common/ascii_file.h"
#include "common/messages.h"
#include "common/text.h"
#include "policy/shared_policies.h"
#include "run/file_batch.h"
#include "run/qualifiers.h"

namespace orv {

class Context : public SharedPolicies {
 public:
  Context() : SharedPolicies(&own_sink_) {}
  // A Context whose messages go to `sink` (which must outlive it) instead
  // of a sink of its own: a conversion that keeps its messages.
  explicit Context(MessageSink& sink) : SharedPolicies(&sink) {}
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  // Command-line stage report: echoed to standard error while the echo flag
  // is on, kept in the start-up record ("SESSION: " lines), and the record
  // is written to the log as soon as a log is open.
  void Report(std::string_view message);

  bool Echo() const { return echo_; }
  void SetEcho(bool echo) { echo_ = echo; }
  const std::string& StartupRecord() const { return startup_record_; }

  // Opens the batch's log file. `log_value` is the /LOG value ("" gives the
  // default name); a value without a directory part is put in the output
  // directory. When the file cannot be created, or `is_input` says it is a
  // file the run is to read (reported: it is never replaced), the default
  // name in the output directory is tried; failing that the run goes on
  // without a log. Returns true when the log asked for is open (false also
  // when only the default one could be opened instead).
  bool OpenLog(std::string_view log_value, const std::string& output_directory,
               const std::function<bool(const std::string& path)>& is_input = nullptr);
  // Closes the log. False when a write to it, or its close, failed: the
  // error naming the log and the reason has then been reported.
  bool CloseLog();
  bool IsLogOpen() const { return log_file_.IsOpen(); }

  static constexpr std::string_view kDefaultLogName = "Tessaly.log";

  // Takes over what `other` holds for conversions: the qualifier settings,
  // the echo flag, the values of the ten sections, the rule set and the
  // include folder (not the log, the batch or the start-up record). A
  // batch's worker threads each convert under such a copy.
  void CopySettingsFrom(Context& other);

  // What the command-line qualifiers set (run/qualifiers.h).
  QualifierSettings& Qualifiers() { return qualifiers_; }
  const QualifierSettings& Qualifiers() const { return qualifiers_; }
  // The input files of the run (run/file_batch.h).
  FileBatch& Batch() { return batch_; }
  const FileBatch& Batch() const { return batch_; }

 private:
  bool AttachOpenedLog(const std::string& path);

  MessageSink own_sink_;
  bool echo_ = true;
  std::string startup_record_;
  ASCIIFile log_file_;
  QualifierSettings qualifiers_;
  FileBatch batch_;
};

}  // namespace orv
