// The tag rewriter: element and attribute decisions for one tag, and the
// rebuilding of a kept tag from its parsed parts.
#include "html/tag_rewriter.h"

#include <initializer_list>
#include <string_view>

#include "common/text.h"
#include "html/parsed_tag.h"

namespace orv {

namespace {

bool IsTableElement(std::string_view element) {
  for (std::string_view name : {"table", "tbody", "thead", "tfoot", "tr", "th", "td"})
    if (EqualsNoCase(element, name)) return true;
  return false;
}

bool IsOneOf(std::string_view attribute, std::initializer_list<std::string_view> names) {
  for (std::string_view name : names)
    if (EqualsNoCase(attribute, name)) return true;
  return false;
}

// The table attribute policies: true (with the message) when one of them
// discards the attribute of a table element.
bool DiscardedByTablePolicy(const DetagOptions& options, std::string_view attribute) {
  if (options.remove_table_size &&
      IsOneOf(attribute, {"width", "hspace", "vspace", "cellspacing", "cellpadding", "height"}))
    return true;
  if (options.remove_table_alignment && IsOneOf(attribute, {"align", "valign"})) return true;
  if (options.remove_table_color &&
      IsOneOf(attribute, {"bgcolor", "bordercolorlight", "bordercolordark"}))
    return true;
  return false;
}

// Decides whether one attribute of a kept tag is written back; reports why
// it is not, or that a questionable one is kept.
bool KeepAttribute(const DetagOptions& options, const ElementTable& table,
                   CountedMessages& messages, std::string_view tag_name, std::string_view element,
                   const std::string& upper_element, const TagAttribute& attribute) {
  auto report = [&](const char* text) {
    messages.Add(text + upper_element + "/" + ToUpper(attribute.name));
  };
  if (IsTableElement(element) && DiscardedByTablePolicy(options, attribute.name)) {
    report("INFO: Discarding tag/attr ");
    return false;
  }

  const AttributeStatus status = options.remove_non_standard_attributes
                                     ? table.StatusOfAttribute(tag_name, attribute.name)
                                     : AttributeStatus::kStandard;
  switch (status) {
    case AttributeStatus::kStandard:
      break;
    case AttributeStatus::kDeprecated:
      if (!options.keep_deprecated_attributes) {
        report("INFO: Removing deprecated tag/attr ");
        return false;
      }
      report("WARNING: Deprecated attribute detected ");
      break;
    case AttributeStatus::kExtension:
      if (!options.keep_deprecated_attributes) {
        report("INFO: Removing unknown tag/attr ");
        return false;
      }
      report("WARNING: Extended attribute detected ");
      break;
    case AttributeStatus::kUnknown:
    case AttributeStatus::kNoElement:
      report("INFO: Removing unknown tag/attr ");
      return false;
  }

  if (options.remove_office_tags && attribute.name.find(':') != std::string::npos) {
    report("INFO: Removing unknown tag/attr ");
    return false;
  }
  // Style-sheet hooks go with the style sheets, without a message.
  if (options.remove_style_sheet && IsOneOf(attribute.name, {"id", "style", "class"})) return false;
  return true;
}

std::string ConvertName(std::string_view name, NameCase name_case) {
  if (name_case == NameCase::kUpper) return ToUpper(name);
  if (name_case == NameCase::kLower) return ToLower(name);
  return std::string(name);
}

}  // namespace

bool RewriteTag(const DetagOptions& options, const ElementTable& table, CountedMessages& messages,
                const std::string& tag, std::string& result) {
  const ParsedTag parsed = ParsedTag::Parse(tag);
  if (parsed.IsLeftAlone()) return false;

  // End tags and empty-element tags are reported by their element's name.
  const std::string_view element = ElementLookupName(parsed.name);
  const std::string upper_element = ToUpper(element);
  // A removed tag leaves whatever text surrounded it in `tag`.
  auto remove = [&](const char* message) {
    messages.Add(message + upper_element);
    result = parsed.leading + parsed.trailing;
    return true;
  };

  ElementStatus status = table.StatusOfElement(parsed.name);
  if (status == ElementStatus::kDeprecated && !options.remove_non_standard_tags)
    status = ElementStatus::kStandard;
  if (status == ElementStatus::kDeprecated) {
    if (!options.keep_deprecated_tags) return remove("INFO: Removing deprecated tag ");
    messages.Add("WARNING: Deprecated tag detected " + upper_element);
  } else if (status != ElementStatus::kStandard) {
    return remove("INFO: Removing unknown tag ");
  } else if (options.remove_office_tags && element.find(':') != std::string_view::npos) {
    return remove("INFO: Removing unknown tag ");
  }

  // Upper case first, then lower case: with both asked for, lower wins.
  const NameCase name_case = options.tags_to_lower   ? NameCase::kLower
                             : options.tags_to_upper ? NameCase::kUpper
                                                     : NameCase::kAsWritten;
  std::string rebuilt;
  rebuilt.reserve(tag.size() + 1);
  rebuilt += parsed.leading;
  rebuilt += '<';
  rebuilt += ConvertName(parsed.name, name_case);
  for (const TagAttribute& attribute : parsed.attributes) {
    if (!KeepAttribute(options, table, messages, parsed.name, element, upper_element, attribute))
      continue;
    if (attribute.separator.empty())
      rebuilt += ' ';
    else
      rebuilt += attribute.separator;
    rebuilt += ConvertName(attribute.name, name_case);
    rebuilt += attribute.value_text;
  }
  rebuilt += parsed.tail;
  if (parsed.has_close) rebuilt += '>';
  rebuilt += parsed.trailing;

  if (rebuilt == tag) return false;
  result = std::move(rebuilt);
  return true;
}

TagRewriter MakeTagRewriter(const DetagOptions& options, const ElementTable& table) {
  return [options, &table](const std::string& tag, std::string& replacement,
                           CountedMessages& messages) {
    return RewriteTag(options, table, messages, tag, replacement);
  };
}

}  // namespace orv
