// Command-line qualifiers: the table of known qualifiers with their
// abbreviations, the settings they leave in the run context, the parser of
// one qualifier argument with its messages, and the usage text. The file
// parameters and the batch live in file_batch.h; the run reads the
// settings from Context::Qualifiers().
#pragma once

#include <iosfwd>
#include <span>
#include <string>
#include <string_view>

namespace orv {

class Context;

// What the qualifiers of a command line set. Everything starts cleared; the
// echo flag is held by the Context itself.
struct QualifierSettings {
  // Flags of the qualifiers; the ones that take a value are set whenever
  // the qualifier is given, with or without a value.
  bool help = false;
  bool html = false;
  bool log = false;
  bool output = false;
  bool toc_out = false;
  bool concat = false;
  bool contents = false;
  bool console = false;
  bool cu = false;
  bool ctx_in = false;
  bool ctx_out = false;
  bool debug = false;
  bool detag = false;
  bool dos = false;
  bool frames = false;
  bool index = false;
  bool list = false;
  bool links = false;
  bool overwrite = false;
  bool policy = false;
  bool rtf = false;
  bool ruleset = false;
  bool simple = false;
  bool subfolders = false;
  bool silent = false;
  bool comma = false;
  bool tabbed = false;
  bool table = false;
  bool tags = false;
  bool tree = false;

  // Text left over on qualifier lines: names that are not qualifiers, and
  // a ".pol" name among them.
  std::string input_file_list;
  std::string policy_file;

  std::string context_file;     // /CTX_IN
  std::string log_file_name;    // /LOG ("Tessaly.log" without a value)
  std::string links_file_name;  // /LINKS ("FoundLinks.txt" without a value)
  std::string index_file_name;  // /INDEX
  std::string policy_out_name;  // /POLICY: the policy file to generate
  std::string ruleset_name;     // /RULESET

  // /OUTPUT and its parts (directory ends in "/", extension begins with ".").
  std::string output_spec;
  std::string output_directory;
  std::string output_name;
  std::string output_extension;

  // /TOC_OUT and /CTX_OUT with their parts.
  std::string toc_spec;
  std::string toc_name;
  std::string toc_extension;
  std::string toc_directory;
  std::string ctx_out_spec;
  std::string ctx_out_name;
  std::string ctx_out_extension;
  std::string ctx_out_directory;

  // Extensions of this platform, read by the command-line reader
  // (run/command_line.h) and not by the qualifier parser, so the usage
  // text and the table stay as they are: --version asks for the version
  // line; --jobs=N the number of files converted side by side (0: one per
  // core).
  bool version = false;
  int jobs = 0;

  // Set once the usage text has been printed, so it is printed only once
  // however often help is asked for.
  bool usage_printed = false;
};

// The qualifiers a switch can name.
enum class QualifierId {
  kQuery,
  kHelp,
  kHtml,
  kLog,
  kOutput,
  kTocOut,
  kConcat,
  kContents,
  kConsole,
  kCu,
  kCtxIn,
  kCtxOut,
  kDebug,
  kDetag,
  kDos,
  kFrames,
  kIndex,
  kList,
  kLinks,
  kOverwrite,
  kPolicy,
  kRtf,
  kRuleset,
  kSimple,
  kSubfolders,
  kSilent,
  kComma,
  kTabbed,
  kTable,
  kTags,
  kTree,
};

// One row of the qualifier table.
struct Qualifier {
  QualifierId id;
  std::string_view full_name;  // "/" and the upper-case name
  int min_letters;             // letters after "/" that must be typed
  bool listed;                 // shown by the usage text
  std::string_view abbreviation() const { return full_name.substr(0, 1 + min_letters); }
};

// The qualifier table in the order the parser looks for the qualifiers.
std::span<const Qualifier> QualifierTable();

// Parses one qualifier argument (one or more qualifiers, each beginning
// with "/") into context.Qualifiers(): sets flags and values, reports each
// problem through context.Report and goes on, prints the usage text on the
// sink's output stream when help is first asked for, applies the /CONSOLE
// rule, and records what is left of the argument. Values in double quotes
// or angle brackets are taken whole; qualifier names are looked for only
// outside them. Costs a few scans of the argument per table row.
void ParseQualifierArgument(std::string_view argument, Context& context);

// Rules that relate qualifiers to each other, applied once the whole
// command line has been read: /TREE without /SUBFOLDERS is reported and
// switched off.
void FinishQualifiers(Context& context);

// The usage text, line ends included, for program `program_name`.
std::string UsageText(std::string_view program_name = "orvtext");

}  // namespace orv
