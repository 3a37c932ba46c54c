// The input line reader and the gathering of lines into chunks.
#include "html/chunk_reader.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "common/text.h"
#include "html/entities.h"
#include "platform/memory.h"

namespace orv {
namespace {

constexpr size_t kReadBlock = 1 << 16;
constexpr std::string_view kDefineTextFragment = "DEFINE_TEXT_FRAGMENT";
constexpr std::string_view kEndBlock = "END_BLOCK";

void AppendUtf8(std::string& out, unsigned code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

}  // namespace

bool InputLineReader::Open(const std::string& path, bool text_mode) {
  from_text_ = false;
  if (!file_.OpenRead(path)) return false;
  return Start(text_mode);
}

bool InputLineReader::OpenText(std::string_view text, bool text_mode) {
  file_.ClearStack();
  from_text_ = true;
  text_ = text;
  text_pos_ = 0;
  return Start(text_mode);
}

// Resets the reading state and looks for a 16-bit byte-order mark.
bool InputLineReader::Start(bool text_mode) {
  text_mode_ = text_mode;
  first_line_ = true;
  encoding_ = Encoding::kEightBit;
  if (buffer_size_ != kReadBlock) {
    buffer_ = std::make_unique_for_overwrite<char[]>(kReadBlock);
    buffer_size_ = kReadBlock;
  }
  buffer_pos_ = buffer_end_ = 0;
  at_eof_ = false;
  pending_.clear();
  pending_pos_ = 0;
  pending_released_ = 0;
  if (!FillBuffer()) return true;  // an empty file has no lines
  if (buffer_end_ >= 2) {
    unsigned char b0 = static_cast<unsigned char>(buffer_[0]);
    unsigned char b1 = static_cast<unsigned char>(buffer_[1]);
    if (b0 == 0xFF && b1 == 0xFE) encoding_ = Encoding::kUtf16LittleEndian;
    if (b0 == 0xFE && b1 == 0xFF) encoding_ = Encoding::kUtf16BigEndian;
  }
  return true;
}

// Moves any unread bytes to the front of the buffer and reads more behind
// them. False when nothing is left at all.
bool InputLineReader::FillBuffer() {
  if (buffer_pos_ > 0) {
    std::memmove(buffer_.get(), buffer_.get() + buffer_pos_, buffer_end_ - buffer_pos_);
    buffer_end_ -= buffer_pos_;
    buffer_pos_ = 0;
  }
  if (!at_eof_) {
    if (buffer_end_ == buffer_size_) {  // a line longer than the buffer
      std::unique_ptr<char[]> larger = std::make_unique_for_overwrite<char[]>(buffer_size_ * 2);
      std::memcpy(larger.get(), buffer_.get(), buffer_end_);
      buffer_ = std::move(larger);
      buffer_size_ *= 2;
    }
    const size_t room = buffer_size_ - buffer_end_;
    size_t got = 0;
    if (from_text_) {
      got = std::min(room, text_.size() - text_pos_);
      if (got > 0) std::memcpy(buffer_.get() + buffer_end_, text_.data() + text_pos_, got);
      text_pos_ += got;
    } else if (std::FILE* handle = file_.TopHandle()) {
      got = std::fread(buffer_.get() + buffer_end_, 1, room, handle);
    }
    if (got == 0) at_eof_ = true;
    buffer_end_ += got;
  }
  return buffer_end_ > buffer_pos_;
}

bool InputLineReader::ReadEightBitLine(std::string& line) {
  line.clear();
  while (true) {
    const char* start = buffer_.get() + buffer_pos_;
    size_t available = buffer_end_ - buffer_pos_;
    const void* feed = available ? std::memchr(start, '\n', available) : nullptr;
    if (feed != nullptr) {
      size_t length = static_cast<const char*>(feed) - start;
      line.append(start, length);
      buffer_pos_ += length + 1;
      return true;
    }
    line.append(start, available);
    buffer_pos_ = buffer_end_;
    if (!FillBuffer()) return !line.empty();
  }
}

// Reads code units up to the line-feed unit and converts them to UTF-8.
// Surrogate pairs become one four-byte sequence; a lone surrogate becomes
// U+FFFD; an odd final byte is read as a unit whose missing byte is zero.
bool InputLineReader::ReadSixteenBitLine(std::string& line) {
  line.clear();
  const bool little = encoding_ == Encoding::kUtf16LittleEndian;
  bool any = false;
  unsigned pending_high = 0;
  while (true) {
    size_t available = buffer_end_ - buffer_pos_;
    if (available < 2 && !at_eof_) {
      FillBuffer();
      continue;
    }
    if (available == 0) break;
    unsigned char b0 = static_cast<unsigned char>(buffer_[buffer_pos_]);
    unsigned char b1 = available >= 2 ? static_cast<unsigned char>(buffer_[buffer_pos_ + 1]) : 0;
    buffer_pos_ += available >= 2 ? 2 : 1;
    any = true;
    unsigned unit = little ? (b0 | (b1 << 8)) : ((b0 << 8) | b1);
    if (pending_high != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        AppendUtf8(line, 0x10000 + ((pending_high - 0xD800) << 10) + (unit - 0xDC00));
        pending_high = 0;
        continue;
      }
      AppendUtf8(line, 0xFFFD);
      pending_high = 0;
    }
    if (unit == '\n') return true;
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      pending_high = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(line, 0xFFFD);
    } else {
      AppendUtf8(line, unit);
    }
  }
  if (pending_high != 0) AppendUtf8(line, 0xFFFD);
  return any;
}

