// The policies that the detag pass, the table analysis and the layout step
// read, copied from the policy set at the start of each input file so the
// conversion code reads plain fields rather than policy lookups.
#pragma once

#include <array>
#include <string>

namespace orv {

struct DetagOptions {
  // Mode: on for text output, off for markup removal.
  bool remove_all_tags = true;

  // [Detag]
  bool remove_all_html_tags = false;
  bool remove_head = false;
  bool remove_comments = false;
  bool remove_script = false;
  bool remove_object = false;
  bool remove_font = false;
  bool remove_form = false;
  bool remove_span = false;
  bool remove_emphasis = false;
  bool replace_hyperlinks = false;
  bool remove_non_standard_tags = false;
  bool keep_deprecated_tags = true;
  bool remove_non_standard_attributes = false;
  bool keep_deprecated_attributes = true;
  bool remove_non_html_tags = true;
  bool remove_mail_tags = true;
  bool remove_office_tags = true;
  bool remove_style_sheet = false;
  bool remove_img = false;

  // [Detag tables]
  bool remove_table_tags = false;
  bool remove_p_from_tables = false;
  bool remove_table_alignment = false;
  bool remove_table_color = false;
  bool remove_table_size = false;

  // [Tag Manipulation]
  bool tags_to_upper = false;
  bool tags_to_lower = false;
  bool replace_entities = false;
  bool allow_8bit_ansi = true;
  bool allow_ansi_alternatives = true;

  // [Text formatting]
  bool preserve_white_space = false;
  bool impose_page_width = true;
  int page_width = 72;
  bool right_justify = false;
  std::array<int, 8> indent_positions{0, 4, 8, 12, 16, 20, 24, 28};
  bool paragraph_on_single_line = false;
  bool preserve_short_lines = true;
  bool short_lines_end_paragraphs = true;
  std::string first_line_indent;  // that many blanks
  bool sentence_gap = false;
  bool look_for_dialogue = false;
  bool extra_dialogue_checks = false;
  bool break_dialogue_lines = false;
  bool remove_rules = false;
  bool highlight_emphasis = true;
  bool may_add_unicode_marker = false;
  std::string heading_underlines = "*,=,-,~,.,,";
  std::string bullet_characters = "middot,middot,middot,middot,middot,middot";
  std::string start_list_marker;
  std::string end_list_marker;

  // [Text headers/footers]
  bool allow_by_line_author = false;

  // [Text hyperlinks]
  bool omit_email_links = false;
  bool omit_local_links = false;
  std::string removed_link_text = "[link removed]";
  bool add_url_references = true;
  bool display_link_urls = false;
  bool img_text_marker = false;
  bool img_use_alt = false;

  // [Text tables]
  bool parse_tables = true;
  int table_format = 1;
  bool innermost_tables_only = true;
  bool delimited_table_markers = true;
  bool blank_row_separators = false;
  bool border_all_tables = false;
  bool no_borders_nested = true;
  bool adjust_table_to_page = true;
  int table_width = 72;
  std::string start_table_marker;
  std::string end_table_marker;
  bool headings_in_tables = true;
  int table_indent = 0;

  // Engine policies: the directive language's delimiters and the file of
  // fragment definitions (header, footer) read before each text output.
  std::string directive_delimiter = "$_$_";
  std::string start_tag_delimiter = "[[";
  std::string end_tag_delimiter = "]]";
  std::string fragments_file;
  // "Character encoding": the input's character set when its META names none.
  std::string character_encoding;

  // Text output mode or markup removal.
  bool TextMode() const { return remove_all_tags; }
  bool operator==(const DetagOptions&) const = default;

  // The one rule applied after filling: in text mode showing link URLs in
  // place replaces the reference table; in markup removal neither applies.
  void ApplyDependentRules() {
    if (remove_all_tags) {
      if (display_link_urls) add_url_references = false;
    } else {
      display_link_urls = false;
      add_url_references = false;
    }
  }
};

}  // namespace orv
