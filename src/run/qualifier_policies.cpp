// The table that writes the qualifier settings into a policy set when the
// Context is attached to it.
#include "run/qualifier_policies.h"

#include "policy/own_policies.h"
#include "policy/policy_set.h"
#include "run/context.h"
#include "run/qualifiers.h"

namespace orv {
namespace {

// A flag qualifier that only ever adds: on, the policy becomes yes and is
// marked set; off, a policy some policy file set keeps its value and any
// other becomes no.
void ApplyAddingFlag(PolicySet& policies, EnginePolicy policy, bool flag) {
  if (flag) {
    policies.SetYesNo(policy, true, true);
  } else if (!policies.WasSet(policy)) {
    policies.SetYesNo(policy, false, false);
  }
}

// A flag qualifier that decides its policy: the policy takes the flag's
// value and is marked set when the flag is on.
void ApplyFlag(PolicySet& policies, EnginePolicy policy, bool flag) {
  policies.SetYesNo(policy, flag, flag);
}

}  // namespace

void AttachWithQualifiers(Context& context, PolicySet& policies) {
  policies.AttachContext(&context);
  QualifierSettings& q = context.Qualifiers();

  ApplyAddingFlag(policies, EnginePolicy::kAddContentsList, q.contents);
  ApplyAddingFlag(policies, EnginePolicy::kMakeDirectory, q.index);
  ApplyFlag(policies, EnginePolicy::kUseDOSFilenames, q.dos);
  ApplyFlag(policies, EnginePolicy::kKeepItSimple, q.simple);
  ApplyFlag(policies, EnginePolicy::kConcatenateResultsIntoOneFile, q.concat);
  ApplyFlag(policies, EnginePolicy::kOutputPolicyFile, q.policy);
  ApplyFlag(policies, EnginePolicy::kCreateALogFile, q.log);
  if (q.log) policies.SetText(EnginePolicy::kOutputLogFilename, q.log_file_name, true);
  // Quiet runs (/SILENT, /CONSOLE) fix "Display messages" off, whatever a
  // policy file says; otherwise the value only follows the echo.
  policies.SetYesNo(EnginePolicy::kDisplayMessages, context.Echo(), !context.Echo());
  ApplyFlag(policies, EnginePolicy::kPlaceDocumentInFrames, q.frames);
  ApplyFlag(policies, EnginePolicy::kShowTagsInOutput, q.tags);
  if (q.cu) policies.SetInteger(EnginePolicy::kInputFileIsACompositionUnit, 1, true);
  if (!q.output_directory.empty())
    policies.SetText(EnginePolicy::kOutputDirectory, q.output_directory, true);

  // The mode: /DETAG removes selected markup and keeps HTML; without it
  // every tag goes and the output is text.
  context.PolicySectionAt(kSectionDetag).SetYesNo(kRemoveAllTags, !q.detag, false);

  if (q.ruleset && !q.ruleset_name.empty()) {
    int category = 0;
    const int result =
        policies.LoadPolicyLine("Rule set to be used : " + q.ruleset_name, category, false);
    if (result != kPolicyLineOk) {
      policies.Report("CTX.Command ERROR: Unrecognised RuleSet \"" + q.ruleset_name + "\"", 10);
      q.ruleset_name.clear();
    }
  }
}

bool OutputIsText(const QualifierSettings& qualifiers) { return !qualifiers.detag; }

std::string HtmlExtension(const QualifierSettings& qualifiers, const PolicySet& policies) {
  if (qualifiers.dos) return ".HTM";
  const std::string& extension = policies.GetText(EnginePolicy::kOutputFileExtension);
  if (extension.empty()) return ".html";
  return extension.front() == '.' ? extension : "." + extension;
}

}  // namespace orv
