// The list handlers: nesting, kinds and counters per level, number labels
// (decimal, letters, roman) and bullets per level, definition lists.
#include "convert/lists.h"

#include "common/text.h"
#include "convert/detag.h"
#include "convert/detag_handlers.h"

namespace orv {

namespace {

constexpr int kErrorLevel = 10;

bool IsNumbered(int kind) { return kind >= kDecimalList && kind <= kUpperRomanList; }

std::optional<std::string> Attribute(std::string_view tag, std::string_view name) {
  std::string value;
  if (!GetTagAttribute(tag, name, value)) return std::nullopt;
  return value;
}

// The tag name after "<", in lower case: "ul", "li", "dd" and so on.
std::string TagName(std::string_view tag) {
  size_t i = tag.empty() || tag[0] != '<' ? 0 : 1;
  std::string name;
  for (; i < tag.size() && !IsBlank(tag[i]) && tag[i] != '>' && tag[i] != '/'; ++i)
    name += ToLowerAscii(tag[i]);
  return name;
}

// Opens one nesting level of `kind`; refused at the deepest level.
bool OpenLevel(ListState& state, int kind, int counter, const ReportFunction& report) {
  if (state.depth >= kMaxListDepth) {
    if (report) report("PROGRAM ERROR: Max list depth reached", kErrorLevel);
    return false;
  }
  ++state.depth;
  state.kinds[state.depth] = kind;
  state.counters[state.depth] = counter;
  return true;
}

}  // namespace

ListKind OrderedListKind(const std::optional<std::string>& type) {
  if (!type) return kDecimalList;
  if (*type == "a") return kLowerLetterList;
  if (*type == "A") return kUpperLetterList;
  if (*type == "i") return kLowerRomanList;
  if (*type == "I") return kUpperRomanList;
  return kDecimalList;
}

std::optional<int> ParseListInteger(std::string_view text) {
  text = TrimView(text);
  bool negative = false;
  if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
    negative = text[0] == '-';
    text.remove_prefix(1);
  }
  // Nine digits at most, so counting on from the number cannot overflow.
  if (text.empty() || text.size() > 9) return std::nullopt;
  int value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

std::string LetterNumber(int number, bool upper) {
  if (number < 1 || number > 26 + 26 * 26 + 26 * 26 * 26) return std::string();
  std::string letters;
  while (number > 0) {
    --number;
    letters.insert(letters.begin(), static_cast<char>((upper ? 'A' : 'a') + number % 26));
    number /= 26;
  }
  return letters;
}

std::string RomanNumber(int number, bool upper) {
  if (number < 1 || number > 3999) return std::string();
  static const char* const kThousands[] = {"", "m", "mm", "mmm"};
  static const char* const kHundreds[] = {"",  "c",  "cc",  "ccc",  "cd",
                                          "d", "dc", "dcc", "dccc", "cm"};
  static const char* const kTens[] = {"", "x", "xx", "xxx", "xl", "l", "lx", "lxx", "lxxx", "xc"};
  static const char* const kUnits[] = {"", "i", "ii", "iii", "iv", "v", "vi", "vii", "viii", "ix"};
  std::string roman = kThousands[number / 1000];
  roman += kHundreds[number / 100 % 10];
  roman += kTens[number / 10 % 10];
  roman += kUnits[number % 10];
  return upper ? ToUpper(roman) : roman;
}

std::string ListNumberLabel(int number, int kind) {
  std::string label;
  switch (kind) {
    case kLowerLetterList: label = LetterNumber(number, false); break;
    case kUpperLetterList: label = LetterNumber(number, true); break;
    case kLowerRomanList: label = RomanNumber(number, false); break;
    case kUpperRomanList: label = RomanNumber(number, true); break;
    default: break;
  }
  // An item number must not vanish: what the kind cannot write is decimal.
  return label.empty() ? std::to_string(number) : label;
}

std::string ListBullet(std::string_view bullet_characters, int depth) {
  if (depth >= 1) {
    const std::vector<std::string> entries = Split(bullet_characters, ',');
    if (static_cast<size_t>(depth) <= entries.size()) {
      const std::string entry = Trim(entries[static_cast<size_t>(depth) - 1]);
      if (EqualsNoCase(entry, "middot")) return "\xB7 ";
      if (!entry.empty()) return entry + " ";
    }
  }
  return "- ";
}

int HandleListTag(PatternList& list, long start, long end, const std::string& text, intptr_t code,
                  ListState& state, const DetagMarkers& markers, std::string_view bullet_characters,
                  const ReportFunction& report) {
  if (start < 0 || end < start || static_cast<size_t>(end) >= text.size()) return ActionNone;
  const std::string_view tag = std::string_view(text).substr(static_cast<size_t>(start),
                                                             static_cast<size_t>(end - start + 1));
  const std::string name = TagName(tag);
  std::string replacement;

  switch (code) {
    case kListOpen: {
      int kind = kBulletedList;
      int counter = 0;
      if (name == "ol") {
        kind = OrderedListKind(Attribute(tag, "type"));
        if (const auto first = Attribute(tag, "start"))
          if (const auto number = ParseListInteger(*first)) counter = *number - 1;
      }
      if (OpenLevel(state, kind, counter, report)) replacement = markers.start_list;
      break;
    }

    case kListEnd: {
      if (state.depth <= 0) {
        if (report) report("PROGRAM ERROR: Too many end list tags", kErrorLevel);
        break;
      }
      while (state.depth > 0 && state.kinds[state.depth] == kDefinitionIndent) {
        replacement += markers.end_list;
        --state.depth;
      }
      if (state.depth > 0) {
        replacement += markers.end_list;
        --state.depth;
      }
      break;
    }

    case kListItem: {
      const bool description = name == "dd";
      // A description stands one level deeper than its term; the next term
      // comes back out. Only a level a description opened is closed, so a
      // nested list inside a description is never closed by its own terms.
      if (description && state.kinds[state.depth] != kDefinitionIndent) {
        if (OpenLevel(state, kDefinitionIndent, 0, report)) replacement += markers.start_list;
      } else if (name == "dt" && state.depth > 0 && state.kinds[state.depth] == kDefinitionIndent) {
        replacement += markers.end_list;
        --state.depth;
      }
      // Terms and descriptions have no label for the layout step to hang,
      // so they take a line of their own without the list-item tag, which
      // would hang their first word instead.
      replacement += name == "li" ? markers.list_item : markers.statement;
      const int depth = state.depth;
      ++state.counters[depth];
      if (name == "li") {
        const int kind = state.kinds[depth];
        if (IsNumbered(kind)) {
          int number = state.counters[depth];
          if (const auto value = Attribute(tag, "value"))
            if (const auto parsed = ParseListInteger(*value)) number = *parsed;
          replacement += ListNumberLabel(number, kind);
          replacement += ") ";
        } else {
          replacement += ListBullet(bullet_characters, depth);
        }
      }
      state.last_was_description = description;
      break;
    }

    default: return ActionNone;
  }
  return list.ReplaceMatch(replacement);
}

void InstallListHandlers(DetagPass& pass) {
  pass.HandlerSlots().lists = [&pass](PatternList& list, const Pattern&, long start, long end,
                                      const std::string& text, size_t, void* data) {
    return HandleListTag(list, start, end, text, DataCode(data), pass.MutableListState(),
                         pass.Markers(), pass.Options().bullet_characters, pass.Reporter());
  };
}

}  // namespace orv
