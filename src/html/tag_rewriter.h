// The tag rewriter of markup-removal mode: decides for one surviving tag
// whether it stays, and which of its attributes stay, by the policies and
// the element table (element_table.h), then rebuilds it from its parsed
// parts (parsed_tag.h). The remaining-tag pass (tag_scanner.h) calls it.
#pragma once

#include <string>

#include "html/detag_options.h"
#include "html/element_table.h"
#include "html/tag_scanner.h"

namespace orv {

// Rewrites one tag as the markup-removal policies ask. A comment, the
// document type declaration, a numbered tag or a text without "<" is left
// alone. Unknown, declaration and browser-extension elements are removed;
// deprecated ones are removed or kept (with a warning) when "Remove
// non-standard tags" is on. A kept tag is rebuilt with its names
// case-converted and its unwanted attributes dropped; separators and value
// texts are copied as written. Returns true and sets `result` (empty for a
// removed tag) when the tag changed; false leaves `result` untouched.
// Messages go to `messages`. Linear in the length of the tag.
bool RewriteTag(const DetagOptions& options, const ElementTable& table, CountedMessages& messages,
                const std::string& tag, std::string& result);

// A TagRewriter for the remaining-tag pass that calls RewriteTag with a copy
// of `options` and with `table`, which must outlive the rewriter.
TagRewriter MakeTagRewriter(const DetagOptions& options, const ElementTable& table);

}  // namespace orv
