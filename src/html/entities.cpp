// The entity table and the entity replacement pass.
#include "html/entities.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <unordered_map>

#include "html/charset.h"
#include "html/html5_entities.h"

namespace orv {

namespace {

struct EntityName {
  std::string_view name;
  int code;
};

// clang-format off
// HTML 4.01: Latin-1, then symbols and Greek, then special characters, then
// the four upper-case spellings that documents commonly use.
constexpr EntityName kEntities[] = {
    // Latin-1 (160 to 255).
    {"nbsp", 160}, {"iexcl", 161}, {"cent", 162}, {"pound", 163}, {"curren", 164},
    {"yen", 165}, {"brvbar", 166}, {"sect", 167}, {"uml", 168}, {"copy", 169}, {"ordf", 170},
    {"laquo", 171}, {"not", 172}, {"shy", 173}, {"reg", 174}, {"macr", 175}, {"deg", 176},
    {"plusmn", 177}, {"sup2", 178}, {"sup3", 179}, {"acute", 180}, {"micro", 181},
    {"para", 182}, {"middot", 183}, {"cedil", 184}, {"sup1", 185}, {"ordm", 186},
    {"raquo", 187}, {"frac14", 188}, {"frac12", 189}, {"frac34", 190}, {"iquest", 191},
    {"Agrave", 192}, {"Aacute", 193}, {"Acirc", 194}, {"Atilde", 195}, {"Auml", 196},
    {"Aring", 197}, {"AElig", 198}, {"Ccedil", 199}, {"Egrave", 200}, {"Eacute", 201},
    {"Ecirc", 202}, {"Euml", 203}, {"Igrave", 204}, {"Iacute", 205}, {"Icirc", 206},
    {"Iuml", 207}, {"ETH", 208}, {"Ntilde", 209}, {"Ograve", 210}, {"Oacute", 211},
    {"Ocirc", 212}, {"Otilde", 213}, {"Ouml", 214}, {"times", 215}, {"Oslash", 216},
    {"Ugrave", 217}, {"Uacute", 218}, {"Ucirc", 219}, {"Uuml", 220}, {"Yacute", 221},
    {"THORN", 222}, {"szlig", 223}, {"agrave", 224}, {"aacute", 225}, {"acirc", 226},
    {"atilde", 227}, {"auml", 228}, {"aring", 229}, {"aelig", 230}, {"ccedil", 231},
    {"egrave", 232}, {"eacute", 233}, {"ecirc", 234}, {"euml", 235}, {"igrave", 236},
    {"iacute", 237}, {"icirc", 238}, {"iuml", 239}, {"eth", 240}, {"ntilde", 241},
    {"ograve", 242}, {"oacute", 243}, {"ocirc", 244}, {"otilde", 245}, {"ouml", 246},
    {"divide", 247}, {"oslash", 248}, {"ugrave", 249}, {"uacute", 250}, {"ucirc", 251},
    {"uuml", 252}, {"yacute", 253}, {"thorn", 254}, {"yuml", 255},
    // Symbols, mathematical symbols and Greek letters.
    {"fnof", 402}, {"Alpha", 913}, {"Beta", 914}, {"Gamma", 915}, {"Delta", 916},
    {"Epsilon", 917}, {"Zeta", 918}, {"Eta", 919}, {"Theta", 920}, {"Iota", 921},
    {"Kappa", 922}, {"Lambda", 923}, {"Mu", 924}, {"Nu", 925}, {"Xi", 926}, {"Omicron", 927},
    {"Pi", 928}, {"Rho", 929}, {"Sigma", 931}, {"Tau", 932}, {"Upsilon", 933}, {"Phi", 934},
    {"Chi", 935}, {"Psi", 936}, {"Omega", 937}, {"alpha", 945}, {"beta", 946},
    {"gamma", 947}, {"delta", 948}, {"epsilon", 949}, {"zeta", 950}, {"eta", 951},
    {"theta", 952}, {"iota", 953}, {"kappa", 954}, {"lambda", 955}, {"mu", 956}, {"nu", 957},
    {"xi", 958}, {"omicron", 959}, {"pi", 960}, {"rho", 961}, {"sigmaf", 962},
    {"sigma", 963}, {"tau", 964}, {"upsilon", 965}, {"phi", 966}, {"chi", 967}, {"psi", 968},
    {"omega", 969}, {"thetasym", 977}, {"upsih", 978}, {"piv", 982}, {"bull", 8226},
    {"hellip", 8230}, {"prime", 8242}, {"Prime", 8243}, {"oline", 8254}, {"frasl", 8260},
    {"weierp", 8472}, {"image", 8465}, {"real", 8476}, {"trade", 8482}, {"alefsym", 8501},
    {"larr", 8592}, {"uarr", 8593}, {"rarr", 8594}, {"darr", 8595}, {"harr", 8596},
    {"crarr", 8629}, {"lArr", 8656}, {"uArr", 8657}, {"rArr", 8658}, {"dArr", 8659},
    {"hArr", 8660}, {"forall", 8704}, {"part", 8706}, {"exist", 8707}, {"empty", 8709},
    {"nabla", 8711}, {"isin", 8712}, {"notin", 8713}, {"ni", 8715}, {"prod", 8719},
    {"sum", 8721}, {"minus", 8722}, {"lowast", 8727}, {"radic", 8730}, {"prop", 8733},
    {"infin", 8734}, {"ang", 8736}, {"and", 8743}, {"or", 8744}, {"cap", 8745},
    {"cup", 8746}, {"int", 8747}, {"there4", 8756}, {"sim", 8764}, {"cong", 8773},
    {"asymp", 8776}, {"ne", 8800}, {"equiv", 8801}, {"le", 8804}, {"ge", 8805},
    {"sub", 8834}, {"sup", 8835}, {"nsub", 8836}, {"sube", 8838}, {"supe", 8839},
    {"oplus", 8853}, {"otimes", 8855}, {"perp", 8869}, {"sdot", 8901}, {"lceil", 8968},
    {"rceil", 8969}, {"lfloor", 8970}, {"rfloor", 8971}, {"lang", 9001}, {"rang", 9002},
    {"loz", 9674}, {"spades", 9824}, {"clubs", 9827}, {"hearts", 9829}, {"diams", 9830},
    // Markup-significant and internationalisation characters.
    {"quot", 34}, {"amp", 38}, {"lt", 60}, {"gt", 62}, {"OElig", 338}, {"oelig", 339},
    {"Scaron", 352}, {"scaron", 353}, {"Yuml", 376}, {"circ", 710}, {"tilde", 732},
    {"ensp", 8194}, {"emsp", 8195}, {"thinsp", 8201}, {"zwnj", 8204}, {"zwj", 8205},
    {"lrm", 8206}, {"rlm", 8207}, {"ndash", 8211}, {"mdash", 8212}, {"lsquo", 8216},
    {"rsquo", 8217}, {"sbquo", 8218}, {"ldquo", 8220}, {"rdquo", 8221}, {"bdquo", 8222},
    {"dagger", 8224}, {"Dagger", 8225}, {"permil", 8240}, {"lsaquo", 8249},
    {"rsaquo", 8250}, {"euro", 8364},
    // Upper-case spellings.
    {"AMP", 38}, {"GT", 62}, {"LT", 60}, {"NBSP", 160}};

// Plain-ASCII or Windows-1252 stand-ins used with ANSI alternatives on.
struct Alternative {
  int code;
  std::string_view text;
};
constexpr Alternative kAlternatives[] = {
    {149, "o"},      {150, "-"},      {151, "--"},     {160, " "},      {166, ":"},
    {173, "-"},      {180, "'"},      {8194, " "},     {8195, "  "},    {8208, "-"},
    {8209, "-"},     {8211, "-"},     {8212, "--"},    {8214, "||"},    {8216, "`"},
    {8217, "'"},     {8220, "'"},     {8221, "''"},    {8224, "\x86"},  {8225, "\x87"},
    {8226, "\x95"},  {8230, "\x85"},  {8242, "'"},     {8243, "\""},    {8249, "<"},
    {8250, ">"},     {8260, "/"},     {8465, "I"},     {8472, "P"},     {8476, "R"},
    {8482, "-TM-"},  {8592, "<-"},    {8594, "->"},    {8596, "<->"},   {8722, "-"},
    {8727, "*"},     {8764, "~"},     {8901, "\xB7"}};
// clang-format on

const std::unordered_map<std::string_view, int>& NameToCodeMap() {
  static const std::unordered_map<std::string_view, int> map = [] {
    std::unordered_map<std::string_view, int> m;
    for (const EntityName& e : kEntities) m.emplace(e.name, e.code);
    return m;
  }();
  return map;
}

const std::unordered_map<int, std::string_view>& CodeToNameMap() {
  static const std::unordered_map<int, std::string_view> map = [] {
    std::unordered_map<int, std::string_view> m;
    for (const EntityName& e : kEntities) m.emplace(e.code, e.name);  // first name wins
    return m;
  }();
  return map;
}

const std::unordered_map<int, std::string_view>& AlternativeMap() {
  static const std::unordered_map<int, std::string_view> map = [] {
    std::unordered_map<int, std::string_view> m;
    for (const Alternative& a : kAlternatives) m.emplace(a.code, a.text);
    return m;
  }();
  return map;
}

// The names of the current HTML standard that the entity table lacks.
const std::unordered_map<std::string_view, std::pair<int, int>>& Html5NameMap() {
  static const std::unordered_map<std::string_view, std::pair<int, int>> map = [] {
    std::unordered_map<std::string_view, std::pair<int, int>> m;
    for (const Html5Entity& e : Html5Entities())
      m.emplace(e.name, std::pair<int, int>(static_cast<int>(e.first), static_cast<int>(e.second)));
    return m;
  }();
  return map;
}

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return 99;
}

// The digits after "#": decimal, or hexadecimal after "x" or "X"; nullopt
// when empty, not all digits or too large to be a character.
std::optional<int> ParseNumericReference(std::string_view digits) {
  int base = 10;
  if (!digits.empty() && (digits.front() == 'x' || digits.front() == 'X')) {
    base = 16;
    digits.remove_prefix(1);
  }
  if (digits.empty()) return std::nullopt;
  long value = 0;
  for (char c : digits) {
    const int digit = DigitValue(c);
    if (digit >= base) return std::nullopt;
    value = value * base + digit;
    if (value > 0x10FFFF) return std::nullopt;
  }
  return static_cast<int>(value);
}

// Characters that would turn escaped text into markup when HTML is written.
bool IsMarkupCharacter(char c) { return c == '<' || c == '>' || c == '&' || c == '"'; }

bool ContainsMarkupCharacter(std::string_view text) {
  for (char c : text)
    if (IsMarkupCharacter(c)) return true;
  return false;
}

// A code point that is a reference to something no output can carry: the
// NUL character and the UTF-16 surrogate halves, which have no UTF-8 form.
bool IsUnwritable(int code) {
  return code == 0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF;
}

}  // namespace

