// The help text beside the command table: complete, consistent with the table and the
// program's prompts, and the manual's command reference generated from it.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "app/command_table.h"
#include "app/help_command.h"
#include "tests/support/run_pelm.h"
#include "textio/console.h"
#include "textio/fixed_text.h"

namespace {

namespace fs = std::filesystem;

const fs::path kSource(PELM_SOURCE_DIR);

std::string readText(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

std::string fields(const app::CommandHelp& h) {
  return std::string(h.purpose) + "\n" + std::string(h.prompts) + "\n" + std::string(h.files) + "\n" +
         std::string(h.settings);
}

std::string firstAlias(const app::Command& c) { return std::string(c.keywords.substr(0, c.keywords.find(' '))); }

TEST(CommandHelp, EveryRowHasAGroupOfTheListAndAPurpose) {
  const std::set<std::string_view> groups(std::begin(app::kCommandGroups), std::end(app::kCommandGroups));
  for (const app::Command& c : app::commandTable()) {
    EXPECT_TRUE(groups.count(c.help.group) == 1) << "row \"" << c.keywords << "\" has no task group";
    EXPECT_FALSE(textio::isBlank(c.help.purpose)) << "row \"" << c.keywords << "\" has no purpose";
    EXPECT_EQ(c.help.purpose.find('\n'), std::string_view::npos) << c.keywords;
  }
}

TEST(CommandHelp, EveryKeywordNamedInBackticksIsACommand) {
  for (const app::Command& c : app::commandTable()) {
    for (const std::string& k : app::mentionedKeywords(fields(c.help))) {
      EXPECT_NE(app::findCommand(textio::fixed(k, 10)), nullptr)
          << "help of \"" << c.keywords << "\" names `" << k << "`, which is not a command";
    }
  }
  // The convention itself: backticked words are found, an unclosed one is reported whole.
  EXPECT_EQ(app::mentionedKeywords("use `align`, then `stack` x"), (std::vector<std::string>{"align", "stack"}));
  EXPECT_EQ(app::mentionedKeywords("a `broken"), (std::vector<std::string>{"broken"}));
}

// The program's sources, where every console text it prints is written.
std::string programSources() {
  std::string sources;
  for (const char* folder : {"app", "image", "calib", "align", "phot", "motion", "lightcurve", "textio", "sky", "results"}) {
    for (const auto& e : fs::directory_iterator(kSource / folder)) {
      if (e.path().extension() == ".cpp") sources += readText(e.path());
    }
  }
  return sources;
}

// Every prompt the help quotes is printed somewhere by the program: its literal pieces
// (between <placeholders> and the [defaults]) occur in the sources.
TEST(CommandHelp, QuotedPromptsAreThePromptsOfTheProgram) {
  const std::string sources = programSources();
  ASSERT_GT(sources.size(), 10000u);
  const std::regex pieces(R"(<[^>]*>|\[|\])");
  int quoted = 0;
  for (const app::Command& c : app::commandTable()) {
    for (std::string_view line : app::helpLines(c.help.prompts)) {
      if (line.empty() || line.front() != '>') continue;
      ++quoted;
      const std::string prompt(line.substr(1));
      for (std::sregex_token_iterator it(prompt.begin(), prompt.end(), pieces, -1), end; it != end; ++it) {
        const std::string piece(textio::trim(it->str()));
        if (piece.size() < 4) continue;
        EXPECT_NE(sources.find(piece), std::string::npos)
            << "help of \"" << c.keywords << "\" quotes \"" << piece << "\", which the program never prints";
      }
    }
  }
  EXPECT_GT(quoted, 100);
}

TEST(CommandHelp, ListShowsEveryCommandOnceUnderItsGroupWithinEightyColumns) {
  const std::vector<std::string> lines = app::commandListLines();
  std::map<std::string, std::string> groupOf;  // first alias -> group heading above it
  std::string heading;
  for (const std::string& l : lines) {
    EXPECT_LE(l.size(), 79u) << l;
    if (l.rfind("    ", 0) == 0) {
      const std::string alias = l.substr(4, l.find(' ', 4) - 4);
      EXPECT_TRUE(groupOf.emplace(alias, heading).second) << alias << " listed twice";
    } else if (l.size() > 2 && l.rfind("  ", 0) == 0) {
      heading = l.substr(2);
    }
  }
  for (const app::Command& c : app::commandTable()) {
    auto it = groupOf.find(firstAlias(c));
    ASSERT_NE(it, groupOf.end()) << c.keywords << " missing from the list";
    EXPECT_EQ(it->second, c.help.group) << c.keywords;
  }
  EXPECT_EQ(groupOf.size(), app::commandTable().size());
}

// At the prompt, a blank answer (or only a remark) prints the whole grouped list.
TEST(CommandHelp, BlankAnswerAtThePromptListsEveryCommand) {
  const fs::path dir = testsupport::freshFolder("help-list");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 640, 480));
  const testsupport::RunResult r = testsupport::runPelm(dir, "help\n\nhelp\n ; only a remark\nx\n");
  fs::remove_all(dir);
  EXPECT_EQ(r.status, 0);
  std::string list;
  for (const std::string& l : app::commandListLines()) list += l + "\n";
  const std::string prompt = " $    command to explain (<return> for the list) : ";
  const size_t first = r.out.find(prompt + list);
  ASSERT_NE(first, std::string::npos) << r.out.substr(r.out.size() > 3000 ? r.out.size() - 3000 : 0);
  EXPECT_NE(r.out.find(prompt + list, first + 1), std::string::npos);
}

