// File name patterns as DOS wrote them: * and ? wildcards, letter case ignored.
#include "platform/files/name_pattern.h"

namespace {

// ASCII letters folded to lower case; other bytes unchanged.
char FoldCase(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Wildcard match, case ignored: ? is any one byte, * any run of bytes. Backtracks only to the
// last *, so the time stays proportional to the lengths' product at worst.
bool WildcardMatches(const std::string& name, const std::string& pattern) {
  size_t n = 0, p = 0;
  size_t starPattern = std::string::npos, starName = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starPattern = p++;
      starName = n;
    } else if (p < pattern.size() &&
               (pattern[p] == '?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
      ++p;
      ++n;
    } else if (starPattern != std::string::npos) {
      p = starPattern + 1;
      n = ++starName;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace

// DOS name match: a name without a dot also matches a pattern ending in ".*" or "." through
// the part before it, so "*.*" matches every name and "README.*" matches "README".
bool NameMatches(const std::string& name, const std::string& pattern) {
  if (WildcardMatches(name, pattern)) return true;
  if (name.find('.') != std::string::npos) return false;
  if (pattern.size() >= 2 && pattern.compare(pattern.size() - 2, 2, ".*") == 0)
    return WildcardMatches(name, pattern.substr(0, pattern.size() - 2));
  if (!pattern.empty() && pattern.back() == '.')
    return WildcardMatches(name, pattern.substr(0, pattern.size() - 1));
  return false;
}
