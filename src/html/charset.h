// Classes of the character set a document names (META tag or policy):
// multi-byte, non-Western single-byte, or Western. The class decides whether
// the Windows ellipsis byte is spelled out as "..." by the chunk pass.
// Also how an input is read: a look over the whole file for UTF-8 and its
// declared set, the decoding of other 8-bit sets into UTF-8 (glibc's iconv),
// and Windows-1252 text written as UTF-8. Entity references are in
// entities.h.
#pragma once

#include <string>
#include <string_view>

namespace orv {

struct CharsetClass {
  bool multi_byte = false;   // multi-byte or non-Latin set (also UTF-8)
  bool non_western = false;  // non-Western single-byte set
};

// Classifies a character-set name, trimmed and ignoring case. Western names,
// unknown names and the empty name give both flags clear.
CharsetClass ClassifyCharset(std::string_view name);

// True when the set is Western, unknown or absent: only then is byte 133 the
// Windows ellipsis. In a multi-byte text (UTF-8 in particular) that byte is
// part of other characters and must be left alone.
bool EllipsisIsSpelledOut(const CharsetClass& charset);

// Replaces every byte 133 by "...". Returns the number replaced; linear.
int SpellOutEllipses(std::string& text);

// What one look over an input file finds.
struct InputSniff {
  bool opened = false;
  // The file starts with a byte-order mark (UTF-8, or 16-bit, which is read
  // as UTF-8), or its bytes above 127 all form valid UTF-8.
  bool utf8 = false;
  // No byte above 127 and no byte-order mark: plain ASCII, which reads the
  // same in every set.
  bool ascii = true;
  // The character set named by the first META tag that names one
  // (http-equiv content "...; charset=NAME" or charset="NAME") in the
  // first 64 KB; empty when none does.
  std::string declared;
};
// Reads `path` once, in blocks (a large file mapped instead); linear,
// memory bounded. `side_by_side`: a large file may be looked at in two
// halves on two threads.
InputSniff SniffInput(const std::string& path, bool side_by_side = false);
// The same look over a text held in memory.
InputSniff SniffText(std::string_view text, bool side_by_side = false);

// Whether text declared in `name` is decoded from that set into UTF-8:
// not for the Western names (read as Windows-1252, like undeclared text),
// not for UTF-8 itself, nor for the 16- and 32-bit names, which an 8-bit
// file cannot truly be in.
bool DecodedFromDeclaredSet(std::string_view name);

// Decodes lines from a named 8-bit or multi-byte set into UTF-8 through
// iconv. A byte sequence the set does not define becomes U+FFFD.
class CharsetDecoder {
 public:
  CharsetDecoder() = default;
  CharsetDecoder(const CharsetDecoder&) = delete;
  CharsetDecoder& operator=(const CharsetDecoder&) = delete;
  ~CharsetDecoder();
  // False when iconv does not know the set (nothing is decoded then).
  bool Open(std::string_view name);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  // Decodes `line` in place; linear.
  void Decode(std::string& line);

 private:
  void* handle_ = nullptr;  // an iconv_t
  std::string out_;
};

// The Unicode code point of a Windows-1252 byte (the five bytes that set
// leaves undefined stand for the Latin-1 controls of their number).
int Windows1252Code(unsigned char byte);

// Appends `text`, read as Windows-1252, to `out` in UTF-8. Linear.
void AppendWindows1252AsUtf8(std::string_view text, std::string& out);

}  // namespace orv
