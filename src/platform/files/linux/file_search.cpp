// Finding and deleting files by name pattern: * and ? wildcards, letter case ignored, only
// ordinary files that are not hidden.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <vector>

#include "base/error_code.h"
#include "platform/files/linux/file_held.h"
#include "platform/files/file_watch.h"
#include "platform/files/files.h"
#include "platform/files/name_pattern.h"
#include "platform/files/linux/errno_codes.h"

namespace {

struct SearchPattern {
  std::string Folder;  // "." for the working directory
  std::string Name;    // name pattern, wildcards allowed
};

// Splits a pattern at its last "/" into folder and name pattern. A pattern that ends in ":"
// or "/" names every file: "*.*" is appended.
SearchPattern SplitPattern(std::string pattern) {
  if (!pattern.empty() && (pattern.back() == ':' || pattern.back() == '/')) pattern += "*.*";
  size_t slash = pattern.rfind('/');
  if (slash == std::string::npos) return {".", pattern};
  return {slash == 0 ? "/" : pattern.substr(0, slash), pattern.substr(slash + 1)};
}

bool HasWildcard(const std::string& pattern) {
  return pattern.find_first_of("*?") != std::string::npos;
}

// Names of the ordinary files in the folder that match, in byte order. Names starting with
// "." are hidden and never match ("." and ".." among them); folders, symbolic links and
// devices never match. A pattern without wildcards names one file: the one spelt exactly
// so when it exists, else the first that matches with case ignored; so the capture file is
// found and deleted as one file even if another spelling of its name exists too. On a folder
// that cannot be read, `error` gets its errno.
std::vector<std::string> MatchingFiles(const SearchPattern& search, int& error) {
  std::vector<std::string> names;
  error = 0;
  if (search.Name.empty()) return names;
  DIR* folder = opendir(search.Folder.c_str());
  if (folder == nullptr) {
    error = errno;
    return names;
  }
  while (dirent* entry = readdir(folder)) {
    std::string name = entry->d_name;
    if (name[0] == '.' || !NameMatches(name, search.Name)) continue;
    struct stat info;
    if (fstatat(dirfd(folder), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 &&
        S_ISREG(info.st_mode))
      names.push_back(name);
  }
  closedir(folder);
  std::sort(names.begin(), names.end());
  if (!HasWildcard(search.Name) && names.size() > 1) {
    bool exact = std::find(names.begin(), names.end(), search.Name) != names.end();
    names = {exact ? search.Name : names.front()};
  }
  return names;
}

// Path of a found name inside the pattern's folder.
std::string PathInFolder(const SearchPattern& search, const std::string& name) {
  if (search.Folder == ".") return name;
  if (search.Folder == "/") return "/" + name;
  return search.Folder + "/" + name;
}

// Deletes one found file unless another process holds it, as the original platform refuses to
// delete a file that is open elsewhere: the file is opened (no link followed, no wait on a
// device), locked and probed like an exclusive open, and unlinked while the lock is held, so
// a capture file that the point-of-sale program has just reopened for the next receipt stays.
// Returns 0 when deleted, 70 when held (or replaced meanwhile), else the failure's code; the
// cause of a failure goes to ErrorCause.
int DeleteUnlessHeld(const std::string& path) {
  int descriptor;
  CatchUpWithWatch();
  do descriptor = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  while (descriptor < 0 && errno == EINTR);
  int error = 0;
  if (descriptor < 0) {
    // A file this program may not read can still be deleted where its folder allows;
    // whether anyone holds it cannot be told then.
    error = errno;
    if (error == EACCES) error = unlink(path.c_str()) == 0 ? 0 : errno;
    if (error == 0) return 0;
    ErrorCause = ErrnoCause(error);
    return ErrorCodeFromErrno(error);
  }
  int code = 0;
  struct stat opened, named;
  if (fstat(descriptor, &opened) != 0 || !S_ISREG(opened.st_mode)) {
    code = NotOrdinaryFileCode;
    ErrorCause = "it is not an ordinary file";
  } else if (HeldElsewhere(descriptor, path)) {
    code = HeldOrDeniedCode;
    ErrorCause = HeldElsewhereCause;
  } else if (lstat(path.c_str(), &named) != 0 || named.st_dev != opened.st_dev ||
             named.st_ino != opened.st_ino) {
    code =
        HeldOrDeniedCode;  // the name went to a new file since it was opened: someone is writing it
    ErrorCause = "a new file took its name";
  } else if (unlink(path.c_str()) != 0) {
    code = ErrorCodeFromErrno(errno);
    ErrorCause = ErrnoCause(errno);
  }
  CatchUpWithWatch();
  close(descriptor);
  CatchUpWithWatch();
  return code;
}

}  // namespace

// Name, without folder, of the first matching ordinary file in byte order; "" when none.
// Always leaves ErrorCode 0.
std::string FirstMatchingFile(const std::string& pattern) {
  int error;
  std::vector<std::string> names = MatchingFiles(SplitPattern(pattern), error);
  ErrorCode = 0;
  return names.empty() ? "" : names.front();
}

// Deletes every matching ordinary file. None matching: 53; a missing folder 76, an
// unreadable one the code of its errno. A file another process holds open is kept (70); that
// or any other failed deletion leaves its code and the others are still deleted.
void DeleteFiles(const std::string& pattern) {
  SearchPattern search = SplitPattern(pattern);
  int error;
  std::vector<std::string> names = MatchingFiles(search, error);
  if (names.empty()) {
    ErrorCode = error == ENOENT ? PathNotFoundCode
                : error != 0    ? ErrorCodeFromErrno(error)
                                : FileNotFoundCode;
    return;
  }
  for (const std::string& name : names) {
    int code = DeleteUnlessHeld(PathInFolder(search, name));
    if (code != 0) ErrorCode = code;
  }
}
