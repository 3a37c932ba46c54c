// The in-band marks of one file.
#include "textout/marks.h"

namespace orv {

namespace {

std::string Mark(std::string_view name) {
  std::string mark = "\xFF\xFF";
  mark += name;
  mark += "\xFF\xFF";
  return mark;
}

}  // namespace

DetagMarkers MakeDetagMarkers(bool single_line) {
  DetagMarkers m;
  m.paragraph = Mark("P");
  m.line_break = Mark("BR");
  m.statement = Mark("CBR");
  m.paragraph_end = single_line ? Mark("OPPL") : std::string();
  m.break_mark = m.paragraph_end + m.line_break;
  auto statement = [&m](std::string_view keyword) {
    return m.statement + std::string(keyword) + m.statement;
  };
  m.start_list = statement("$_$_START_LIST");
  m.end_list = statement("$_$_END_LIST");
  m.start_heading = statement("$_$_START_HEADING");
  m.end_heading = statement("$_$_END_HEADING");
  m.start_pre = statement("$_$_START_PRE");
  m.end_pre = statement("$_$_END_PRE");
  m.start_block = statement("$_$_START_BLOCK");
  m.end_block = statement("$_$_END_BLOCK");
  m.list_item = m.statement + "[[LI]]";
  m.rule = "$_$_LINE";
  return m;
}

}  // namespace orv