bool InputLineReader::ReadPhysicalLine(std::string& line) {
  bool got = encoding_ == Encoding::kEightBit ? ReadEightBitLine(line) : ReadSixteenBitLine(line);
  if (!got) return false;
  // A carriage return before the line feed is part of the line end.
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (first_line_) {
    first_line_ = false;
    // The byte-order mark of UTF-8 text says how it is read; it is no text.
    if ((encoding_ != Encoding::kEightBit || (text_mode_ && utf8_text_.value_or(false))) &&
        line.compare(0, 3, "\xEF\xBB\xBF") == 0)
      line.erase(0, 3);
  }
  if (text_mode_ && encoding_ == Encoding::kEightBit && decoder_ != nullptr && decoder_->IsOpen())
    decoder_->Decode(line);
  return true;
}

// NUL and carriage return become spaces; in text mode so does the
// non-breaking space. In UTF-8 text (16-bit input) the non-breaking space is
// the pair C2 A0, and a lone A0 byte is part of another character, so only
// the pair is replaced there. A 0xFF byte is held as kHeldFF (entities.h).
namespace {

// The offset of the first byte of `line` that is below 14 or above 127
// (the only ones CleanLine may change), or line.size(). Eight bytes at a
// time: a byte below 14 sets its high bit in x - 0x0E.. where it was clear
// in x, and a borrow into a higher byte needs such a byte below it.
size_t FirstControlOrHighByte(std::string_view line) {
  constexpr uint64_t kFourteens = 0x0E0E0E0E0E0E0E0EULL;
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  const size_t n = line.size();
  size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    uint64_t x;
    std::memcpy(&x, line.data() + i, 8);
    if ((((x - kFourteens) & ~x) | x) & kHighBits) break;
  }
  while (i < n) {
    const unsigned char c = static_cast<unsigned char>(line[i]);
    if (c < 14 || c > 127) break;
    ++i;
  }
  return i;
}

}  // namespace

void InputLineReader::CleanLine(std::string& line) const {
  const bool utf8 = encoding_ != Encoding::kEightBit;
  const size_t n = line.size();
  // Most bytes need no change: the word-wide scan skips to the next control
  // or 8-bit byte, and the run before it moves down as a whole once a pair
  // has been shortened to one space.
  size_t i = FirstControlOrHighByte(line);
  // UTF-8 text (a UTF-8 document, one decoded into UTF-8, or a line from
  // a 16-bit file) has the non-breaking space as the pair C2 A0, and an A0
  // byte inside another character ("à" is C3 A0) stays.
  const bool utf8_line =
      utf8 || (text_mode_ && i < n &&
               (utf8_text_ ? *utf8_text_ : IsValidUtf8(std::string_view(line).substr(i))));
  size_t out = i;
  while (i < n) {
    const char c = line[i];
    if (c == '\0' || c == '\r' || (text_mode_ && !utf8_line && c == '\xA0')) {
      line[out++] = ' ';
      ++i;
    } else if (c == '\xFF') {
      line[out++] = kHeldFF;  // never part of UTF-8: a character of the text
      ++i;
    } else if (text_mode_ && utf8_line && c == '\xC2' && i + 1 < n && line[i + 1] == '\xA0') {
      line[out++] = ' ';
      i += 2;
    } else {
      line[out++] = c;
      ++i;
    }
    const size_t next = i + FirstControlOrHighByte(std::string_view(line).substr(i));
    if (out != i) std::memmove(line.data() + out, line.data() + i, next - i);
    out += next - i;
    i = next;
  }
  line.resize(out);
}

