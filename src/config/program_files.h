// The names of the files and folders the program keeps in its working folder, in one place
// for every layer that opens them.
#pragma once

#include <string>

inline const std::string SettingsFileName = "tavrel2.cfg";
inline const std::string LogFileName = "tavrel.log";
// The capture file the point-of-sale program writes each document into.
inline const std::string CaptureFileName = "WLSDFKJN.DRY";
// Where documents that were not printed whole are kept.
inline const std::string UnprintedFolder = "unprinted";
// The lock that keeps a second run mode out of the folder.
inline const std::string RunLockFileName = "tavrel.lock";
