// The heading handler (heading sections, underlines, alignment, document
// title) and the emphasis handler (*bold* and _italic_).
#include "convert/headings.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "common/text.h"
#include "convert/detag.h"
#include "convert/detag_handlers.h"
#include "html/detag_options.h"
#include "html/entities.h"
#include "html/tag_scanner.h"

namespace orv {

namespace {

constexpr size_t kUnderlineLength = 60;
constexpr std::string_view kUnknownTitle = "** UNKNOWN **";

std::string_view MatchText(long start, long end, const std::string& text) {
  return std::string_view(text).substr(static_cast<size_t>(start),
                                       static_cast<size_t>(end - start + 1));
}

bool InRange(long start, long end, const std::string& text) {
  return start >= 0 && end >= start && static_cast<size_t>(end) < text.size();
}

// Removes the in-band marks (names between pairs of 0xFF bytes), the
// statements between them and the in-line tags ("[[CENTER]]" and the
// like), leaving a blank for each mark so that the words it separated stay
// apart.
std::string WithoutMarks(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, 2, "\xFF\xFF") == 0) {
      const size_t close = text.find("\xFF\xFF", i + 2);
      i = close == std::string_view::npos ? text.size() : close + 2;
      // A statement between marks ("$_$_START_LIST") is not visible either.
      if (text.compare(i, 4, "$_$_") == 0) {
        const size_t next = text.find("\xFF\xFF", i);
        i = next == std::string_view::npos ? text.size() : next;
      }
      out += ' ';
    } else if (text.compare(i, 2, "[[") == 0) {
      const size_t close = text.find("]]", i + 2);
      if (close == std::string_view::npos) {
        out += text.substr(i);
        break;
      }
      i = close + 2;
    } else {
      out += text[i++];
    }
  }
  return out;
}

// The parts of `text` between occurrences of `separator`.
std::vector<std::string> SplitOn(std::string_view text, std::string_view separator) {
  std::vector<std::string> parts;
  for (size_t from = 0;;) {
    const size_t at = text.find(separator, from);
    parts.emplace_back(text.substr(from, at == std::string_view::npos ? at : at - from));
    if (at == std::string_view::npos) break;
    from = at + separator.size();
  }
  return parts;
}

// Characters in `text`: bytes, except that the continuation bytes of UTF-8
// sequences do not count when `utf8` is set.
size_t CharacterCount(std::string_view text, bool utf8) {
  if (!utf8) return text.size();
  size_t count = 0;
  for (unsigned char c : text)
    if ((c & 0xC0) != 0x80) ++count;
  return count;
}

// Whether `inner` holds an opening tag of element `tag` ("<b>", "<b ...").
bool HoldsOpeningTag(std::string_view inner, std::string_view tag) {
  const std::string opening = "<" + std::string(tag);
  for (size_t at = FindNoCase(inner, opening); at != std::string_view::npos;
       at = FindNoCase(inner, opening, at + 1)) {
    const size_t after = at + opening.size();
    if (after >= inner.size() || inner[after] == '>' || IsBlank(inner[after]) ||
        inner[after] == '/')
      return true;
  }
  return false;
}

bool IsBlankOrNewline(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Whether `text` holds nothing but blanks once its tags are skipped.
bool OnlyBlanksAndTags(std::string_view text) {
  bool in_tag = false;
  for (char c : text) {
    if (in_tag) {
      in_tag = c != '>';
    } else if (c == '<') {
      in_tag = true;
    } else if (!IsBlank(c)) {
      return false;
    }
  }
  return true;
}

}  // namespace

Alignment HeadingAlignment(std::string_view tag) {
  std::string value;
  if (GetTagAttribute(tag, "align", value)) {
    const std::string_view word = TrimView(value);
    if (EqualsNoCase(word, "left")) return Alignment::kLeft;
    if (EqualsNoCase(word, "center")) return Alignment::kCentre;
    if (EqualsNoCase(word, "right")) return Alignment::kRight;
  }
  if (GetTagAttribute(tag, "style", value)) {
    const std::string property = GetStyleProperty(value, "text-align");
    if (EqualsNoCase(property, "center")) return Alignment::kCentre;
    if (EqualsNoCase(property, "right")) return Alignment::kRight;
    if (EqualsNoCase(property, "justify")) return Alignment::kJustify;
  }
  return Alignment::kLeft;
}