std::optional<std::pair<int, int>> ReferenceToCodes(std::string_view reference) {
  if (!reference.empty() && reference.front() == '&') reference.remove_prefix(1);
  if (!reference.empty() && reference.back() == ';') reference.remove_suffix(1);
  if (reference.empty()) return std::nullopt;
  if (reference.front() == '#') {
    const std::optional<int> code = ParseNumericReference(reference.substr(1));
    if (!code) return std::nullopt;
    return std::pair<int, int>(*code, 0);
  }
  const auto& map = NameToCodeMap();
  if (auto it = map.find(reference); it != map.end()) return std::pair<int, int>(it->second, 0);
  const auto& html5 = Html5NameMap();
  if (auto it = html5.find(reference); it != html5.end()) return it->second;
  return std::nullopt;
}

namespace {

// The code of a name that a browser reads without its ';' in a
// document's text, or nothing.
std::optional<int> LegacyNameCode(std::string_view name) {
  struct Named {
    std::string_view name;
    int code;
  };
  static constexpr Named kOthers[] = {{"amp", 38},   {"lt", 60},  {"gt", 62}, {"quot", 34},
                                      {"AMP", 38},   {"LT", 60},  {"GT", 62}, {"QUOT", 34},
                                      {"COPY", 169}, {"REG", 174}};
  for (const Named& other : kOthers)
    if (name == other.name) return other.code;
  const auto& map = NameToCodeMap();
  const auto it = map.find(name);
  if (it == map.end() || it->second < 160 || it->second > 255 || name == "NBSP")
    return std::nullopt;
  return it->second;
}

struct LegacyReference {
  int code;
  size_t end;  // one past its last character
};

// The reference without a ';' that begins with the '&' at `amp`, if any:
// "&#" and digits (or "&#x" and hexadecimal digits), or the longest name
// of the legacy list.
std::optional<LegacyReference> LegacyReferenceAt(std::string_view text, size_t amp) {
  constexpr size_t kLongestLegacyName = 6;  // "frac12", "middot"
  constexpr size_t kMostDigits = 7;
  size_t at = amp + 1;
  if (at < text.size() && text[at] == '#') {
    ++at;
    const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
    const size_t digits_start = hex ? at + 1 : at;
    size_t end = digits_start;
    while (end < text.size() && end - digits_start <= kMostDigits &&
           (hex ? std::isxdigit(static_cast<unsigned char>(text[end]))
                : std::isdigit(static_cast<unsigned char>(text[end]))))
      ++end;
    if (end == digits_start || end - digits_start > kMostDigits) return std::nullopt;
    const std::optional<int> code = ParseNumericReference(text.substr(at, end - at));
    if (!code || *code == 0) return std::nullopt;
    return LegacyReference{*code, end};
  }
  for (size_t length = std::min(kLongestLegacyName, text.size() - at); length >= 2; --length) {
    const std::string_view name = text.substr(at, length);
    if (const std::optional<int> code = LegacyNameCode(name))
      return LegacyReference{*code, at + length};
  }
  return std::nullopt;
}

}  // namespace

