// Splitting one tag into name and attributes, and writing it back.
#include "html/parsed_tag.h"

#include "common/text.h"

namespace orv {

namespace {

std::string ConvertCase(std::string_view text, NameCase name_case) {
  switch (name_case) {
    case NameCase::kUpper:
      return ToUpper(text);
    case NameCase::kLower:
      return ToLower(text);
    case NameCase::kAsWritten:
      break;
  }
  return std::string(text);
}

bool IsAllDigits(std::string_view text) {
  if (text.empty()) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

size_t FindTagEnd(std::string_view text, size_t open) {
  const size_t first = text.find('>', open + 1);
  if (first == std::string_view::npos) return first;
  // Most tags have no quote, or only values whose quotes close before
  // the first ">": one look at the tag settles them.
  char quote = 0;
  char previous = 0;  // the last byte before this one that is not a blank
  for (size_t i = open + 1; i < first; ++i) {
    const char c = text[i];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if ((c == '"' || c == '\'') && previous == '=') {
      quote = c;
    }
    if (!IsBlank(c)) previous = c;
  }
  if (quote == 0) return first;
  for (size_t i = open + 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '>') return i;
    if (c != '=') continue;
    size_t value = i + 1;
    while (value < text.size() && (IsBlank(text[value]) || text[value] == '\n')) ++value;
    if (value >= text.size() || (text[value] != '"' && text[value] != '\'')) continue;
    const size_t quote = text.find(text[value], value + 1);
    // A quote that is never closed, or only after the next tag begins,
    // does not hide the ">": the first one ends the tag.
    if (quote == std::string_view::npos ||
        text.substr(value + 1, quote - value - 1).find('<') != std::string_view::npos)
      return first;
    i = quote;
  }
  return std::string_view::npos;
}

std::string_view TagAttribute::Value() const {
  std::string_view value = value_text;
  if (!value.empty() && value.front() == '=') value.remove_prefix(1);
  if (!value.empty() && (value.front() == '"' || value.front() == '\'')) {
    const char quote = value.front();
    value.remove_prefix(1);
    if (!value.empty() && value.back() == quote) value.remove_suffix(1);
  }
  return value;
}

ParsedTag ParsedTag::Parse(std::string_view text) {
  ParsedTag tag;
  const size_t open = text.find('<');
  if (open == std::string_view::npos) {
    tag.leading = std::string(text);
    return tag;
  }
  tag.leading = std::string(text.substr(0, open));
  tag.has_open = true;

  const size_t close = FindTagEnd(text, open);
  std::string_view body;
  if (close == std::string_view::npos) {
    body = text.substr(open + 1);
  } else {
    body = text.substr(open + 1, close - open - 1);
    tag.has_close = true;
    tag.trailing = std::string(text.substr(close + 1));
  }

  size_t name_end = 0;
  while (name_end < body.size() && !IsBlank(body[name_end])) ++name_end;
  tag.name = std::string(body.substr(0, name_end));
  const size_t tail_start = ScanTagAttributes(body, [&tag](const AttributeSpan& span) {
    TagAttribute attribute;
    attribute.separator = std::string(span.separator);
    attribute.name = std::string(span.name);
    if (span.has_value) {
      attribute.value_text.reserve(span.value.size() + 1);
      attribute.value_text += '=';
      attribute.value_text.append(span.value);
    }
    tag.attributes.push_back(std::move(attribute));
    return false;
  });
  tag.tail = std::string(body.substr(tail_start));
  return tag;
}

bool ParsedTag::IsLeftAlone() const {
  return !has_open || StartsWithNoCase(name, "!--") || EqualsNoCase(name, "!DOCTYPE") ||
         IsAllDigits(name);
}

std::string ParsedTag::Reassemble(NameCase name_case) const {
  if (!has_open) return leading;
  size_t size = leading.size() + name.size() + tail.size() + trailing.size() + 2;
  for (const TagAttribute& a : attributes)
    size += a.separator.size() + a.name.size() + a.value_text.size() + 1;
  std::string out;
  out.reserve(size);
  out += leading;
  out += '<';
  out += ConvertCase(name, name_case);
  for (const TagAttribute& a : attributes) {
    out += a.separator.empty() ? std::string(" ") : a.separator;
    out += ConvertCase(a.name, name_case);
    out += a.value_text;
  }
  out += tail;
  if (has_close) out += '>';
  out += trailing;
  return out;
}

namespace {

// The value of an attribute as written after its "=": without one pair of
// enclosing quotes (an unclosed quote is dropped alone).
std::string_view AttributeValue(std::string_view raw) {
  if (!raw.empty() && (raw.front() == '"' || raw.front() == '\'')) {
    const char quote = raw.front();
    raw.remove_prefix(1);
    if (!raw.empty() && raw.back() == quote) raw.remove_suffix(1);
  }
  return raw;
}

// Calls visit(name, value) for each attribute of the tag up to its first
// ">", in order, reading it as ParsedTag::Parse does, until visit returns
// true; returns whether it did. Allocates nothing.
template <typename Visit>
bool VisitAttributes(std::string_view tag, Visit visit) {
  // Only the tag itself is read, not whatever follows its first ">".
  const size_t first_close = tag.find('>');
  if (first_close != std::string_view::npos) tag = tag.substr(0, first_close + 1);
  const size_t open = tag.find('<');
  if (open == std::string_view::npos) return false;
  const size_t close = tag.find('>', open + 1);
  const std::string_view body = close == std::string_view::npos
                                    ? tag.substr(open + 1)
                                    : tag.substr(open + 1, close - open - 1);
  bool stopped = false;
  ScanTagAttributes(body, [&](const AttributeSpan& span) {
    stopped = visit(span.name, span.has_value ? AttributeValue(span.value) : std::string_view());
    return stopped;
  });
  return stopped;
}

}  // namespace

TagAttributes::TagAttributes(std::string_view tag) {
  VisitAttributes(tag, [this](std::string_view name, std::string_view value) {
    if (count_ < kInPlace)
      in_place_[count_] = {name, value};
    else
      more_.emplace_back(name, value);
    ++count_;
    return false;
  });
}

bool TagAttributes::Get(std::string_view name, std::string& value) const {
  const std::optional<std::string_view> found = Find(name);
  value.assign(found.value_or(std::string_view()));
  return found.has_value();
}

std::optional<std::string_view> TagAttributes::Find(std::string_view name) const {
  for (size_t k = 0; k < count_; ++k) {
    const Attribute& attribute = k < kInPlace ? in_place_[k] : more_[k - kInPlace];
    if (EqualsNoCase(attribute.first, name)) return attribute.second;
  }
  return std::nullopt;
}

bool GetTagAttribute(std::string_view tag, std::string_view name, std::string& value) {
  value.clear();
  return VisitAttributes(tag, [&](std::string_view attribute, std::string_view attribute_value) {
    if (!EqualsNoCase(attribute, name)) return false;
    value.assign(attribute_value);
    return true;
  });
}

std::string GetStyleProperty(std::string_view style, std::string_view property) {
  for (const std::string& declaration : Split(style, ';')) {
    const size_t colon = declaration.find(':');
    if (colon == std::string::npos) continue;
    if (EqualsNoCase(TrimView(std::string_view(declaration).substr(0, colon)), property))
      return Trim(std::string_view(declaration).substr(colon + 1));
  }
  return std::string();
}

}  // namespace orv
