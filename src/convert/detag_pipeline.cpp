// The detag pass on two threads: a large file's chunks go through the
// front stage of the chunk pass on a reading thread and through the back
// stage, and the first application of the table list, on the calling
// thread, with the order of messages and definitions kept. The stages
// themselves are in detag.cpp.
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>

#include "convert/detag.h"
#include "convert/table_analysis.h"
#include "platform/memory.h"

namespace orv {

namespace {

// The messages and fragment definitions of the reading thread that come
// before a chunk, in order. A page of many links gives a message for each:
// their texts lie side by side in one string, with a small record each,
// so that each costs little more than its text while it waits.
class HandoverEvents {
 public:
  void AddMessage(const std::string& message, int level) {
    texts_ += message;
    records_.push_back({texts_.size(), level, -1});
  }
  void AddFragment(const std::string& name, std::vector<std::string> lines) {
    texts_ += name;
    records_.push_back({texts_.size(), 0, static_cast<int>(fragments_.size())});
    fragments_.push_back(std::move(lines));
  }
  // Hands each event on in order: messages to `message`, fragment
  // definitions (their lines moved out) to `fragment`.
  template <typename Message, typename Fragment>
  void ForEach(const Message& message, const Fragment& fragment) {
    size_t from = 0;
    for (const Record& record : records_) {
      const std::string text = texts_.substr(from, record.end - from);
      from = record.end;
      if (record.fragment < 0)
        message(text, record.level);
      else
        fragment(text, std::move(fragments_[static_cast<size_t>(record.fragment)]));
    }
  }
  void Clear() {
    texts_.clear();
    records_.clear();
    fragments_.clear();
  }
  void Swap(HandoverEvents& other) noexcept {
    texts_.swap(other.texts_);
    records_.swap(other.records_);
    fragments_.swap(other.fragments_);
  }

 private:
  struct Record {
    size_t end;    // the event's text ends here in texts_
    int level;     // a message's level
    int fragment;  // a fragment's lines in fragments_, -1 for a message
  };
  std::string texts_;
  std::vector<Record> records_;
  std::vector<std::vector<std::string>> fragments_;
};

// What the reading thread hands over: a chunk through the front stage, and
// the messages and fragment definitions that came before it.
struct ChunkHandover {
  int number = 0;  // 0: the end of the input (events only)
  std::string chunk;
  size_t read = 0;  // the chunk's size as read
  HandoverEvents events;
};

// A queue of at most two handovers between the reading thread and this one.
class HandoverQueue {
 public:
  void Push(ChunkHandover item) {
    std::unique_lock<std::mutex> lock(mutex_);
    not_full_.wait(lock, [this] { return items_.size() < 2 || closed_; });
    items_.push_back(std::move(item));
    not_empty_.notify_one();
  }
  // The end of the input, with the events after the last chunk. Allocates
  // nothing, so the end always arrives.
  void End(HandoverEvents&& tail) noexcept {
    std::lock_guard<std::mutex> lock(mutex_);
    tail_.Swap(tail);
    ended_ = true;
    not_empty_.notify_one();
  }
  // Waits for the next handover; after the last chunk, the end (number 0).
  ChunkHandover Pop() {
    std::unique_lock<std::mutex> lock(mutex_);
    not_empty_.wait(lock, [this] { return !items_.empty() || ended_; });
    ChunkHandover item;
    if (items_.empty()) {
      item.events.Swap(tail_);
      return item;
    }
    item = std::move(items_.front());
    items_.pop_front();
    not_full_.notify_one();
    return item;
  }
  // Lets a waiting producer go on without waiting for room (the consumer
  // gave up); it still sends its end.
  void Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    not_full_.notify_one();
  }

 private:
  std::mutex mutex_;
  std::condition_variable not_empty_, not_full_;
  std::deque<ChunkHandover> items_;
  HandoverEvents tail_;
  bool ended_ = false;
  bool closed_ = false;
};

}  // namespace

// The first application of the table list, done on the whole text as it
// grows rather than on all of it at the end: the text goes to it in parts
// cut where a scan is idle (FreshTableCut), so the parts give what one scan
// gives. Text that waits too long for a cut (a table that does not end)
// gets its application at the end, with everything after it.
class DetagPass::TableFeed {
 public:
  TableFeed(DetagPass& pass, bool active, size_t chunk_limit)
      : pass_(pass), active_(active), longest_wait_(4 * chunk_limit) {
    if (active_) pass_.table_analysis_->BeginTextTables();
  }

  // Appends `chunk` to `whole_text`, through the first table application
  // when a cut allows.
  void Add(std::string& chunk, std::string& whole_text) {
    if (!active_ || waiting_from_ != std::string::npos) {
      AppendToWhole(chunk, whole_text);
      return;
    }
    Append(chunk, waiting_);
    const size_t cut = FreshTableCut(waiting_);
    if (cut > 0) {
      // The part goes on in the waiting text's own string; what follows the
      // cut, mostly the shorter, is copied out to wait.
      std::string rest = waiting_.substr(std::min(cut, waiting_.size()));
      waiting_.resize(std::min(cut, waiting_.size()));
      std::string part;
      part.swap(waiting_);
      waiting_.swap(rest);
      actions_ += pass_.table_analysis_->ApplyFirstToPart(pass_.TableList(), part);
      AppendToWhole(part, whole_text);
    } else if (waiting_.size() > longest_wait_) {
      waiting_from_ = whole_text.size();
      AppendToWhole(waiting_, whole_text);
      std::string().swap(waiting_);
    }
  }

