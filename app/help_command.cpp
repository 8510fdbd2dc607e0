// The `help` command and the generated command reference.
#include "app/help_command.h"

#include "app/interpreter.h"
#include "textio/fixed_text.h"

namespace app {

namespace {

// Width of the alias column of the command list.
constexpr size_t kAliasWidth = 22;

// Lines shown at a time when the help text is read at a terminal.
constexpr size_t kPageLines = 22;

std::string lowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

std::string aliasesText(std::string_view keywords, std::string_view separator) {
  std::string out;
  size_t b = 0;
  while (b < keywords.size()) {
    size_t e = keywords.find(' ', b);
    if (e == std::string_view::npos) e = keywords.size();
    if (!out.empty()) out += separator;
    out += keywords.substr(b, e - b);
    b = e + 1;
  }
  return out;
}

bool isPrompt(std::string_view line) { return !line.empty() && line.front() == '>'; }

std::string_view promptText(std::string_view line) { return textio::trim(line.substr(1)); }

// A field shown as a heading and its lines, or as "heading : none".
void addField(std::vector<std::string>& out, std::string_view heading, std::string_view text) {
  std::vector<std::string_view> lines = helpLines(text);
  if (lines.empty()) {
    out.push_back("  " + std::string(heading) + " : none");
    return;
  }
  out.push_back("  " + std::string(heading) + " :");
  for (std::string_view l : lines) out.push_back("     " + std::string(l));
}

void addPrompts(std::vector<std::string>& out, std::string_view text) {
  std::vector<std::string_view> lines = helpLines(text);
  if (lines.empty()) {
    out.push_back("  asks nothing");
    return;
  }
  out.push_back("  asks, in order :");
  for (std::string_view l : lines) {
    if (isPrompt(l)) {
      out.push_back("     > " + std::string(promptText(l)));
    } else {
      out.push_back("         " + std::string(textio::trim(l)));
    }
  }
}

// Markdown text: characters that Markdown would take as markup are escaped outside `code`.
std::string markdownText(std::string_view text) {
  std::string out;
  bool inCode = false;
  for (char c : text) {
    if (c == '`') inCode = !inCode;
    if (!inCode && (c == '<' || c == '>')) {
      out += c == '<' ? "&lt;" : "&gt;";
    } else {
      if (!inCode && (c == '*' || c == '_' || c == '\\')) out += '\\';
      out += c;
    }
  }
  return out;
}

// The lines of a field joined into one paragraph (they are one text wrapped for the console).
std::string joinedLines(std::string_view text) {
  std::string out;
  for (std::string_view l : helpLines(text)) {
    if (!out.empty()) out += ' ';
    out += textio::trim(l);
  }
  return out;
}

std::string capitalised(std::string text) {
  if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
  return text;
}

void addMarkdownField(std::string& md, std::string_view heading, std::string_view text) {
  std::string joined = joinedLines(text);
  md += std::string(heading) + ": " + (joined.empty() ? std::string("none") : markdownText(joined)) + ".\n\n";
}

void addMarkdownPrompts(std::string& md, std::string_view text) {
  std::vector<std::string_view> lines = helpLines(text);
  if (lines.empty()) {
    md += "Asks nothing.\n\n";
    return;
  }
  md += "Asks, in order:\n\n";
  std::string item;  // the prompt (in code) and what its answer means
  auto flush = [&] {
    if (!item.empty()) md += "- " + item + "\n";
    item.clear();
  };
  for (std::string_view l : lines) {
    if (isPrompt(l)) {
      flush();
      item = "`" + std::string(promptText(l)) + "`";
    } else {
      item += item.empty() ? "" : (item.back() == '`' ? " — " : " ");
      item += markdownText(textio::trim(l));
    }
  }
  flush();
  md += "\n";
}

}  // namespace

std::vector<std::string_view> helpLines(std::string_view text) {
  std::vector<std::string_view> lines;
  size_t b = 0;
  while (b < text.size()) {
    size_t e = text.find('\n', b);
    if (e == std::string_view::npos) e = text.size();
    lines.push_back(text.substr(b, e - b));
    b = e + 1;
  }
  while (!lines.empty() && textio::isBlank(lines.back())) lines.pop_back();
  return lines;
}

std::vector<std::string> mentionedKeywords(std::string_view text) {
  std::vector<std::string> out;
  size_t b = text.find('`');
  while (b != std::string_view::npos) {
    size_t e = text.find('`', b + 1);
    if (e == std::string_view::npos) {
      out.emplace_back(text.substr(b + 1));  // an unclosed quote: reported as it stands
      break;
    }
    out.emplace_back(text.substr(b + 1, e - b - 1));
    b = text.find('`', e + 1);
  }
  return out;
}

std::string listLine(const Command& c) {
  return "    " + textio::fixed(aliasesText(c.keywords, " "), kAliasWidth) + std::string(c.help.purpose);
}

std::vector<std::string> commandListLines() {
  std::vector<std::string> out;
  out.push_back(" ");
  out.push_back("  commands by task (help, then a keyword, explains one) :");
  for (std::string_view group : kCommandGroups) {
    out.push_back(" ");
    out.push_back("  " + std::string(group));
    for (const Command& c : commandTable()) {
      if (c.help.group != group) continue;
      out.push_back(listLine(c));
    }
  }
  out.push_back(" ");
  return out;
}

std::vector<std::string> explainLines(const Command& c) {
  std::vector<std::string> out;
  out.push_back(" ");
  out.push_back("  " + aliasesText(c.keywords, ", ") + " : " + std::string(c.help.purpose));
  out.push_back("  group : " + std::string(c.help.group));
  addPrompts(out, c.help.prompts);
  addField(out, "files", c.help.files);
  addField(out, "settings", c.help.settings);
  out.push_back(" ");
  return out;
}

std::vector<std::string> commandsMentioning(std::string_view word) {
  std::string w = lowerCase(textio::trim(word));
  std::vector<std::string> out;
  if (w.empty()) return out;
  for (const Command& c : commandTable()) {
    const CommandHelp& h = c.help;
    for (std::string_view field : {c.keywords, h.purpose, h.prompts, h.files, h.settings}) {
      if (lowerCase(field).find(w) == std::string::npos) continue;
      out.push_back(listLine(c));
      break;
    }
  }
  if (out.empty()) return out;
  out.insert(out.begin(), {" ", "  commands whose help mentions " + w + " :"});
  out.emplace_back(" ");
  return out;
}

void showPaged(textio::Console& console, const std::vector<std::string>& lines) {
  size_t shown = 0;
  for (const std::string& l : lines) {
    if (shown == kPageLines && console.atTerminal()) {
      console.prompt("   -- more: <return> goes on, q ends the list -- ");
      std::string answer = console.keyboardLine();
      if (!answer.empty() && (answer[0] == 'q' || answer[0] == 'Q')) return;
      shown = 0;
    }
    console.line(l);
    ++shown;
  }
}

void helpCommand(Session& s) {
  s.console.prompt("   command to explain (<return> for the list) : ");
  std::string typed = s.console.answer();
  std::string key = normalise(typed);
  textio::blankFrom(key, ";!/");
  std::vector<std::string> lines;
  if (textio::isBlank(key)) {
    lines = commandListLines();
  } else if (const Command* c = findCommand(key)) {
    lines = explainLines(*c);
  } else {
    textio::blankFrom(typed, ";!/");
    lines = commandsMentioning(typed);
    if (lines.empty()) {
      lines = {"   " + std::string(textio::trimRight(key)) + " is not a command; help and <return> list them all"};
    }
  }
  showPaged(s.console, lines);
}

std::string commandReference() {
  std::string md;
  for (std::string_view group : kCommandGroups) {
    md += "### " + capitalised(std::string(group)) + "\n\n";
    for (const Command& c : commandTable()) {
      if (c.help.group != group) continue;
      md += "#### " + aliasesText(c.keywords, ", ") + "\n\n";
      md += capitalised(markdownText(c.help.purpose)) + ".\n\n";
      addMarkdownPrompts(md, c.help.prompts);
      addMarkdownField(md, "Files", c.help.files);
      addMarkdownField(md, "Settings", c.help.settings);
    }
  }
  return md;
}

std::string withReference(std::string_view text, std::string_view reference) {
  size_t begin = text.find(kReferenceBegin);
  if (begin == std::string_view::npos) return {};
  size_t bodyStart = text.find('\n', begin);
  if (bodyStart == std::string_view::npos) return {};
  bodyStart += 1;
  size_t end = text.find(kReferenceEnd, bodyStart);
  if (end == std::string_view::npos) return {};
  std::string out(text.substr(0, bodyStart));
  out += "\n";
  out += reference;
  out += text.substr(end);
  return out;
}

}  // namespace app
