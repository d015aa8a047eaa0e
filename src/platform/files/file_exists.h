// Whether a name is an ordinary file, exactly as written (no case folding, no links).
#pragma once

#include <string>

bool OrdinaryFileExists(const std::string& name);

// What identifies one version of an ordinary file (device, inode, size, modification and
// status-change times), so the program can tell whether a file changed between two looks;
// "" when it is not one.
std::string FileIdentity(const std::string& name);
