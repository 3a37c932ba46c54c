// A batch converted on several threads, with everything the user sees as
// one thread gives it.
//
// Each worker thread owns a copy of the run: its own Context (the
// qualifiers and the sections' values copied), policy sets, catalogue,
// detag pass and output, and a sink that records messages instead of
// showing them. Workers take the files in batch order, each as far as a
// window ahead of the first file not yet finished. A worker writes its
// output to a temporary file beside the destination and keeps it there.
//
// This thread takes the files' results in batch order: it replays the
// file's messages into the run's own sink (so the status window, the
// standard streams and the log see them in order, filtered as they would
// have been), renames the output into place and counts the file. At the
// first file that failed it stops: later files are not started, and the
// outputs of those already converted are removed, so files after a failure
// leave no output, as with one thread.
//
// Files are not quite independent: the alignment and the justification
// toggle that one file leaves are where the next one starts. A worker
// assumes the state that the last file finished left (documents of one
// batch mostly leave the same); when the file before left another, the
// file is converted again here, in order, from the right state.
#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <set>
#include <system_error>
#include <thread>

#include "platform/memory.h"
#include "run/conversion_run.h"
#include "run/message_record.h"
#include "run/qualifier_policies.h"

namespace orv {
namespace {

// How far ahead of the first unfinished file workers may go, per worker:
// enough to keep them busy behind a slow file, few enough that waiting
// outputs stay a handful of temporary files.
constexpr size_t kFilesAheadPerJob = 8;

// What a worker leaves for one file.
struct FileResult {
  bool ok = false;
  ProgramLayoutState start;  // the layout state it was converted from
  ProgramLayoutState end;
  std::vector<RecordedMessage> messages;
  CompletedOutput output;
  std::string output_path;
  std::exception_ptr failure;
};

}  // namespace

namespace {

// Whether no two files of the batch share a name once their extensions go
// (compared ignoring case, as output names are).
bool StemsDiffer(const FileBatch& batch) {
  std::set<std::string> stems;
  for (const std::string& path : batch.paths) {
    const PathParts parts = SplitPath(path);
    if (!stems.insert(ToLower(parts.name)).second) return false;
  }
  return true;
}

}  // namespace

size_t ConversionRun::BatchJobs(size_t size) const {
  const QualifierSettings& q = context_.Qualifiers();
  size_t jobs = q.jobs > 0 ? static_cast<size_t>(q.jobs) : std::thread::hardware_concurrency();
  if (jobs <= 1 || size <= 1) return 1;
  if (q.console || q.policy || output_to_clipboard_ || observer_ || selection_.standard_input ||
      master_policies_.ConcatenateResults() || master_policies_.OutputPolicyFile())
    return 1;
  // Two inputs that may map to one output (one output name for all, or two
  // names alike but for their extension) are told apart in batch order,
  // which only one thread keeps.
  if (!output_file_name_.empty() || !StemsDiffer(context_.Batch())) return 1;
  return std::min(jobs, size);
}

// One worker: a run of its own over the main run's batch.
struct ConversionRun::Worker {
  MessageRecord record;
  Context context{record};
  StatusWindow status;  // never shown: messages go to the record
  ConversionRun run;

  Worker(ConversionRun& main, PolicySet& main_run_set)
      : run(context, status, main.settings_, nullptr) {
    context.CopySettingsFrom(main.context_);
    run.selection_ = main.selection_;
    run.input_directory_ = main.input_directory_;
    run.input_spec_ = main.input_spec_;
    run.output_file_name_ = main.output_file_name_;
    run.command_line_mode_ = main.command_line_mode_;
    run.batch_inputs_ = main.batch_inputs_;
    run.read_inputs_ = main.read_inputs_;
    run.log_path_ = main.log_path_;
    run.clipboard_ = nullptr;
    for (auto [to, from] : {std::pair{&run.master_policies_, &main.master_policies_},
                            std::pair{&run.run_policies_, &main_run_set},
                            std::pair{&run.dialog_changes_, &main.dialog_changes_}}) {
      to->Assign(*from);
      to->AttachContext(&context);
    }
    run.output_.SetHoldCompletedOutput(true);
  }

