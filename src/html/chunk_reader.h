// Reading one HTML input into chunks. Lines come from the input file (8-bit,
// or 16-bit with a byte-order mark, which is turned into UTF-8), are cleaned
// (NUL, carriage return, non-breaking space, form feed), text-fragment
// definitions are taken out, and the remaining lines are gathered into
// chunks of a little over 200000 bytes that the caller rewrites one by one.
#pragma once

#include <cstdio>
#include <functional>
#include <optional>
#include <string_view>
#include <string>
#include <vector>

#include "common/report.h"
#include "common/ascii_file.h"

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
  bool first_line_ = true;
  std::vector<char> buffer_;
  size_t buffer_pos_ = 0;
  size_t buffer_end_ = 0;
  bool at_eof_ = false;
  // Pieces of a line split at form feeds, waiting to be delivered.
  std::vector<std::string> pending_;
  size_t pending_pos_ = 0;
};

struct ChunkReaderOptions {
  bool text_mode = true;
  // A chunk is closed once it grows beyond this many bytes.
  size_t chunk_limit = 200000;
  // Directive lines delivered before the file's own lines (fragment file
  // definitions and the built-in header and footer definitions).
  std::vector<std::string> predefined_lines;
  // Prefix of the statements that open and close a text-fragment
  // definition in the input (matched ignoring case).
  std::string directive_delimiter = "$_$_";
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

// Reads `path` (or the options' input text) into chunks, calls `on_chunk` on each and appends the
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
