// The list handlers: nesting, kinds and counters per level, number labels
// (decimal, letters, roman) and bullets per level, definition lists.
#include "convert/lists.h"

#include <algorithm>

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

bool IsTagNameEnd(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '>'; }

// Whether the tag at `pos` ("<" then `name`, any case) is one the list
// patterns take: the name followed by white space or ">", or for an end
// tag ("/" in `name`) by ">" alone.
bool IsListTag(std::string_view text, size_t pos, std::string_view name) {
  const size_t after = pos + 1 + name.size();
  if (after >= text.size() || !EqualsNoCase(text.substr(pos + 1, name.size()), name)) return false;
  return name[0] == '/' ? text[after] == '>' : IsTagNameEnd(text[after]);
}

}  // namespace

namespace {

// The widest label of the numbered list whose opening tag starts at
// `start` in `text`, measuring the whole text at the first call for it.
int MeasuredWidth(ListState& state, const std::string& text, long start) {
  // The lists from this one to the end of the outermost list around it
  // are measured at once; a later list past them starts a new stretch.
  if (state.measured_text != text.data() || state.measured_size != text.size() ||
      static_cast<size_t>(start) >= state.measured_end) {
    size_t end = 0;
    state.measured_widths =
        MeasureListLabels(std::string_view(text).substr(static_cast<size_t>(start)), &end);
    for (auto& [offset, width] : state.measured_widths) offset += start;
    state.measured_text = text.data();
    state.measured_size = text.size();
    state.measured_end = static_cast<size_t>(start) + std::max<size_t>(end, 1);
  }
  const auto& widths = state.measured_widths;
  const auto found = std::lower_bound(widths.begin(), widths.end(), std::make_pair(start, 0));
  return found != widths.end() && found->first == start ? found->second : 0;
}

}  // namespace