bool InputLineReader::NextPendingPiece(std::string& line) {
  if (pending_pos_ >= pending_.size()) {
    // What is left of a long line goes back too, rather than staying with
    // the reader until the next line long enough needs the room.
    if (pending_.size() >= kLongPendingLine) std::string().swap(pending_);
    pending_.clear();
    pending_pos_ = 0;
    pending_released_ = 0;
    return false;
  }
  // A long line split at many form feeds is handed out a piece at a time:
  // the memory of the pieces already handed out is given back as the
  // reading goes on, so that the line and the text made from it are not
  // both held whole.
  if (pending_pos_ - pending_released_ >= kLongPendingLine / 4 &&
      pending_.size() >= kLongPendingLine) {
    ReleasePages(pending_.data() + pending_released_, pending_pos_ - pending_released_);
    pending_released_ = pending_pos_;
  }
  const size_t feed = pending_.find('\f', pending_pos_);
  if (feed == pending_pos_) {
    line.assign(1, '\f');
    ++pending_pos_;
    return true;
  }
  const size_t end = feed == std::string::npos ? pending_.size() : feed;
  line.assign(pending_, pending_pos_, end - pending_pos_);
  pending_pos_ = end;
  return true;
}

bool InputLineReader::ReadLine(std::string& line) {
  if (!pending_.empty() && NextPendingPiece(line)) return true;
  if (!ReadPhysicalLine(line)) return false;
  CleanLine(line);
  if (line.find('\f') == std::string::npos) return true;

  // A form feed splits the line: the text before it, the form feed alone,
  // and the text after it (itself split again) come as separate lines.
  pending_ = std::move(line);
  pending_pos_ = 0;
  pending_released_ = 0;
  return NextPendingPiece(line);
}

std::vector<std::string> BuiltInFragmentLines() {
  return {
      "$_$_DEFINE_TEXT_FRAGMENT TEXT_HEADER",
      "[[TEXT_HEADER BOX_TOP]]",
      "[[TEXT_HEADER TITLE]]",
      "[[TEXT_HEADER BOX_MIDDLE]]",
      "[[TEXT_HEADER OUT_FILENAME]]",
      "[[TEXT_HEADER OUT_FILESIZE]]",
      "[[TEXT_HEADER TIMESTAMP]]",
      "[[TEXT_HEADER BOX_BOTTOM]]",
      "",
      "$_$_END_BLOCK",
      // The footer is defined empty: nothing is added after the body unless
      // a fragments file defines one.
      "$_$_DEFINE_TEXT_FRAGMENT TEXT_FOOTER",
      "$_$_END_BLOCK",
  };
}

namespace {

bool IsTagNameEnd(std::string_view line, size_t at) {
  if (at >= line.size()) return true;
  const char c = line[at];
  return IsBlank(c) || c == '>' || c == '/';
}

// The longest name of a followed element ("textarea").
constexpr size_t kLongestName = 8;

bool IsNameCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// A lower-case tag name of up to eight characters as a number, its first
// character in the lowest byte.
constexpr uint64_t NameKey(std::string_view name) {
  uint64_t key = 0;
  for (size_t k = 0; k < name.size(); ++k)
    key |= static_cast<uint64_t>(static_cast<unsigned char>(name[k])) << (8 * k);
  return key;
}

}  // namespace

