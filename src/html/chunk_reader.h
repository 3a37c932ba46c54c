// Reading one HTML input into chunks. Lines come from the input file (8-bit,
// possibly decoded into UTF-8 from a declared set, or 16-bit with a
// byte-order mark, which is turned into UTF-8), are cleaned (NUL, carriage
// return, non-breaking space, form feed), text-fragment definitions are
// taken out, and the remaining lines are gathered into chunks of a little
// over 200000 bytes, each closed outside the elements the chunk pass must
// see whole, that the caller rewrites one by one.
#pragma once

#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/report.h"
#include "common/ascii_file.h"
#include "html/charset.h"

namespace orv {

// One logical line at a time from an input file or a text in memory, with
// the cleaning rules applied. A physical line of any length is delivered
// whole.
class InputLineReader {
 public:
  enum class Encoding { kEightBit, kUtf16LittleEndian, kUtf16BigEndian };

  // Opens `path` and looks at its first two bytes for a 16-bit byte-order
  // mark. `text_mode` turns non-breaking spaces into spaces.
  bool Open(const std::string& path, bool text_mode);
  // Reads `text` instead of a file, with the same rules; `text` must
  // outlive the reading. Never fails.
  bool OpenText(std::string_view text, bool text_mode);
  // The next logical line, without its line end. False at the end.
  bool ReadLine(std::string& line);
  Encoding FileEncoding() const { return encoding_; }
  // How 8-bit lines are read in text mode: `decoder` (when given and open)
  // turns each into UTF-8 before it is cleaned; `utf8_text` tells whether
  // the text is UTF-8 then (its non-breaking space is C2 A0, a lone A0 byte
  // part of another character). Unset, each line that is valid UTF-8 is
  // taken as UTF-8.
  void SetTextEncoding(std::optional<bool> utf8_text, CharsetDecoder* decoder) {
    utf8_text_ = utf8_text;
    decoder_ = decoder;
  }

 private:
  bool ReadPhysicalLine(std::string& line);
  bool ReadEightBitLine(std::string& line);
  bool ReadSixteenBitLine(std::string& line);
  bool FillBuffer();
  bool Start(bool text_mode);
  void CleanLine(std::string& line) const;

  ASCIIFile file_;
  // The text read instead of a file, and how much of it is read.
  std::string_view text_;
  size_t text_pos_ = 0;
  bool from_text_ = false;
  Encoding encoding_ = Encoding::kEightBit;
  bool text_mode_ = true;
  std::optional<bool> utf8_text_;
  CharsetDecoder* decoder_ = nullptr;
  bool first_line_ = true;
  // The bytes read and not yet handed out are [buffer_pos_, buffer_end_);
  // the rest of the buffer is never read, so it is not cleared.
  std::unique_ptr<char[]> buffer_;
  size_t buffer_size_ = 0;
  size_t buffer_pos_ = 0;
  size_t buffer_end_ = 0;
  bool at_eof_ = false;
  // A line split at its form feeds: its pieces are handed out one by one
  // from here (a list of them would cost a string per form feed).
  std::string pending_;
  size_t pending_pos_ = 0;
  // A split line this long gives back the memory of the pieces handed out;
  // the bytes before `pending_released_` are gone.
  static constexpr size_t kLongPendingLine = size_t{256} << 10;
  size_t pending_released_ = 0;
  // The next piece of `pending_`; false when none is left.
  bool NextPendingPiece(std::string& line);
};

struct ChunkReaderOptions {
  bool text_mode = true;
  // A chunk is closed at the first line end beyond this many bytes that
  // lies outside every element the chunk pass must see whole (head, script,
  // style, object, comment, pre, table, list, textarea, select).
  size_t chunk_limit = 200000;
  // Beyond this many bytes a chunk is closed at a line end even inside such
  // an element (with a warning), so that memory stays bounded.
  size_t element_limit = size_t{16} << 20;
  // Directive lines delivered before the file's own lines (fragment file
  // definitions and the built-in header and footer definitions).
  std::vector<std::string> predefined_lines;
  // Prefix of the statements that open and close a text-fragment
  // definition in the input (matched ignoring case).
  std::string directive_delimiter = "$_$_";
  // Text mode: see InputLineReader::SetTextEncoding. The decoder is used
  // on the thread that reads.
  std::optional<bool> utf8_text;
  CharsetDecoder* decoder = nullptr;
  // When set, the input is this text (which must outlive the reading) and
  // the path only names it in messages.
  std::optional<std::string_view> input_text;
};

// A captured text-fragment definition: its name and its lines.
using FragmentCallback = std::function<void(const std::string& name, std::vector<std::string> lines)>;
// Rewrites one chunk in place; chunks are numbered from 1.
using ChunkCallback = std::function<void(int number, std::string& chunk)>;

struct ChunkReadResult {
  bool opened = false;
  int chunks = 0;
  InputLineReader::Encoding encoding = InputLineReader::Encoding::kEightBit;
};

// Follows, line by line, the elements that the chunk pass's patterns must
// see whole, so that a chunk is closed only outside them. Inside a comment,
// a script, a style sheet or a text area only its end is looked for; the
// others nest (an end tag without a start is ignored). A tag name counts
// only whole ("<header>" is not "<head>"); "<body" ends an open head.
class OpenElements {
 public:
  void Scan(std::string_view line);
  // Outside every followed element.
  bool Idle() const;
  // The name of an element still open ("head", "table", "!--"...), for
  // messages; empty when idle.
  std::string_view AnyOpen() const;
  void Forget();

 private:
  enum Kind { kHead, kObject, kPre, kTable, kList, kSelect, kKinds };
  // The element whose end alone is looked for: "!--", "script", "style",
  // "textarea", or empty.
  std::string_view raw_;
  int depth_[kKinds] = {};
};

// Reads `path` (or the options' input text) into chunks, calls `on_chunk`
// on each and appends the
// rewritten chunks to `whole_text`. Reports "INFO: Processing chunk #N "
// for every chunk closed by size and the Unicode warning for
// little-endian 16-bit files. Cost is linear in the file size.
ChunkReadResult ReadInputChunks(const std::string& path, const ChunkReaderOptions& options,
                                const ReportFunction& report, const FragmentCallback& on_fragment,
                                const ChunkCallback& on_chunk, std::string& whole_text);

// The directive lines that define the built-in TEXT_HEADER and TEXT_FOOTER
// fragments, delivered before the input in text mode.
std::vector<std::string> BuiltInFragmentLines();

}  // namespace orv
