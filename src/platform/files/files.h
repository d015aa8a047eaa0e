// Files and processes: exclusive opens, the line rules of text files, directory search,
// deletion and program start. Failures only set ErrorCode; nothing is shown.
#pragma once

#include <cstdint>
#include <string>

enum FileMode { FileInput, FileOutput, FileAppend };

// Fixed file numbers of the program's own files.
constexpr int SettingsFileNumber = 112;
constexpr int LogFileNumber = 113;

// Opens exclusively (lock, and a lease probe that fails while any other process holds the
// file: code 70). Input fails on a missing file (53); output empties the file; append keeps it.
void FileOpen(const std::string& name, int number, FileMode mode);
// Next line: CR or CR LF ends it, a lone LF stays, 1Ah ends the data. Past the end: "" and 62.
std::string FileLineInput(int number);
void FilePrint(int number, const std::string& text);
void FilePrintZone(int number);
void FileNewLine(int number);
bool FileAtEnd(int number);
int64_t FileSize(int number);
// What identifies the open file's present version, as FileIdentity does for a name.
std::string OpenFileIdentity(int number);
void FileClose(int number);
int FreeFileNumber();

// Name (without directory) of the first ordinary file matching the pattern, letter case
// ignored, * and ? wildcards; "" when none. Sets ErrorCode to 0.
std::string FirstMatchingFile(const std::string& pattern);
// Deletes every ordinary file matching; 53 when none matched.
void DeleteFiles(const std::string& pattern);
// Renames a file, replacing the target; sets ErrorCode on failure.
void RenameFile(const std::string& from, const std::string& to);
// Creates a folder when it does not exist yet.
void MakeFolder(const std::string& name);
// Moves a file into a folder of the working directory under a new name, making the folder
// when it is missing. Never goes through a symbolic link and never replaces a file: 58 when
// the name is taken, 75 when the folder's name is a link or not a folder.
void MoveIntoFolder(const std::string& from, const std::string& folder, const std::string& name);
