// Answers to a command's questions that have a default.
#include "app/answers.h"

#include "textio/fixed_text.h"
#include "textio/free_format.h"

namespace app {

int32_t askIntOr(textio::Console& c, const std::string& prompt, int32_t fallback) {
  for (;;) {
    c.prompt(prompt);
    bool fromScript = false;
    std::string text = c.answer(&fromScript);
    if (textio::isBlank(text)) return fallback;
    textio::FreeItems items(text);
    int32_t v = 0;
    if (items.integer(v)) return v;
    c.line("   error - cannot read a number from: " + std::string(textio::trim(text)));
    if (fromScript) {
      c.endScript();
      throw textio::CommandAbandoned();
    }
  }
}

std::string askText(textio::Console& c, const std::string& prompt) {
  c.prompt(prompt);
  return std::string(textio::trim(c.answer()));
}

}  // namespace app