std::vector<std::pair<long, int>> MeasureListLabels(std::string_view text, size_t* end) {
  // One entry per open list: where its width goes in the result (or -1 for
  // a list without numbers), its kind and its counter.
  struct Open {
    long slot;
    int kind;
    int counter;
  };
  std::vector<Open> open;
  std::vector<std::pair<long, int>> widths;
  for (size_t pos = text.find('<'); pos != std::string_view::npos; pos = text.find('<', pos + 1)) {
    if (pos + 3 >= text.size()) break;
    const char first = ToLowerAscii(text[pos + 1]);
    if (first != 'o' && first != 'u' && first != 'd' && first != 'l' && first != '/') continue;
    if (IsListTag(text, pos, "ol")) {
      const size_t close = text.find('>', pos);
      if (close == std::string_view::npos) break;
      const std::string_view tag = text.substr(pos, close - pos + 1);
      int counter = 0;
      if (const auto start = Attribute(tag, "start"))
        if (const auto number = ParseListInteger(*start)) counter = *number - 1;
      widths.emplace_back(static_cast<long>(pos), 0);
      open.push_back({static_cast<long>(widths.size() - 1), OrderedListKind(Attribute(tag, "type")),
                      counter});
    } else if (IsListTag(text, pos, "ul") || IsListTag(text, pos, "dl")) {
      open.push_back({-1, kBulletedList, 0});
    } else if (IsListTag(text, pos, "/ol") || IsListTag(text, pos, "/ul") ||
               IsListTag(text, pos, "/dl")) {
      if (!open.empty()) open.pop_back();
      if (open.empty() && end != nullptr) {
        *end = pos;
        return widths;
      }
    } else if (IsListTag(text, pos, "li") && !open.empty() && open.back().slot >= 0) {
      Open& list = open.back();
      int number = ++list.counter;
      const size_t close = text.find('>', pos);
      if (close == std::string_view::npos) break;
      if (const auto value = Attribute(text.substr(pos, close - pos + 1), "value"))
        if (const auto parsed = ParseListInteger(*value)) number = *parsed;
      const int width = static_cast<int>(ListNumberLabel(number, list.kind).size()) + 1;
      int& widest = widths[static_cast<size_t>(list.slot)].second;
      widest = std::max(widest, width);
    }
  }
  if (end != nullptr) *end = text.size();
  return widths;
}

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
    if (const auto field = FieldOf(bullet_characters, ',', static_cast<size_t>(depth) - 1)) {
      const std::string_view entry = TrimView(*field);
      if (EqualsNoCase(entry, "middot")) return "\xB7 ";
      if (!entry.empty()) return std::string(entry) + " ";
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
      if (OpenLevel(state, kind, counter, report)) {
        replacement = markers.start_list;
        state.label_widths[state.depth] = name == "ol" ? MeasuredWidth(state, text, start) : 0;
      }
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
          const std::string label = ListNumberLabel(number, kind) + ")";
          const int width = state.label_widths[depth];
          if (static_cast<int>(label.size()) < width)
            replacement.append(static_cast<size_t>(width) - label.size(), kLabelPad);
          replacement += label;
          replacement += ' ';
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

int JoinItemParagraphs(std::string& text, const DetagMarkers& markers) {
  const std::string_view item = markers.list_item;
  const std::string_view paragraph = markers.paragraph;
  // A label is one word; anything longer is item text.
  constexpr size_t kLongestLabel = 64;
  auto white = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
  std::string out;
  size_t copied = 0;
  int joined = 0;
  // "[[LI]]" is rarer than the 0xFF bytes of the marks: it is looked for,
  // and the mark in front of it checked.
  const std::string_view tag = item.substr(markers.statement.size());
  auto find_item = [&](size_t from) {
    for (size_t at = text.find(tag, from + markers.statement.size()); at != std::string::npos;
         at = text.find(tag, at + 1)) {
      const size_t mark = at - markers.statement.size();
      if (std::string_view(text).substr(mark, markers.statement.size()) == markers.statement)
        return mark;
    }
    return std::string::npos;
  };
  for (size_t pos = find_item(0); pos != std::string::npos;) {
    const size_t label = pos + item.size();
    size_t label_end = label;
    while (label_end < text.size() && text[label_end] == kLabelPad) ++label_end;
    while (label_end < text.size() && label_end - label < kLongestLabel &&
           !white(text[label_end]) && text[label_end] != '\xFF')
      ++label_end;
    size_t after = label_end;
    while (after < text.size() && white(text[after])) ++after;
    size_t next = label;
    const bool opens_paragraph =
        std::string_view(text).substr(after, paragraph.size()) == paragraph;
    // The text may also start on the next source line.
    const bool on_next_line = after < text.size() && text[after] != '\xFF' &&
                              std::string_view(text).substr(label_end, after - label_end).find('\n') !=
                                  std::string_view::npos;
    if (label_end > label && (opens_paragraph || on_next_line)) {
      // The paragraph's alignment marker goes in front of the item, where
      // the layout step reads it, and the text follows the label.
      std::string_view marker;
      size_t text_from = after;
      if (opens_paragraph) {
        text_from = after + paragraph.size();
        for (std::string_view candidate : {"[[LEFT]]", "[[CENTER]]", "[[RIGHT]]", "[[JUSTIFY]]"})
          if (std::string_view(text).substr(text_from, candidate.size()) == candidate)
            marker = candidate;
        text_from += marker.size();
        while (text_from < text.size() && white(text[text_from])) ++text_from;
      }
      if (out.empty()) out.reserve(text.size());
      const size_t tag = pos + markers.statement.size();
      out.append(text, copied, tag - copied);
      out += marker;
      out.append(text, tag, label_end - tag);
      out += ' ';
      copied = text_from;
      next = copied;
      ++joined;
    }
    pos = find_item(next);
  }
  if (joined == 0) return 0;
  out.append(text, copied, std::string::npos);
  text.swap(out);
  return joined;
}

void InstallListHandlers(DetagPass& pass) {
  pass.HandlerSlots().lists = [&pass](PatternList& list, const Pattern&, long start, long end,
                                      const std::string& text, size_t, void* data) {
    return HandleListTag(list, start, end, text, DataCode(data), pass.MutableListState(),
                         pass.Markers(), pass.Options().bullet_characters, pass.Reporter());
  };
}

}  // namespace orv