std::string HeadingUnderline(std::string_view underlines, int level, size_t length) {
  if (level < 1 || level > 6) return std::string();
  const auto field = FieldOf(underlines, ',', static_cast<size_t>(level) - 1);
  if (!field) return std::string();
  const std::string_view entry = TrimView(*field);
  if (entry.empty()) return std::string();
  // The entry repeated to at least the full length, cut to the heading's.
  const size_t full = (kUnderlineLength + entry.size() - 1) / entry.size() * entry.size();
  const size_t size = std::min(full, length);
  if (entry.size() == 1) return std::string(size, entry[0]);
  std::string underline;
  underline.reserve(full);
  while (underline.size() < size) underline.append(entry);
  underline.resize(size);
  return underline;
}

std::string PlainHeadingText(std::string_view heading, const DetagOptions& options,
                             const TagCatalogue& catalogue, bool* utf8) {
  // Most headings hold no mark, layout tag, tag or reference: their blanks
  // are all there is to tidy.
  if (heading.find_first_of("\xFF[<&") == std::string_view::npos) {
    if (utf8 != nullptr) *utf8 = false;
    return CollapseBlanks(heading);
  }
  std::string plain = WithoutMarks(heading);
  DetagOptions text_mode = options;
  text_mode.remove_all_tags = true;
  RemainingTagPass(plain, text_mode, catalogue, {}, {});
  bool unicode = false;
  ReplaceEntities(plain,
                  EntityOptions{true, options.allow_8bit_ansi, options.allow_ansi_alternatives,
                                false, true},
                  unicode);
  if (utf8 != nullptr) *utf8 = unicode;
  return CollapseBlanks(plain);
}

int HandleHeadingTag(PatternList& list, long start, long end, const std::string& text,
                     intptr_t code, const HeadingContext& context) {
  if (!InRange(start, end, text)) return ActionNone;
  HeadingState& state = context.state;
  const std::string_view tag = MatchText(start, end, text);

  if (code == kHeadingStart) {
    state.start = start;
    state.tag.assign(tag);
    state.level = tag.size() > 2 ? tag[2] - '0' : 0;
    state.alignment = HeadingAlignment(tag);
    return ActionNone;  // the whole heading is replaced at its closing tag
  }
  if (code != kHeadingEnd) return ActionNone;

  // The remembered opening tag belongs to this scan only if it still
  // stands where it was seen, before this closing tag.
  const HeadingState open = state;
  state = HeadingState{};
  const size_t text_from = static_cast<size_t>(open.start) + open.tag.size();
  if (open.start < 0 || text_from > static_cast<size_t>(start) ||
      text.compare(static_cast<size_t>(open.start), open.tag.size(), open.tag) != 0)
    return ActionNone;

  const DetagMarkers& m = context.markers;
  const std::string heading = CollapseBlanks(
      std::string_view(text).substr(text_from, static_cast<size_t>(start) - text_from));
  bool utf8 = false;
  const std::string plain = PlainHeadingText(heading, context.options, context.catalogue, &utf8);
  if (!plain.empty() && (context.title.empty() || context.title == kUnknownTitle))
    context.title = plain;

  std::string replacement;
  const size_t length = CharacterCount(plain, utf8);
  // A heading broken into lines is underlined as long as its longest line.
  size_t underline_length = length;
  if (heading.find(m.line_break) != std::string::npos) {
    underline_length = 0;
    for (const std::string& line : SplitOn(heading, m.line_break)) {
      bool line_utf8 = false;
      const std::string line_plain =
          PlainHeadingText(line, context.options, context.catalogue, &line_utf8);
      underline_length = std::max(underline_length, CharacterCount(line_plain, line_utf8));
    }
  }
  if (length >= kMaxHeadingLength) {
    replacement = m.line_break + heading + m.line_break;
  } else {
    replacement = m.line_break;
    replacement += AlignmentMarker(open.alignment);
    replacement += m.start_heading;
    replacement += heading;
    replacement += m.line_break;
    replacement +=
        HeadingUnderline(context.options.heading_underlines, open.level, underline_length);
    replacement += m.end_heading;
    replacement += "[[LEFT]]";
  }
  return list.ReplaceText(open.start, end, replacement);
}