void OpenElements::Scan(std::string_view line) {
  size_t i = 0;
  while (i < line.size()) {
    if (!raw_.empty()) {
      // Only the end counts: "-->" for a comment, else "</name".
      size_t end;
      if (raw_ == "!--") {
        end = line.find("-->", i);
        if (end == std::string_view::npos) return;
        i = end + 3;
      } else {
        for (end = line.find("</", i); end != std::string_view::npos; end = line.find("</", end + 1))
          if (EqualsNoCase(line.substr(end + 2, raw_.size()), raw_) &&
              IsTagNameEnd(line, end + 2 + raw_.size()))
            break;
        if (end == std::string_view::npos) return;
        i = end + 2 + raw_.size();
      }
      raw_ = {};
      continue;
    }
    // A "<" right here (as in a run of them) needs no search.
    const size_t open = i < line.size() && line[i] == '<' ? i : line.find('<', i);
    if (open == std::string_view::npos) return;
    i = open + 1;
    if (i < line.size() && !IsNameCharacter(line[i]) && line[i] != '/' && line[i] != '!')
      continue;  // no tag begins here
    if (line.substr(i, 3) == "!--") {
      raw_ = "!--";
      i = open + 2;  // "<!-->" is a whole comment
      continue;
    }
    const bool closing = i < line.size() && line[i] == '/';
    const size_t name = i + (closing ? 1 : 0);
    size_t name_end = name;
    while (name_end < line.size() && IsNameCharacter(line[name_end])) ++name_end;
    const size_t length = name_end - name;
    if (length < 2 || length > kLongestName || !IsTagNameEnd(line, name_end)) continue;
    // The name in lower case (digits keep their value under the same bit),
    // as a number: one comparison per followed name.
    uint64_t key = 0;
    for (size_t k = 0; k < length; ++k)
      key |= static_cast<uint64_t>(static_cast<unsigned char>(line[name + k]) | 0x20) << (8 * k);
    i = name_end;
    int kind = -1;
    std::string_view raw;  // an element whose end alone is looked for
    switch (key) {
      case NameKey("body"):
        if (!closing) depth_[kHead] = 0;  // the body begins where a head left without its end
        continue;
      case NameKey("head"): kind = kHead; break;
      case NameKey("object"): kind = kObject; break;
      case NameKey("pre"):
      case NameKey("xmp"):
      case NameKey("listing"): kind = kPre; break;
      case NameKey("table"): kind = kTable; break;
      case NameKey("ul"):
      case NameKey("ol"):
      case NameKey("dl"): kind = kList; break;
      case NameKey("select"): kind = kSelect; break;
      case NameKey("script"): raw = "script"; break;
      case NameKey("style"): raw = "style"; break;
      case NameKey("textarea"): raw = "textarea"; break;
      default: continue;
    }
    if (!raw.empty()) {
      if (!closing) raw_ = raw;
    } else if (!closing) {
      ++depth_[kind];
    } else if (depth_[kind] > 0) {
      --depth_[kind];
    }
  }
}

bool OpenElements::Idle() const { return AnyOpen().empty(); }

std::string_view OpenElements::AnyOpen() const {
  if (!raw_.empty()) return raw_;
  static constexpr std::string_view kNames[kKinds] = {"head", "object", "pre",
                                                       "table", "list", "select"};
  for (int k = 0; k < kKinds; ++k)
    if (depth_[k] > 0) return kNames[k];
  return {};
}

void OpenElements::Forget() {
  raw_ = {};
  for (int& depth : depth_) depth = 0;
}

namespace {

// Routes lines either into an open fragment definition or into the chunks.
class ChunkGatherer {
 public:
  ChunkGatherer(const ChunkReaderOptions& options, const ReportFunction& report,
                const FragmentCallback& on_fragment, const ChunkCallback& on_chunk,
                std::string& whole_text)
      : options_(options),
        report_(report),
        on_fragment_(on_fragment),
        on_chunk_(on_chunk),
        whole_text_(whole_text),
        define_text_fragment_(options.directive_delimiter + std::string(kDefineTextFragment)),
        end_block_(options.directive_delimiter + std::string(kEndBlock)) {}

  void Take(std::string& line) {
    if (in_definition_) {
      if (StartsWithNoCase(line, end_block_)) {
        in_definition_ = false;
        if (on_fragment_) on_fragment_(fragment_name_, std::move(fragment_lines_));
        fragment_lines_.clear();
        return;
      }
      fragment_lines_.push_back(line);
      return;
    }
    if (StartsWithNoCase(line, define_text_fragment_)) {
      in_definition_ = true;
      definition_line_ = line;
      std::vector<std::string> words = Split(CollapseBlanks(line), ' ');
      fragment_name_ = words.size() > 1 ? words[1] : std::string();
      return;
    }
    AddToChunk(line);
  }