std::optional<int> EntityNameToCode(std::string_view reference) {
  const std::optional<std::pair<int, int>> codes = ReferenceToCodes(reference);
  if (!codes || codes->second != 0) return std::nullopt;
  return codes->first;
}

std::string DecodeAttributeValue(std::string_view value) {
  std::string text(value);
  if (text.find('&') == std::string::npos) return text;
  bool unicode = false;
  ReplaceEntities(text, EntityOptions{true, false, false}, unicode);
  return text;
}

std::optional<std::string> CodeToEntityReference(int code) {
  const auto& map = CodeToNameMap();
  auto it = map.find(code);
  if (it == map.end()) return std::nullopt;
  std::string out = "&";
  out += it->second;
  out += ';';
  return out;
}

namespace {

// Length of the valid UTF-8 sequence at the start of `text`, or 0.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&text](size_t k) { return static_cast<unsigned char>(text[k]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  uint32_t lowest = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    lowest = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    lowest = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    lowest = 0x10000;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  uint32_t code = lead & (0x7F >> length);
  for (size_t k = 1; k < length; ++k) {
    if ((byte(k) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(k) & 0x3F);
  }
  if (code < lowest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
  return length;
}

}  // namespace

size_t NextHighByte(std::string_view text, size_t from) {
  constexpr uint64_t kHighBits = 0x8080808080808080ULL;
  size_t i = from;
  // Thirty-two bytes a step while none is high, then eight.
  for (; i + 32 <= text.size(); i += 32) {
    uint64_t words[4];
    std::memcpy(words, text.data() + i, 32);
    if (((words[0] | words[1] | words[2] | words[3]) & kHighBits) != 0) break;
  }
  for (; i + 8 <= text.size(); i += 8) {
    uint64_t word;
    std::memcpy(&word, text.data() + i, 8);
    if ((word & kHighBits) != 0) break;
  }
  while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = NextHighByte(text, 0); i < text.size(); i = NextHighByte(text, i)) {
    const size_t length = Utf8SequenceLength(text.substr(i));
    if (length == 0) return false;
    i += length;
  }
  return true;
}

