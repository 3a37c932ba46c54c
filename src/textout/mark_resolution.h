// The last step over the converted text before the layout: runs of line
// marks become one, blanks beside marks go, and every mark becomes the
// line break, forced break or paragraph gap it stands for.
//
// Three pattern lists define the step (BuildMarkLists); ResolveMarks gives
// their result in one pass over each mark, in place, without the lists'
// scans and copies.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "html/pattern_list.h"
#include "textout/marks.h"

namespace orv {

// What the mark step depends on besides the marks themselves.
struct MarkResolution {
  bool text_mode = true;
  // "Output each paragraph on a single line": a statement before a break
  // mark gives way to it.
  bool single_line = false;
  // Markup removal: the tag a line or statement mark becomes ("<BR>" in the
  // case the policies ask for).
  std::string written_break = "<BR>";
};

// The three lists, applied in this order: runs of statement and line marks
// (with white space between) become one mark; a blank beside a mark goes,
// and a statement right after a mark starts a line of its own; the marks
// become breaks.
struct MarkLists {
  PatternList break_runs, mark_spaces, final_marks;
};
void BuildMarkLists(const DetagMarkers& m, const MarkResolution& how, MarkLists& lists);

// The step done by one object that learns its tables as it goes, so that
// a batch of files keeps them. Not for two threads at once: each thread
// has its own.
class MarkResolver {
 public:
  MarkResolver(const DetagMarkers& m, const MarkResolution& how);
  ~MarkResolver();
  // Whether Resolve can do the step: every replacement fits in what it
  // replaces (the built-in marks always do).
  bool Usable() const;
  // ResolveMarks with the marks and settings given at construction.
  bool Resolve(std::string& text, bool* ends_idle = nullptr);

 private:
  struct Stages;
  std::unique_ptr<Stages> stages_;
};

// Rewrites `text` in place as the three lists would. Returns false, with
// the text unchanged, when it cannot (see MarkResolver::Usable); the caller then
// applies the lists. `ends_idle`, when given, tells whether no match was
// under way at the text's end, so that a text after it gives the same
// result on its own as after it. Cost: linear, a table lookup for each
// 0xFF byte and the few after it.
bool ResolveMarks(std::string& text, const DetagMarkers& m, const MarkResolution& how,
                  bool* ends_idle = nullptr);

}  // namespace orv