// A word that is not a keyword lists the commands whose help mentions it (case ignored); at
// a terminal a long list stops after each screenful, never when the input is redirected.
TEST(CommandHelp, AWordFindsItsCommandsAndLongListsArePagedAtATerminal) {
  const fs::path dir = testsupport::freshFolder("help-word");
  testsupport::writeFile(dir / "device.ccd", testsupport::deviceCcd("Test camera", 640, 480));
  const testsupport::RunResult r = testsupport::runPelm(dir, "help\nFiducial\nhelp\nzzzq\nx\n");
  fs::remove_all(dir);
  std::string found;
  for (const std::string& l : app::commandsMentioning("fiducial")) found += l + "\n";
  for (const char* keyword : {"fiducialst", "startposit", "align", "positions"}) {
    EXPECT_NE(found.find("\n    " + textio::fixed(keyword, 22)), std::string::npos) << keyword << "\n" << found;
  }
  EXPECT_EQ(found.find("    stack "), std::string::npos);
  EXPECT_TRUE(found.starts_with(" \n  commands whose help mentions fiducial :\n")) << found;
  const std::string prompt = " $    command to explain (<return> for the list) : ";
  EXPECT_NE(r.out.find(prompt + found + prompt + "   zzzq is not a command; help and <return> list them all\n"),
            std::string::npos)
      << r.out.substr(r.out.size() > 2000 ? r.out.size() - 2000 : 0);
  EXPECT_TRUE(app::commandsMentioning("zzzq").empty());

  const std::vector<std::string> list = app::commandListLines();
  ASSERT_GT(list.size(), 44u);
  auto shown = [&](bool terminal, const std::string& keys) {
    std::istringstream in(keys);
    std::ostringstream out;
    textio::Console console(in, out);
    console.setTerminal(terminal);
    app::showPaged(console, list);
    return out.str();
  };
  std::string whole;
  for (const std::string& l : list) whole += l + "\n";
  EXPECT_EQ(shown(false, ""), whole);
  const std::string more = "   -- more: <return> goes on, q ends the list -- ";
  std::string paged;
  for (size_t k = 0; k < list.size(); ++k) paged += (k > 0 && k % 22 == 0 ? more : "") + list[k] + "\n";
  EXPECT_EQ(shown(true, std::string(list.size() / 22, '\n')), paged);
  std::string first;
  for (size_t k = 0; k < 22; ++k) first += list[k] + "\n";
  EXPECT_EQ(shown(true, "q\n"), first + more);
}

