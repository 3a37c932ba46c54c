// Character-set name classes and the ellipsis rule.
#include "html/charset.h"

#include "common/text.h"

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

}  // namespace orv
