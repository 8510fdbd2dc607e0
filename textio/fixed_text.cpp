// Blank-padded text fields.
#include "textio/fixed_text.h"

namespace textio {

std::string fixed(std::string_view s, size_t w) {
  std::string out(s.substr(0, w));
  out.resize(w, ' ');
  return out;
}

std::string_view trimRight(std::string_view s) {
  size_t n = s.size();
  while (n > 0 && s[n - 1] == ' ') --n;
  return s.substr(0, n);
}

std::string_view trim(std::string_view s) {
  s = trimRight(s);
  size_t b = 0;
  while (b < s.size() && s[b] == ' ') ++b;
  return s.substr(b);
}

bool isBlank(std::string_view s) {
  return s.find_first_not_of(' ') == std::string_view::npos;
}

void blankFrom(std::string& s, std::string_view stops) {
  size_t p = s.find_first_of(stops);
  if (p == std::string::npos) return;
  for (size_t i = p; i < s.size(); ++i) s[i] = ' ';
}

std::string_view dropCr(std::string_view s) {
  if (!s.empty() && s.back() == '\r') s.remove_suffix(1);
  return s;
}

}  // namespace textio