namespace {

// The replacement of one "<tag>inner</tag>" span without a second opening
// tag of the element inside.
std::string EmphasisReplacement(std::string_view inner, std::string_view tag) {
  std::string before, after;
  if (!inner.empty() && IsBlankOrNewline(inner.front())) {
    before = inner.front();
    inner.remove_prefix(1);
  }
  if (!inner.empty() && IsBlankOrNewline(inner.back())) {
    after = inner.back();
    inner.remove_suffix(1);
  }
  // Marks around nothing visible would show as "**" or "__": only the
  // blanks and tags stay, so neighbouring words remain apart.
  if (OnlyBlanksAndTags(inner)) return before + std::string(inner) + after;
  const char* mark = tag == "b" || tag == "strong" ? "*" : "_";
  std::string replacement = before;
  replacement += mark;
  replacement += inner;
  replacement += mark;
  replacement += after;
  return replacement;
}

}  // namespace

int HandleEmphasis(PatternList& list, long start, long end, const std::string& text,
                   std::string_view tag) {
  if (!InRange(start, end, text)) return ActionNone;
  std::string_view span = MatchText(start, end, text);
  const std::string opening_tag = "<" + std::string(tag) + ">";
  const size_t opening = opening_tag.size();
  const size_t closing = tag.size() + 3;  // "</b>"
  if (span.size() < opening + closing) return ActionNone;
  std::string_view inner = span.substr(opening, span.size() - opening - closing);
  long from = start;
  if (span.size() > kMaxEmphasisSpan || HoldsOpeningTag(inner, tag)) {
    // The scan has passed any inner opening tag, so the closing tag is
    // taken to belong to the last plain opening tag before it, which must
    // be near enough for a span of the allowed length; anything else is
    // left to the remaining-tag pass. Only that near end is searched.
    const size_t near = inner.size() > kMaxEmphasisSpan ? inner.size() - kMaxEmphasisSpan : 0;
    size_t last = std::string_view::npos;
    for (size_t at = FindNoCase(inner, opening_tag, near); at != std::string_view::npos;
         at = FindNoCase(inner, opening_tag, at + 1))
      last = at;
    if (last == std::string_view::npos) return ActionNone;
    span = span.substr(opening + last);
    inner = span.substr(opening, span.size() - opening - closing);
    if (span.size() > kMaxEmphasisSpan || HoldsOpeningTag(inner, tag)) return ActionNone;
    from = start + static_cast<long>(opening + last);
  }
  return list.ReplaceText(from, end, EmphasisReplacement(inner, tag));
}

void InstallHeadingHandlers(DetagPass& pass) {
  // Kept with the handlers: they outlive any one call, and the pass owns
  // the handlers.
  auto state = std::make_shared<HeadingState>();
  DetagHandlerSlots& slots = pass.HandlerSlots();
  slots.headings = [&pass, state](PatternList& list, const Pattern&, long start, long end,
                                  const std::string& text, size_t, void* data) {
    const HeadingContext context{*state, pass.Markers(), pass.Options(), pass.Catalogue(),
                                 pass.MutableInfo().title};
    return HandleHeadingTag(list, start, end, text, DataCode(data), context);
  };
  slots.highlighting = [](PatternList& list, const Pattern&, long start, long end,
                          const std::string& text, size_t, void* data) {
    if (data == nullptr) return static_cast<int>(ActionNone);
    return HandleEmphasis(list, start, end, text, static_cast<const char*>(data));
  };
}

}  // namespace orv
