// Folders the program writes into, never through a symbolic link, and names given without
// replacing a file: used for the unprinted folder and Print to PDF's folder.
#pragma once

// Opens a folder of the working directory without following a link, making it when missing.
// -1 with errno set otherwise: ELOOP or ENOTDIR when the name is a link or not a folder.
int OpenRealFolder(const char* name);

// Renames `from` (in folder fromFolder) to `to` (in toFolder) unless `to` exists: renameat2
// with RENAME_NOREPLACE, or a link and an unlink where the file system lacks it. 0 when done,
// else the errno (EEXIST: the name is taken).
int RenameWithoutReplacing(int fromFolder, const char* from, int toFolder, const char* to);
