// File name patterns as DOS wrote them: * and ? wildcards, letter case ignored.
#pragma once

#include <string>

// DOS name match: a name without a dot also matches a pattern ending in ".*" or "." through
// the part before it, so "*.*" matches every name and "README.*" matches "README".
bool NameMatches(const std::string& name, const std::string& pattern);
