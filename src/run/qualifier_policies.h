// The qualifiers of the command line written into a policy set each time
// the run attaches its Context to one (for the run and again for every
// file), so a qualifier outranks the policy files the set merged. The
// qualifiers themselves are parsed by qualifiers.h; the run is
// conversion_run.h.
#pragma once

#include <string>

namespace orv {

class Context;
class PolicySet;
struct QualifierSettings;

// Attaches `context` to `policies` and writes the qualifier settings into
// the set's policies (and into the Context's "Remove all tags"): flags
// such as /CONCAT, /SIMPLE or /POLICY become the value of their policy and
// mark it set when on; /CONTENTS and /INDEX leave a policy that is already
// set alone when absent; /SILENT and /CONSOLE mark "Display messages" off;
// /OUTPUT with a directory sets "Output directory"; a /RULESET name is
// applied as a policy line, and a name that is not accepted is reported at
// level 10 and cleared. Costs one pass over a dozen policies.
void AttachWithQualifiers(Context& context, PolicySet& policies);

// The output kind the qualifiers choose: text unless /DETAG asks for
// selective markup removal, which keeps HTML.
bool OutputIsText(const QualifierSettings& qualifiers);

// The extension of generated HTML files: ".HTM" under /DOS, otherwise the
// set's "Output file extension" policy, or ".html" when that is empty.
std::string HtmlExtension(const QualifierSettings& qualifiers, const PolicySet& policies);

}  // namespace orv