  // Converts entry `index` of `batch` from layout state `start`.
  FileResult Convert(const FileBatch& batch, size_t index, const ProgramLayoutState& start) {
    FileResult result;
    result.start = start;
    try {
      run.detag_.MutableLayoutState() = start;
      result.ok = run.ConvertBatchEntry(batch, index, run.run_policies_);
      result.end = run.detag_.MutableLayoutState();
      result.output = run.output_.TakeCompletedOutput();
      result.output_path = run.last_output_path_;
    } catch (...) {
      result.failure = std::current_exception();
    }
    result.messages = record.Take();
    return result;
  }
};

void ConversionRun::ConvertBatchSideBySide(size_t size, size_t jobs, PolicySet& run_set,
                                           bool& abort) {
  // Workers see the batch as the files' own conversions would: the master
  // set with the run's directory-index settings and the qualifiers.
  for (EnginePolicy policy : {EnginePolicy::kMakeDirectory, EnginePolicy::kDirectoryFilename})
    master_policies_.Engine(policy).Merge(run_set.Engine(policy), true);
  AttachWithQualifiers(context_, master_policies_);
  // Every worker reads the batch; nothing changes it until they end.
  const FileBatch& batch = context_.Batch();

  std::vector<std::unique_ptr<Worker>> workers;
  for (size_t i = 0; i < jobs; ++i) workers.push_back(std::make_unique<Worker>(*this, run_set));
  const ProgramLayoutState batch_start = detag_.MutableLayoutState();

  std::mutex mutex;
  std::condition_variable changed;
  std::vector<std::optional<FileResult>> results(size);
  size_t next = 0;                             // the next file a worker takes
  size_t committed = 0;                        // files taken in order so far
  ProgramLayoutState predicted = batch_start;  // what the last file finished left
  bool stop = false;
  const size_t window = kFilesAheadPerJob * jobs;

  auto work = [&](Worker& worker) {
    while (true) {
      size_t index;
      ProgramLayoutState start;
      {
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait(lock, [&] { return stop || next >= size || next < committed + window; });
        if (stop || next >= size) return;
        index = next++;
        start = index == 0 ? batch_start : predicted;
      }
      FileResult result = worker.Convert(batch, index, start);
      std::lock_guard<std::mutex> lock(mutex);
      if (!result.failure) predicted = result.end;
      results[index] = std::move(result);
      changed.notify_all();
    }
  };
  std::vector<std::thread> threads;
  AllowAllocatorArenas(workers.size());
  try {
    for (auto& worker : workers) threads.emplace_back(work, std::ref(*worker));
  } catch (const std::system_error&) {
    // Fewer threads than asked: those that started do the work (and this
    // thread does it alone if none did).
  }
  auto finish = [&] {
    {
      std::lock_guard<std::mutex> lock(mutex);
      stop = true;
    }
    changed.notify_all();
    for (std::thread& thread : threads) thread.join();
  };

  std::exception_ptr failure;
  ProgramLayoutState state = batch_start;
  for (size_t index = 0; index < size && !abort; ++index) {
    std::optional<FileResult> result;
    if (!threads.empty()) {
      std::unique_lock<std::mutex> lock(mutex);
      changed.wait(lock, [&] { return results[index].has_value(); });
      result = std::move(results[index]);
      results[index].reset();
    }
    bool ok = false;
    if (result && result->failure) {
      failure = result->failure;
      break;
    }
    if (result && result->start == state) {
      Replay(result->messages, context_.Sink());
      result->output.Commit();
      ok = result->ok;
      if (ok) last_output_path_ = result->output_path;
      state = result->end;
    } else {
      // Converted from the wrong layout state (or no worker): again, here.
      if (result) result->output.Discard();
      detag_.MutableLayoutState() = state;
      try {
        ok = ConvertBatchEntry(batch, index, run_set);
      } catch (...) {
        failure = std::current_exception();
        break;
      }
      state = detag_.MutableLayoutState();
    }
    if (ok) {
      last_output_file_ = last_output_path_;
      ++files_converted_;
    } else {
      abort = true;
    }
    {
      std::lock_guard<std::mutex> lock(mutex);
      committed = index + 1;
    }
    changed.notify_all();
  }
  finish();
  detag_.MutableLayoutState() = state;
  // The outputs of files after a failure are removed with their results.
  results.clear();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace orv