TEST(CommandHelp, ExplanationsFitTheConsole) {
  for (const app::Command& c : app::commandTable()) {
    for (const std::string& l : app::explainLines(c)) EXPECT_LE(l.size(), 79u) << c.keywords << ": " << l;
  }
}

std::string manualText() { return readText(kSource / "docs" / "manual.md"); }

TEST(Manual, CommandReferenceIsGeneratedFromTheTable) {
  const std::string manual = manualText();
  ASSERT_FALSE(manual.empty()) << "docs/manual.md is missing";
  const std::string regenerated = app::withReference(manual, app::commandReference());
  ASSERT_FALSE(regenerated.empty()) << "docs/manual.md lacks the marker lines\n"
                                    << app::kReferenceBegin << "\n"
                                    << app::kReferenceEnd;
  EXPECT_TRUE(regenerated == manual)
      << "the command reference in docs/manual.md differs from the help text of the command table;\n"
         "run `make manual` (or build-dir/manualref docs/manual.md) to regenerate it";
}

TEST(Manual, EveryFileTheCommandsNameIsDescribedOutsideTheReference) {
  const std::string manual = manualText();
  const size_t begin = manual.find(app::kReferenceBegin);
  const size_t end = manual.find(app::kReferenceEnd);
  ASSERT_TRUE(begin != std::string::npos && end != std::string::npos && begin < end);
  const std::string prose = manual.substr(0, begin) + manual.substr(end);
  const std::regex fileName(R"([A-Za-z0-9_]+\.(dat|txt|lst|fid|psf|mdl|ccd|bat|dir|res|svg))");
  int named = 0;
  for (const app::Command& c : app::commandTable()) {
    const std::string files(c.help.files);
    for (std::sregex_iterator it(files.begin(), files.end(), fileName), stop; it != stop; ++it) {
      ++named;
      EXPECT_NE(prose.find(it->str()), std::string::npos)
          << it->str() << " (named by " << firstAlias(c) << ") is not described in docs/manual.md";
    }
  }
  EXPECT_GT(named, 30);
}

// The messages the manual explains are messages the program prints: each piece of the first
// column (split at "...", " / " and <placeholders>) occurs in the sources.
TEST(Manual, ExplainedMessagesAreMessagesOfTheProgram) {
  const std::string manual = manualText();
  const size_t section = manual.find("## 6. Messages and what to do");
  ASSERT_NE(section, std::string::npos);
  const std::string sources = programSources();
  const std::regex pieces(R"(\.\.\.|\s/\s|<[^>]*>|\(\*\*stop\*\*\))");
  std::istringstream lines(manual.substr(section));
  int explained = 0;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("| ", 0) != 0 || line.rfind("| message", 0) == 0 || line.rfind("| (", 0) == 0) continue;
    std::string message = line.substr(2, line.find(" | ") - 2);
    for (size_t at = message.find("&lt;"); at != std::string::npos; at = message.find("&lt;")) {
      message.replace(at, 4, "<");
    }
    ++explained;
    for (std::sregex_token_iterator it(message.begin(), message.end(), pieces, -1), end; it != end; ++it) {
      const std::string piece(textio::trim(it->str()));
      if (piece.size() < 6) continue;
      EXPECT_NE(sources.find(piece), std::string::npos) << "the manual explains \"" << piece
                                                        << "\", which the program never prints";
    }
  }
  EXPECT_GT(explained, 40);
}

TEST(Manual, ReferenceReplacesOnlyTheTextBetweenTheMarkers) {
  const std::string text = "# m\n" + std::string(app::kReferenceBegin) + "\nold\n" +
                           std::string(app::kReferenceEnd) + "\nafter\n";
  EXPECT_EQ(app::withReference(text, "new\n"),
            "# m\n" + std::string(app::kReferenceBegin) + "\n\nnew\n" + std::string(app::kReferenceEnd) + "\nafter\n");
  EXPECT_EQ(app::withReference("no markers here", "new\n"), "");
  EXPECT_EQ(app::withReference(std::string(app::kReferenceBegin) + "\nnever closed", "new\n"), "");
}

}  // namespace
