// Character-set name classes, the ellipsis rule, and reading and writing
// the text in its character sets.
#include "html/charset.h"

#include <iconv.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "common/side_by_side.h"
#include "common/text.h"
#include "html/entities.h"
#include "platform/mapped_file.h"

namespace orv {

namespace {

constexpr std::string_view kMultiByteSets[] = {
    "x-sjis",       "big5",         "csbig5",       "gb2312",      "csgb2312", "x-euc-tw",
    "shift_jis",    "csShiftJIS",   "ms_Kanji",     "x-euc-jp",    "euc-kr",   "iso-2022-kr",
    "iso-2022-jp",  "tis-620",      "iso-8859-7",   "iso-8859-8",  "koi8-r",   "UTF-8",
    "windows-1251", "windows-1253", "windows-1254", "windows-1256"};

constexpr std::string_view kNonWesternSets[] = {
    "windows-1251", "iso-8859-2", "iso-8859-3",   "iso-8859-4",   "iso-8859-5",  "iso-8859-8",
    "iso-8859-10",  "koi8-r",     "windows-1253", "windows-1254", "windows-1256"};

template <size_t N>
bool InList(std::string_view name, const std::string_view (&list)[N]) {
  for (std::string_view item : list)
    if (EqualsNoCase(item, name)) return true;
  return false;
}

}  // namespace

CharsetClass ClassifyCharset(std::string_view name) {
  name = TrimView(name);
  CharsetClass result;
  result.multi_byte = InList(name, kMultiByteSets);
  result.non_western = InList(name, kNonWesternSets);
  return result;
}

bool EllipsisIsSpelledOut(const CharsetClass& charset) {
  return !charset.multi_byte && !charset.non_western;
}

int SpellOutEllipses(std::string& text) {
  const char ellipsis = static_cast<char>(133);
  if (text.find(ellipsis) == std::string::npos) return 0;
  std::string out;
  out.reserve(text.size() + 64);
  int count = 0;
  for (char c : text) {
    if (c == ellipsis) {
      out += "...";
      ++count;
    } else {
      out += c;
    }
  }
  text = std::move(out);
  return count;
}

namespace {

// Code points of the Windows-1252 bytes 128 to 159 (0: undefined there).
constexpr uint16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

constexpr size_t kSniffBlock = 1 << 16;

bool IsAsciiLetterOrDigit(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

// The character set named in the META tags of `head`, or empty.
std::string DeclaredCharset(std::string_view head) {
  for (size_t at = FindNoCase(head, "<meta"); at != std::string_view::npos;
       at = FindNoCase(head, "<meta", at + 5)) {
    size_t end = head.find('>', at);
    if (end == std::string_view::npos) end = head.size();
    const std::string_view tag = head.substr(at, end - at);
    const size_t word = FindNoCase(tag, "charset");
    if (word == std::string_view::npos) continue;
    size_t i = word + 7;
    while (i < tag.size() && IsBlank(tag[i])) ++i;
    if (i >= tag.size() || tag[i] != '=') continue;
    ++i;
    while (i < tag.size() && (IsBlank(tag[i]) || tag[i] == '"' || tag[i] == '\'')) ++i;
    const size_t name = i;
    while (i < tag.size() && (IsAsciiLetterOrDigit(tag[i]) || tag[i] == '-' || tag[i] == '_' ||
                              tag[i] == '.' || tag[i] == ':'))
      ++i;
    if (i > name) return std::string(tag.substr(name, i - name));
  }
  return {};
}

// How many bytes at the end of `block` begin a UTF-8 sequence that the
// next block completes (0 to 3).
size_t IncompleteTail(std::string_view block) {
  for (size_t k = 1; k <= 3 && k <= block.size(); ++k) {
    const unsigned char c = static_cast<unsigned char>(block[block.size() - k]);
    if ((c & 0xC0) == 0x80) continue;  // a continuation byte: look further back
    if (c < 0xC0) return 0;
    const size_t length = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
    return length > k ? k : 0;
  }
  return 0;
}

}  // namespace

namespace {

// The look at an input's first block: a byte-order mark (which settles
// the look: true) and the set a META tag declares.
bool LookAtStart(std::string_view first, InputSniff& sniff) {
  if (first.starts_with("\xEF\xBB\xBF") || first.starts_with("\xFF\xFE") ||
      first.starts_with("\xFE\xFF")) {
    sniff.utf8 = true;
    sniff.ascii = false;
    if (!first.starts_with("\xEF\xBB\xBF")) return true;  // 16-bit: no 8-bit META
  }
  sniff.declared = DeclaredCharset(first);
  return sniff.utf8;
}

// The look over an input whose blocks `read(buffer, size)` hands out (0 at
// the end).
template <typename Read>
InputSniff SniffBlocks(Read read) {
  InputSniff sniff;
  sniff.opened = true;
  // Only what is read into it is looked at: no need to clear it first.
  const std::unique_ptr<char[]> room = std::make_unique_for_overwrite<char[]>(kSniffBlock + 4);
  char* const buffer = room.get();
  size_t carried = 0;  // the start of a sequence from the block before
  bool first = true;
  bool valid = true;
  while (true) {
    const size_t got = read(buffer + carried, kSniffBlock);
    const std::string_view block(buffer, carried + got);
    if (first) {
      first = false;
      if (LookAtStart(block, sniff)) return sniff;
    }
    if (got == 0) {
      valid = valid && carried == 0;
      break;
    }
    const size_t tail = IncompleteTail(block);
    if (sniff.ascii && NextHighByte(block) < block.size()) sniff.ascii = false;
    if (!IsValidUtf8(block.substr(0, block.size() - tail))) {
      valid = false;
      break;
    }
    std::copy(block.end() - static_cast<long>(tail), block.end(), buffer);
    carried = tail;
  }
  sniff.utf8 = valid;
  return sniff;
}

}  // namespace

InputSniff SniffInput(const std::string& path, bool side_by_side) {
  // A large file is looked at where it lies, not copied block by block.
  MappedFile mapped;
  if (mapped.Open(path, 4 * kSniffBlock)) return SniffText(mapped.View(), side_by_side);
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return InputSniff();
  return SniffBlocks(
      [&file](char* into, size_t size) { return std::fread(into, 1, size, file.get()); });
}

namespace {

// Whether `text` has a byte from 128 up, and whether it is valid UTF-8.
struct Utf8Look {
  bool high = false;
  bool valid = true;
};

Utf8Look LookAt(std::string_view text) {
  Utf8Look look;
  const size_t first_high = NextHighByte(text);
  look.high = first_high < text.size();
  look.valid = !look.high || IsValidUtf8(text.substr(first_high));
  return look;
}

// LookAt on a large text in two halves side by side, cut before an ASCII
// byte near the middle, which no character runs across.
Utf8Look LookAtInHalves(std::string_view text) {
  constexpr size_t kWorthSplitting = size_t{4} << 20;
  constexpr size_t kLookForCut = 256;
  if (text.size() < kWorthSplitting) return LookAt(text);
  size_t cut = text.size() / 2;
  const size_t last = cut + kLookForCut;
  while (cut < last && (static_cast<unsigned char>(text[cut]) & 0x80) != 0) ++cut;
  if (cut == last) return LookAt(text);
  Utf8Look first, second;
  if (!RunSideBySide([&] { first = LookAt(text.substr(0, cut)); },
                     [&] { second = LookAt(text.substr(cut)); }))
    return LookAt(text);
  return {first.high || second.high, first.valid && second.valid};
}

}  // namespace

InputSniff SniffText(std::string_view text, bool side_by_side) {
  // The same steps as the blocks' on the whole text at once: a sequence
  // cut at the end is invalid either way.
  InputSniff sniff;
  sniff.opened = true;
  if (LookAtStart(text.substr(0, kSniffBlock), sniff)) return sniff;
  const Utf8Look look = side_by_side ? LookAtInHalves(text) : LookAt(text);
  sniff.ascii = !look.high;
  sniff.utf8 = look.valid;
  return sniff;
}

bool DecodedFromDeclaredSet(std::string_view name) {
  name = TrimView(name);
  if (name.empty()) return false;
  for (std::string_view western :
       {"us-ascii", "ascii", "windows-1252", "cp1252", "x-cp1252", "iso-8859-1", "iso8859-1",
        "iso_8859-1", "latin1", "latin-1", "l1", "utf-8", "utf8", "unicode-1-1-utf-8"})
    if (EqualsNoCase(name, western)) return false;
  for (std::string_view wide : {"utf-16", "utf16", "utf-32", "utf32", "ucs-2", "ucs-4", "ucs2",
                                "ucs4", "unicode", "utf-7", "utf7"})
    if (name.size() >= wide.size() && EqualsNoCase(name.substr(0, wide.size()), wide)) return false;
  return true;
}

CharsetDecoder::~CharsetDecoder() { Close(); }

bool CharsetDecoder::Open(std::string_view name) {
  Close();
  const std::string from(TrimView(name));
  const iconv_t handle = iconv_open("UTF-8", from.c_str());
  if (handle == reinterpret_cast<iconv_t>(-1)) return false;
  handle_ = handle;
  return true;
}

void CharsetDecoder::Close() {
  if (handle_ != nullptr) iconv_close(static_cast<iconv_t>(handle_));
  handle_ = nullptr;
}

void CharsetDecoder::Decode(std::string& line) {
  if (handle_ == nullptr) return;
  const iconv_t handle = static_cast<iconv_t>(handle_);
  out_.clear();
  out_.reserve(line.size() + line.size() / 2 + 16);
  char* in = line.data();
  size_t in_left = line.size();
  char block[4096];
  while (true) {
    char* out = block;
    size_t out_left = sizeof block;
    const size_t result = in_left > 0 ? iconv(handle, &in, &in_left, &out, &out_left)
                                      : iconv(handle, nullptr, nullptr, &out, &out_left);
    out_.append(block, static_cast<size_t>(out - block));
    if (result != static_cast<size_t>(-1)) {
      if (in_left == 0 && out != block) continue;  // the shift back to the start state
      if (in_left == 0) break;
      continue;
    }
    if (errno == E2BIG) continue;
    // A byte the set does not define, or a sequence cut short.
    out_ += "\xEF\xBF\xBD";
    ++in;
    --in_left;
    iconv(handle, nullptr, nullptr, nullptr, nullptr);
  }
  line.swap(out_);
}

int Windows1252Code(unsigned char byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  const int code = kWindows1252High[byte - 0x80];
  return code != 0 ? code : byte;
}

void AppendWindows1252AsUtf8(std::string_view text, std::string& out) {
  // The UTF-8 of each byte from 128 up: its length, then its bytes.
  static const std::array<std::array<char, 4>, 128> kUtf8 = [] {
    std::array<std::array<char, 4>, 128> table{};
    for (int byte = 0x80; byte <= 0xFF; ++byte) {
      std::string sequence;
      AppendUtf8(Windows1252Code(static_cast<unsigned char>(byte)), sequence);
      table[byte - 0x80][0] = static_cast<char>(sequence.size());
      std::copy(sequence.begin(), sequence.end(), table[byte - 0x80].begin() + 1);
    }
    return table;
  }();
  out.reserve(out.size() + text.size() + text.size() / 8);
  size_t i = 0;
  while (i < text.size()) {
    size_t run = i;
    while (run < text.size() && static_cast<unsigned char>(text[run]) < 0x80) ++run;
    out.append(text, i, run - i);
    if (run == text.size()) break;
    const std::array<char, 4>& sequence = kUtf8[static_cast<unsigned char>(text[run]) - 0x80];
    out.append(sequence.data() + 1, static_cast<size_t>(sequence[0]));
    i = run + 1;
  }
}

}  // namespace orv
