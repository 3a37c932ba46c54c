// Copying the policies in force into DetagOptions.
#include "convert/fill_detag_options.h"

#include "policy/derived_values.h"
#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "policy/shared_policies.h"

namespace orv {

DetagOptions FillDetagOptions(PolicySet& policies) {
  DetagOptions o;
  auto yes = [&](int section, int id) { return policies.GetSectionYesNo(section, id); };
  auto number = [&](int section, int id) { return policies.GetSectionInteger(section, id); };
  auto text = [&](int section, int id) { return policies.GetSectionText(section, id); };

  o.remove_all_tags = yes(kSectionDetag, kRemoveAllTags);
  o.remove_all_html_tags = yes(kSectionDetag, kRemoveAllHtmlTags);
  o.remove_head = yes(kSectionDetag, kRemoveHead);
  o.remove_comments = yes(kSectionDetag, kRemoveComments);
  o.remove_script = yes(kSectionDetag, kRemoveScript);
  o.remove_object = yes(kSectionDetag, kRemoveObject);
  o.remove_font = yes(kSectionDetag, kRemoveFontTags);
  o.remove_form = yes(kSectionDetag, kRemoveFormTags);
  o.remove_span = yes(kSectionDetag, kRemoveSpan);
  o.remove_emphasis = yes(kSectionDetag, kRemoveEmphasisTags);
  o.replace_hyperlinks = yes(kSectionDetag, kReplaceHyperlinksByDisplayValue);
  o.remove_non_standard_tags = yes(kSectionDetag, kRemoveNonStandardTags);
  o.keep_deprecated_tags = yes(kSectionDetag, kKeepDeprecatedTags);
  o.remove_non_standard_attributes = yes(kSectionDetag, kRemoveNonStandardAttributes);
  o.keep_deprecated_attributes = yes(kSectionDetag, kKeepDeprecatedAttributes);
  o.remove_non_html_tags = yes(kSectionDetag, kRemoveAllNonHtmlTags);
  o.remove_mail_tags = yes(kSectionDetag, kRemoveMailXTags);
  o.remove_office_tags = yes(kSectionDetag, kRemoveOfficeTags);
  o.remove_style_sheet = yes(kSectionDetag, kRemoveStyleSheet);
  o.remove_img = yes(kSectionDetag, kRemoveImgTags);

  o.remove_table_tags = yes(kSectionDetagTables, kRemoveTableTags);
  o.remove_p_from_tables = yes(kSectionDetagTables, kRemovePFromTables);
  o.remove_table_alignment = yes(kSectionDetagTables, kRemoveTableAlignment);
  o.remove_table_color = yes(kSectionDetagTables, kRemoveTableColour);
  o.remove_table_size = yes(kSectionDetagTables, kRemoveTableSize);

  o.tags_to_upper = yes(kSectionTagManipulation, kTagsToUpperCase);
  o.tags_to_lower = yes(kSectionTagManipulation, kTagsToLowerCase);
  o.replace_entities = yes(kSectionTagManipulation, kReplaceEntitiesByText);
  o.allow_8bit_ansi = yes(kSectionTagManipulation, kAllow8BitAnsi);
  o.allow_ansi_alternatives = yes(kSectionTagManipulation, kAllowAnsiAlternatives);

  o.preserve_white_space = yes(kSectionTextFormatting, kPreserveWhiteSpace);
  o.impose_page_width = yes(kSectionTextFormatting, kImposePageWidth);
  o.page_width = number(kSectionTextFormatting, kTargetPageWidth);
  o.right_justify = yes(kSectionTextFormatting, kRightJustify);
  o.paragraph_on_single_line = yes(kSectionTextFormatting, kParagraphOnSingleLine);
  o.preserve_short_lines = yes(kSectionTextFormatting, kPreserveShortLines);
  o.short_lines_end_paragraphs = yes(kSectionTextFormatting, kShortLinesEndParagraphs);
  o.sentence_gap = yes(kSectionTextFormatting, kGapBetweenSentences);
  o.look_for_dialogue = yes(kSectionTextFormatting, kLookForDialogue);
  o.extra_dialogue_checks = yes(kSectionTextFormatting, kExtraDialogueChecks);
  o.break_dialogue_lines = yes(kSectionTextFormatting, kBreakAtDialogue);
  o.remove_rules = yes(kSectionTextFormatting, kRemoveRules);
  o.highlight_emphasis = yes(kSectionTextFormatting, kHighlightBoldItalic);
  o.may_add_unicode_marker = yes(kSectionTextFormatting, kMayAddUnicodeMarker);
  o.heading_underlines = text(kSectionTextFormatting, kHeadingUnderlineCharacters);
  o.bullet_characters = text(kSectionTextFormatting, kTextBulletCharacters);
  o.start_list_marker = text(kSectionTextFormatting, kStartListMarker);
  o.end_list_marker = text(kSectionTextFormatting, kEndListMarker);

  o.allow_by_line_author = yes(kSectionTextHeadersFooters, kAllowByLineForAuthor);

  o.omit_email_links = yes(kSectionTextHyperlinks, kOmitEmailHyperlinks);
  o.omit_local_links = yes(kSectionTextHyperlinks, kOmitLocalHyperlinks);
  o.removed_link_text = text(kSectionTextHyperlinks, kRemovedLinkText);
  o.add_url_references = yes(kSectionTextHyperlinks, kAddUrlReferences);
  o.display_link_urls = yes(kSectionTextHyperlinks, kDisplayLinkUrls);
  o.img_text_marker = yes(kSectionTextHyperlinks, kReplaceImgByMarker);
  o.img_use_alt = yes(kSectionTextHyperlinks, kUseAltForImg);

  o.parse_tables = yes(kSectionTextTables, kParseTables);
  o.table_format = number(kSectionTextTables, kOutputTableFormat);
  o.innermost_tables_only = yes(kSectionTextTables, kInnermostTablesOnly);
  o.delimited_table_markers = yes(kSectionTextTables, kAddDelimitedTableMarkers);
  o.blank_row_separators = yes(kSectionTextTables, kAllowBlankRowSeparators);
  o.border_all_tables = yes(kSectionTextTables, kBorderOnAllTables);
  o.no_borders_nested = yes(kSectionTextTables, kNoBordersOnNestedTables);
  o.adjust_table_to_page = yes(kSectionTextTables, kAdjustTableToPageWidth);
  o.start_table_marker = text(kSectionTextTables, kStartTableMarker);
  o.end_table_marker = text(kSectionTextTables, kEndTableMarker);
  o.headings_in_tables = yes(kSectionTextTables, kAllowHeadingsInTables);
  o.table_indent = number(kSectionTextTables, kDefaultTableIndentation);

  o.directive_delimiter = policies.GetText(EnginePolicy::kDirectiveDelimiter);
  o.start_tag_delimiter = policies.GetText(EnginePolicy::kStartTagDelimiter);
  o.end_tag_delimiter = policies.GetText(EnginePolicy::kEndTagDelimiter);
  o.fragments_file = policies.GetText(EnginePolicy::kFragmentsFile);
  o.character_encoding = policies.GetText(EnginePolicy::kCharacterEncoding);

  if (SharedPolicies* shared = policies.GetContext()) {
    o.indent_positions = OutputIndentationPositions(*shared);
    o.table_width = EffectiveTableWidth(*shared);
    o.first_line_indent = FirstLineIndentText(*shared);
  }
  o.ApplyDependentRules();
  return o;
}

}  // namespace orv