  // The rest of the text through the first application; the whole-text
  // pass then does the others.
  void Finish(std::string& whole_text) {
    if (!active_) return;
    if (waiting_from_ == std::string::npos) {
      actions_ += pass_.table_analysis_->ApplyFirstToPart(pass_.TableList(), waiting_);
      AppendToWhole(waiting_, whole_text);
      std::string().swap(waiting_);
    } else {
      // The text from where the waiting began goes through the list on its
      // own. Of the two parts, the shorter one is copied out: a document
      // that is one long table is not held twice.
      std::string rest;
      std::string head;
      if (2 * waiting_from_ <= whole_text.size()) {
        head.assign(whole_text, 0, waiting_from_);
        whole_text.erase(0, waiting_from_);
        rest.swap(whole_text);
      } else {
        rest.assign(whole_text, waiting_from_);
        whole_text.resize(waiting_from_);
      }
      actions_ += pass_.table_analysis_->ApplyFirstToPart(pass_.TableList(), rest);
      if (whole_text.empty()) {
        rest.insert(0, head);
        whole_text.swap(rest);
      } else {
        whole_text += rest;
      }
    }
    pass_.first_table_actions_ = actions_;
    pass_.first_table_application_done_ = true;
  }

 private:
  // Appends to the whole text, with room made for it and what is to come.
  void AppendToWhole(std::string& text, std::string& whole_text) {
    pass_.MakeRoomInWholeText(whole_text, text.size());
    Append(text, whole_text);
  }
  static void Append(std::string& text, std::string& to) {
    // A one-part text is not copied, unless room for the whole text was
    // made beforehand and the part has less.
    if (to.empty() && (to.capacity() < text.size() || text.capacity() >= to.capacity()))
      to.swap(text);
    else
      to += text;
  }
  DetagPass& pass_;
  const bool active_;
  // Text that waits longer than this for a cut (a table that does not end)
  // stops waiting.
  const size_t longest_wait_;
  std::string waiting_;
  size_t waiting_from_ = std::string::npos;
  int actions_ = 0;
};

ChunkReadResult DetagPass::ReadChunksPipelined(const std::string& path,
                                               const ChunkReaderOptions& options,
                                               std::string& whole_text) {
  TableFeed tables(*this, options_.TextMode() && options_.parse_tables && TableList().Size() > 0,
                   options.chunk_limit);
  HandoverQueue queue;
  ChunkReadResult result;
  std::exception_ptr failure;
  // The reading thread's messages and definitions wait in `pending` for the
  // chunk they come before; the front stage reports there too.
  auto read = [&] {
    HandoverEvents pending;
    const ReportFunction report = [&pending](const std::string& message, int level) {
      pending.AddMessage(message, level);
    };
    stage_report_ = &report;
    try {
      std::string unused;
      result = ReadInputChunks(
          path, options, report,
          [&pending](const std::string& name, std::vector<std::string> lines) {
            pending.AddFragment(name, std::move(lines));
          },
          [&](int number, std::string& chunk) {
            const size_t read_size = chunk.size();
            ChunkPassFront(number, chunk, front_gate_);
            queue.Push({number, std::move(chunk), read_size, std::move(pending)});
            pending.Clear();
            chunk.clear();
          },
          unused);
    } catch (...) {
      failure = std::current_exception();
    }
    stage_report_ = nullptr;
    queue.End(std::move(pending));
    // The reading is done: what its buffers and the front stage's rewrites
    // left free in this thread's arena would otherwise stay with the
    // process while the rest of the file is converted.
    ReturnFreeMemory();
  };
  std::thread reader;
  try {
    reader = std::thread(read);
  } catch (const std::system_error&) {
    // No second thread to be had: one thread does both stages.
    return ReadChunksInOrder(path, options, whole_text);
  }

  // After a failure here the queue is still drained to its end, so that the
  // reading thread finishes and can be joined.
  std::exception_ptr back_failure;
  for (bool more = true; more;) {
    ChunkHandover item = queue.Pop();
    more = item.number != 0;
    if (back_failure) continue;
    try {
      item.events.ForEach(
          [this](const std::string& message, int level) {
            if (report_) report_(message, level);
          },
          [this](const std::string& name, std::vector<std::string> lines) {
            definitions_.Add(DefinitionKind::kTextFragment, name, std::move(lines));
          });
      if (more) {
        ChunkPassBack(item.number, item.chunk, back_gate_);
        NoteChunkRead(item.read);
        tables.Add(item.chunk, whole_text);
      }
    } catch (...) {
      back_failure = std::current_exception();
      queue.Close();
    }
  }
  reader.join();
  if (failure) std::rethrow_exception(failure);
  if (back_failure) std::rethrow_exception(back_failure);
  tables.Finish(whole_text);
  return result;
}

}  // namespace orv