size_t AppendAsUtf8(std::string_view text, std::string& out) {
  size_t converted = 0;
  size_t i = 0;
  while (i < text.size()) {
    // Plain ASCII goes across in runs.
    const size_t run = NextHighByte(text, i);
    out.append(text, i, run - i);
    i = run;
    if (i >= text.size()) break;
    const size_t length = Utf8SequenceLength(text.substr(i));
    if (length > 0) {
      out.append(text, i, length);
      i += length;
      continue;
    }
    const unsigned char byte = static_cast<unsigned char>(text[i]);
    AppendUtf8(Windows1252Code(byte), out);
    ++converted;
    ++i;
  }
  return converted;
}

void RestoreHeldFF(std::string& text) {
  for (size_t at = text.find(kHeldFF); at != std::string::npos; at = text.find(kHeldFF, at + 1))
    text[at] = '\xFF';
}

bool AppendUtf8(int code, std::string& out) {
  if (code < 0 || code > 0x10FFFF) return false;
  if (code < 128) {
    out += static_cast<char>(code);
  } else if (code < 2048) {
    out += static_cast<char>(0xC0 | (code >> 6));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code > 65535) {
    out += static_cast<char>(0xF0 | (code >> 18));
    out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (code >> 12));
    out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return true;
}

size_t EntityTableSize() { return std::size(kEntities); }

