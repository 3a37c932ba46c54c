// Tests of the qualifier parser: abbreviations, values, the messages of
// each rule, the after-scan rules and the usage text; and a generated-input
// run that checks no argument text can break the parser.
#include "run/qualifiers.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "run/context.h"

namespace orv {
namespace {

// A context whose standard streams are captured.
struct Parsed {
  Context context;
  std::ostringstream out;
  std::ostringstream err;
  Parsed() { context.Sink().SetStreams(&out, &err); }
  explicit Parsed(std::initializer_list<std::string_view> arguments) : Parsed() {
    for (std::string_view argument : arguments) ParseQualifierArgument(argument, context);
  }
  const QualifierSettings& q() const { return context.Qualifiers(); }
};

struct MessageCase {
  std::string_view argument;
  std::string_view messages;  // what is echoed to standard error
};

TEST(QualifierParserTest, ReportsEachProblemInItsOwnWords) {
  const MessageCase cases[] = {
      {"/lo", ""},
      {"/LOG", ""},
      {"/l", "*** Unrecognised, ambiguous or repeated qualifiers : /l \n"},
      {"/s", "*** Unrecognised, ambiguous or repeated qualifiers : /s \n"},
      {"/subfoldersx",
       "Illegal Qualifier : /subfoldersx\n"
       "*** Unrecognised, ambiguous or repeated qualifiers : /subfoldersx \n"},
      {"/log=run.txt", "Can't use \".txt\" for a log file.  Changing to \".log\"\n"},
      {"/log=\"run.DAT\"", "Can't use \".DAT\" for a log file.  Changing to \".log\"\n"},
      {"/output=\"x.pol\"", "Can't use \".pol\" for an output file.  Changing to \".html\"\n"},
      {"/index=\"idx.txt\"", "Can't use \".txt\" for an index file.  Changing to \".html\"\n"},
      {"/log= run.log", "Missing value after \"=\" for qualifier /LOG\n"},
      {"/log=\"run.log", "Missing end-quote in qualifier value /LOG\n"},
      {"/output=<out.txt", "Missing end-quote in qualifier value /OUTPUT\n"},
      {"/ctx_in", "Value missing for /CTX_IN qualifier\n"},
      {"/log/log", "*** Unrecognised, ambiguous or repeated qualifiers : /log \n"},
      {"/output=\"/data/logs/x.txt\"", ""},
  };
  for (const MessageCase& c : cases) {
    Parsed p{c.argument};
    EXPECT_EQ(p.err.str(), c.messages) << c.argument;
  }
}

TEST(QualifierParserTest, AbbreviationsSelectTheRightQualifier) {
  EXPECT_TRUE(Parsed{"/lo"}.q().log);
  EXPECT_TRUE(Parsed{"/Log"}.q().log);
  EXPECT_FALSE(Parsed{"/l"}.q().log);
  Parsed s{"/s"};
  EXPECT_FALSE(s.q().subfolders || s.q().silent || s.q().simple);
  EXPECT_TRUE(Parsed{"/sub"}.q().subfolders);
  EXPECT_TRUE(Parsed{"/sil"}.q().silent);
  EXPECT_TRUE(Parsed{"/sim"}.q().simple);
  EXPECT_TRUE(Parsed{"/cons"}.q().console);
  EXPECT_TRUE(Parsed{"/conc"}.q().concat);
  EXPECT_TRUE(Parsed{"/cu"}.q().cu);
  EXPECT_TRUE(Parsed{"/ov"}.q().overwrite);
  EXPECT_TRUE(Parsed{"/det"}.q().detag);
  EXPECT_TRUE(Parsed{"/p"}.q().policy);
  // The effect is set before the typed word is checked.
  EXPECT_TRUE(Parsed{"/subfoldersx"}.q().subfolders);
  // Several qualifiers in one argument are all found.
  Parsed many{"/lo/sub/DETAG"};
  EXPECT_TRUE(many.q().log && many.q().subfolders && many.q().detag);
  EXPECT_EQ(many.err.str(), "");
}

TEST(QualifierParserTest, ValuesAndTheirRules) {
  EXPECT_EQ(Parsed{"/log"}.q().log_file_name, "Tessaly.log");
  EXPECT_EQ(Parsed{"/log=run.txt"}.q().log_file_name, "run.log");
  EXPECT_EQ(Parsed{"/log=\"/var/tmp/a b.txt\""}.q().log_file_name, "/var/tmp/a b.log");
  EXPECT_EQ(Parsed{"/log=<say \"hi\".log>"}.q().log_file_name, "say \"hi\".log");
  EXPECT_EQ(Parsed{"/log=\"run.log"}.q().log_file_name, "run.log");
  EXPECT_EQ(Parsed{"/log= run.log"}.q().log_file_name, "Tessaly.log");
  EXPECT_EQ(Parsed{"/links"}.q().links_file_name, "FoundLinks.txt");
  EXPECT_EQ(Parsed{"/links=\"l.txt\""}.q().links_file_name, "l.txt");
  EXPECT_EQ(Parsed{"/index"}.q().index_file_name, "");
  EXPECT_EQ(Parsed{"/policy"}.q().policy_out_name, "");
  EXPECT_EQ(Parsed{"/policy=\"p.pol\""}.q().policy_out_name, "p.pol");
  EXPECT_EQ(Parsed{"/ruleset=\"strict\""}.q().ruleset_name, "strict");
  EXPECT_EQ(Parsed{"/ctx_in=\"c.ctx\""}.q().context_file, "c.ctx");
  EXPECT_FALSE(Parsed{"/ctx_in"}.q().ctx_in);

  Parsed pol{"/output=x.pol"};
  EXPECT_EQ(pol.q().output_spec, "x.html");
  EXPECT_EQ(pol.q().output_extension, ".html");

  // A Linux path in a quoted value is taken whole and switches on nothing
  // else, though it holds "/log" and "/out".
  Parsed path{"/output=\"/data/logs/out/*.txt\""};
  EXPECT_EQ(path.q().output_spec, "/data/logs/out/*.txt");
  EXPECT_EQ(path.q().output_directory, "/data/logs/out/");
  EXPECT_EQ(path.q().output_name, "*");
  EXPECT_EQ(path.q().output_extension, ".txt");
  EXPECT_FALSE(path.q().log);
  EXPECT_EQ(path.q().input_file_list, "");

  Parsed toc{"/toc_out=\"/t/c.toc\""};
  EXPECT_EQ(toc.q().toc_directory, "/t/");
  EXPECT_EQ(toc.q().toc_name, "c");
  EXPECT_EQ(toc.q().toc_extension, ".toc");
}

TEST(QualifierParserTest, ConsoleAndSilentStopTheEcho) {
  Parsed console{"/output=\"out/*.txt\"", "/index=\"i.html\"", "/console"};
  EXPECT_TRUE(console.q().console);
  EXPECT_EQ(console.q().output_spec, "");
  EXPECT_EQ(console.q().output_directory, "");
  EXPECT_FALSE(console.q().index);
  EXPECT_EQ(console.q().index_file_name, "");
  EXPECT_FALSE(console.context.Echo());
  ParseQualifierArgument("/lx", console.context);
  EXPECT_EQ(console.err.str(), "");
  // The message still reaches the start-up record, and so the log.
  EXPECT_NE(console.context.StartupRecord().find("SESSION: *** Unrecognised"), std::string::npos);

  Parsed silent{"/silent", "/zz"};
  EXPECT_FALSE(silent.context.Echo());
  EXPECT_EQ(silent.err.str(), "");
}

TEST(QualifierParserTest, TreeNeedsSubfoldersWhateverTheOrder) {
  Parsed alone{"/tree"};
  FinishQualifiers(alone.context);
  EXPECT_FALSE(alone.q().tree);
  EXPECT_EQ(alone.err.str(), "/tree has no effect unless /subfolders is set\n");

  Parsed both{"/tree", "/subfolders"};
  FinishQualifiers(both.context);
  EXPECT_TRUE(both.q().tree);
  EXPECT_EQ(both.err.str(), "");
}

TEST(QualifierParserTest, RemainderIsRecorded) {
  Parsed p{"/lo page.htm <my page.htm> extra.pol"};
  EXPECT_EQ(p.q().input_file_list, "<my page.htm> page.htm");
  EXPECT_EQ(p.q().policy_file, "extra.pol");
  // A word with a slash is cut out from the slash on and reported.
  Parsed q{"/lo keep/zz"};
  EXPECT_EQ(q.err.str(), "*** Unrecognised, ambiguous or repeated qualifiers : /zz \n");
  EXPECT_EQ(q.q().input_file_list, "keep");
}

const char kUsage[] =
    "Usage : orvtext filespec1 filespec2 [policy_file.pol] [/qualifiers]\n"
    "\n"
    "Recognised qualifiers include\n"
    "   /CONCAT               Concatenate the results into one file\n"
    "   /CONSOLE             Write output direct to console\n"
    "   /DETAG               Selectively remove HTML markup\n"
    "   /HELP                Display this useful list of commands (\"/?\" also works)\n"
    "   /LOG[=filename]      Generate a .log file\n"
    "   /OUTPUT[=filespec]   Filespec for output file(s)\n"
    "   /OVERWRITE                May overwrite input files with the output\n"
    "   /POLICY[=filename]   Document policies used in a .pol file\n"
    "   /SILENT              Suppress all output messages (except these :-)\n"
    "   /SUBFOLDERS              Search sub-folders for files as well\n"
    "Qualifiers are case insensitive and may be reduced to shortest unique\n"
    "name (e.g \"/lo\" for \"/log\")\n";

TEST(QualifierParserTest, HelpPrintsTheUsageTextOnce) {
  EXPECT_EQ(UsageText(), kUsage);
  Parsed p{"/?", "/help", "/HE"};
  EXPECT_TRUE(p.q().help);
  EXPECT_EQ(p.out.str(), kUsage);
  EXPECT_EQ(p.err.str(), "");
}

TEST(QualifierParserTest, TableAbbreviationsFollowTheMinimumLengths) {
  std::string all;
  for (const Qualifier& q : QualifierTable()) all += std::string(q.abbreviation()) + " ";
  EXPECT_EQ(all,
            "/? /HE /HT /LO /OU /TO /CONC /CONT /CONS /CU /CTX_I /CTX_O /DEB /DET /DO /F /I "
            "/LIS /LIN /OV /P /RT /RU /SIM /SUB /SIL /COM /TABB /TABL /TAG /TRE ");
}

// Thousands of generated argument texts: slashes, "=", quotes, brackets,
// blanks, qualifier names, very long words and bytes above 127. The parser
// must return on each (the sanitizers catch memory faults).
TEST(QualifierParserTest, GeneratedArgumentsNeverBreakTheParser) {
  std::mt19937 random(20261207);
  const std::string_view pieces[] = {"/",  "=",    "\"",     "<",        ">",      " ",   "\t",
                                     "lo", "log",  "OUTPUT", "sub",      "tree",   "?",   "help",
                                     ".",  ".pol", ".txt",   "\xff\xe9", "ctx_in", "con", "x"};
  Context context;
  std::ostringstream sink;
  context.Sink().SetStreams(&sink, &sink);
  for (int round = 0; round < 5000; ++round) {
    std::string text;
    const int count = static_cast<int>(random() % 24);
    for (int i = 0; i < count; ++i) {
      if (random() % 200 == 0) {
        text.append(5000 + random() % 5000, static_cast<char>('a' + random() % 26));
      } else if (random() % 10 == 0) {
        text += static_cast<char>(128 + random() % 128);
      } else {
        text += pieces[random() % std::size(pieces)];
      }
    }
    ParseQualifierArgument(text, context);
    if (round % 100 == 0) {
      FinishQualifiers(context);
      sink.str("");
    }
  }
  SUCCEED();
}

}  // namespace
}  // namespace orv