  // After the last line: a definition that never ended gives its lines back
  // to the document rather than losing them; the remainder is the last chunk.
  int Finish() {
    if (in_definition_) {
      in_definition_ = false;
      if (report_)
        report_("WARNING: Text fragment definition without end statement: " + definition_line_, 8);
      AddToChunk(definition_line_);
      for (std::string& kept : fragment_lines_) AddToChunk(kept);
      fragment_lines_.clear();
    }
    // The last chunk is reported too when the document was split, so a
    // split document shows every chunk; a document of one chunk shows none.
    if (!chunk_.empty()) CloseChunk(/*report=*/chunk_number_ > 0);
    return chunk_number_;
  }

 private:
  // Appends `line` and a line feed; `line` may be left empty. A line that
  // starts a chunk becomes the chunk itself, so one very long line is not
  // copied, and room for the line feed is made with the line, so the chunk
  // never doubles for one byte.
  void AddToChunk(std::string& line) {
    open_elements_.Scan(line);
    const size_t needed = chunk_.size() + line.size() + 1;
    if (chunk_.empty() && line.capacity() >= needed) {
      chunk_.swap(line);
    } else {
      if (chunk_.capacity() < needed) chunk_.reserve(std::max(needed, 2 * chunk_.capacity()));
      chunk_ += line;
    }
    chunk_ += '\n';
    if (chunk_.size() <= options_.chunk_limit) return;
    if (!open_elements_.Idle()) {
      if (chunk_.size() <= options_.element_limit) return;
      // Memory stays bounded: the element is converted in pieces.
      if (report_)
        report_("WARNING: Chunk #" + std::to_string(chunk_number_ + 1) + " ends inside a <" +
                    std::string(open_elements_.AnyOpen()) + "> element longer than " +
                    std::to_string(options_.element_limit) + " bytes",
                8);
      open_elements_.Forget();
    }
    CloseChunk(/*report=*/true);
  }

  void CloseChunk(bool report) {
    ++chunk_number_;
    if (report && report_) report_("INFO: Processing chunk #" + std::to_string(chunk_number_) + " ", 10);
    if (on_chunk_) on_chunk_(chunk_number_, chunk_);
    // A one-chunk document is not copied, unless room for the whole text
    // was made beforehand and the chunk has less.
    if (whole_text_.empty() &&
        (whole_text_.capacity() < chunk_.size() || chunk_.capacity() >= whole_text_.capacity())) {
      whole_text_.swap(chunk_);
    } else {
      whole_text_ += chunk_;
    }
    chunk_.clear();
  }

  const ChunkReaderOptions& options_;
  const ReportFunction& report_;
  const FragmentCallback& on_fragment_;
  const ChunkCallback& on_chunk_;
  std::string& whole_text_;
  const std::string define_text_fragment_;
  const std::string end_block_;
  std::string chunk_;
  OpenElements open_elements_;
  int chunk_number_ = 0;
  bool in_definition_ = false;
  std::string definition_line_;
  std::string fragment_name_;
  std::vector<std::string> fragment_lines_;
};

}  // namespace

ChunkReadResult ReadInputChunks(const std::string& path, const ChunkReaderOptions& options,
                                const ReportFunction& report, const FragmentCallback& on_fragment,
                                const ChunkCallback& on_chunk, std::string& whole_text) {
  ChunkReadResult result;
  InputLineReader reader;
  const bool opened = options.input_text ? reader.OpenText(*options.input_text, options.text_mode)
                                         : reader.Open(path, options.text_mode);
  if (!opened) return result;
  reader.SetTextEncoding(options.utf8_text, options.decoder);
  result.opened = true;
  result.encoding = reader.FileEncoding();

  ChunkGatherer gatherer(options, report, on_fragment, on_chunk, whole_text);
  for (std::string predefined : options.predefined_lines) gatherer.Take(predefined);
  std::string line;
  while (reader.ReadLine(line)) gatherer.Take(line);
  result.chunks = gatherer.Finish();

  if (result.encoding == InputLineReader::Encoding::kUtf16LittleEndian && report)
    report("WARNING: File " + path + " is UNICODE.  Not all conversion options may work", 8);
  return result;
}

}  // namespace orv