int ReplaceEntities(std::string& text, const EntityOptions& options, bool& unicode_output,
                    const EntityReporter& report) {
  if (text.find('&') == std::string::npos) return 0;
  if (!options.text_content && text.find(';') == std::string::npos) return 0;

  // The text is rewritten in place while every replacement is no longer
  // than its reference (nearly always): `kept` is where the next kept byte
  // goes. A longer one moves the rest of the work to a copy, `out`.
  std::string out;
  bool copying = false;
  size_t kept = 0;
  int replacements = 0;
  int unwritable = 0;
  std::string first_unwritable;

  char* const data = text.data();
  const size_t size = text.size();
  size_t copied = 0;  // text[copied, pos) is still to be kept
  size_t pos = 0;
  while (pos < size) {
    const void* hit = std::memchr(data + pos, '&', size - pos);
    if (hit == nullptr) break;
    const size_t amp = static_cast<size_t>(static_cast<const char*>(hit) - data);
    pos = amp + 1;  // where the scan goes on unless a reference is replaced

    // The ";" must lie within the window; looking no further keeps the pass
    // linear however many "&" the text holds.
    const size_t window_end = std::min(size, amp + 2 + kMaxReferenceName);
    size_t semi = amp + 1;
    while (semi < window_end && data[semi] != ';') ++semi;
    std::optional<std::pair<int, int>> codes;
    size_t end = semi + 1;  // one past the reference
    if (semi < window_end) codes = ReferenceToCodes(std::string_view(data + amp, end - amp));
    if (!codes && options.text_content) {
      const std::optional<LegacyReference> legacy =
          LegacyReferenceAt(std::string_view(data, size), amp);
      if (legacy) {
        codes = std::pair<int, int>(legacy->code, 0);
        end = legacy->end;
      }
    }
    if (!codes) continue;
    const std::string_view reference(data + amp, end - amp);
    const std::optional<int> code = codes->first;
    if (IsUnwritable(*code)) {
      if (unwritable++ == 0) first_unwritable = std::string(reference);
      continue;
    }

    std::string replacement;
    if (codes->second != 0) {
      // A name for two characters (a letter and its combining mark).
      AppendUtf8(*code, replacement);
      AppendUtf8(codes->second, replacement);
      unicode_output = true;
    } else if (*code == 38) {
      replacement = "&";
    } else if (auto alt = AlternativeMap().find(*code);
               options.allow_ansi_alternatives && alt != AlternativeMap().end()) {
      replacement = std::string(alt->second);
    } else if (*code < 128) {
      replacement = std::string(1, static_cast<char>(*code));
    } else if (*code < 256 && options.allow_8bit) {
      replacement = std::string(1, static_cast<char>(*code));
    } else {
      AppendUtf8(*code, replacement);
      unicode_output = true;
    }
    // Written-back HTML keeps escaped markup escaped.
    if (!options.text_output && ContainsMarkupCharacter(replacement)) continue;
    if (options.utf8_text && replacement.size() == 1 && (replacement[0] & 0x80) != 0) {
      const unsigned char byte = static_cast<unsigned char>(replacement[0]);
      replacement.clear();
      AppendUtf8(Windows1252Code(byte), replacement);
    }
    if (replacement.size() == 1 && replacement[0] == '\xFF') replacement[0] = kHeldFF;

    if (!copying && replacement.size() > end - amp) {
      copying = true;
      out.reserve(size + size / 8);
      out.append(data, kept);
      kept = 0;
    }
    if (copying) {
      out.append(data + copied, amp - copied);
      out += replacement;
    } else {
      // Everything from `copied` on is still as it was: `kept` never
      // passes it.
      if (kept != copied) std::memmove(data + kept, data + copied, amp - copied);
      kept += amp - copied;
      std::memcpy(data + kept, replacement.data(), replacement.size());
      kept += replacement.size();
    }
    ++replacements;
    pos = end;
    copied = pos;
  }
  if (copying) {
    out.append(data + copied, size - copied);
    text = std::move(out);
  } else if (replacements > 0) {
    if (kept != copied) std::memmove(data + kept, data + copied, size - copied);
    text.resize(kept + (size - copied));
  }

  if (unwritable > 0 && report) {
    if (unwritable == 1)
      report("WARNING: Character reference " + first_unwritable +
                 " cannot be written and is left as it is",
             7);
    else
      report("WARNING: " + std::to_string(unwritable) +
                 " character references cannot be written and are left as they are (the first is " +
                 first_unwritable + ")",
             7);
  }
  return replacements;
}

}  // namespace orv
