// Whether a file the program looks for is there as an ordinary file, and which version it is.
#include "platform/files/file_exists.h"

#include <windows.h>

#include <string>

#include "platform/files/windows/file_table.h"
#include "platform/files/windows/win32_codes.h"

namespace {

constexpr DWORD NotOrdinaryAttributes =
    FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DEVICE;

// A name the system could take for something else: empty, or holding a NUL or a wildcard.
bool UnusableName(const std::string& name) {
  return name.empty() || name.find('\0') != std::string::npos ||
         name.find_first_of("*?") != std::string::npos;
}

uint64_t Combined(DWORD high, DWORD low) {
  return (static_cast<uint64_t>(high) << 32) | low;
}

}  // namespace

// True for an ordinary file; a folder, a link (reparse point) or a device is not one.
bool OrdinaryFileExists(const std::string& name) {
  if (UnusableName(name)) return false;
  QuietErrorMode quiet;
  const DWORD attributes = GetFileAttributesA(name.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & NotOrdinaryAttributes) == 0;
}

// The system's own test: a disk file whose attributes name neither a folder nor a link.
bool IsOrdinaryFile(HANDLE handle, BY_HANDLE_FILE_INFORMATION& info) {
  return GetFileType(handle) == FILE_TYPE_DISK && GetFileInformationByHandle(handle, &info) &&
         (info.dwFileAttributes & NotOrdinaryAttributes) == 0;
}

// Volume and file index say which file; size, last-write time and attributes which version.
// A file whose read-only mark the operator took away counts as changed.
std::string FileIdentityText(const BY_HANDLE_FILE_INFORMATION& info) {
  return std::to_string(info.dwVolumeSerialNumber) + ":" +
         std::to_string(Combined(info.nFileIndexHigh, info.nFileIndexLow)) + ":" +
         std::to_string(Combined(info.nFileSizeHigh, info.nFileSizeLow)) + ":" +
         std::to_string(
             Combined(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime)) +
         ":" + std::to_string(info.dwFileAttributes);
}

// The identity of the ordinary file of that name; "" when there is none. The file is opened
// for its attributes only: such an open shares everything and asks for no data, so it never
// keeps the point-of-sale program from opening the file, even exclusively.
std::string FileIdentity(const std::string& name) {
  if (UnusableName(name)) return "";
  QuietErrorMode quiet;
  HANDLE handle = CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return "";
  BY_HANDLE_FILE_INFORMATION info{};
  std::string identity = IsOrdinaryFile(handle, info) ? FileIdentityText(info) : "";
  CloseHandle(handle);
  return identity;
}
