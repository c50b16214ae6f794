// Operating-system services: environment, per-user places, file and folder operations,
// the per-user single-instance lock, starting programs and the desktop's "open" action.
// Folder texts end with the separator and file names are joined to them directly.
// Nothing here throws except WriteFileAtomically (re-exported from platform/text).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/text/date_time.h"   // FileModificationTime
#include "platform/text/file_bytes.h"  // ReadFileBytes, WriteFileAtomically

namespace platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// An environment variable; empty optional when it is not set.
std::optional<std::string> GetEnv(const std::string& name);
// Sets (or, given an empty optional, removes) an environment variable of this process.
void SetEnv(const std::string& name, const std::optional<std::string>& value);

// Per-user places. Windows: USERPROFILE + "\Application Data\" and, under it,
// "Quendal\"; USERNAME. Elsewhere: ${XDG_DATA_HOME:-$HOME/.local/share}/ and, under it,
// "Quendal/"; $USER. Each folder ends with the separator; none is created here.
std::string ProfileFolder();     // USERPROFILE / $HOME, with trailing separator
std::string DataFolder();        // the parent of the working directory
std::string WorkingDirectory();  // DataFolder() + "Quendal" + separator
std::string UserName();          // empty when not set

// The running program file's full path and its folder (with trailing separator).
std::string ProgramFile();
std::string ProgramFolder();

// A file exists that is not a folder (symbolic links followed).
bool FileExists(const std::string& path);
bool FolderExists(const std::string& path);
// Copies a file, replacing the target whole and keeping the source's modification time.
// Returns false on any failure, never throws; a failed copy leaves the target untouched.
bool CopyFile(const std::string& from, const std::string& to);
// Deletes a file; false when it could not (a missing file included).
bool DeleteFile(const std::string& path);
// Renames a file, replacing an existing target; false on failure.
bool RenameFile(const std::string& from, const std::string& to);
// Makes one folder level (the parent must exist); quiet: false when it does not exist
// afterwards. A trailing separator is allowed.
bool CreateFolder(const std::string& path);
// Makes every missing level of a folder path; quiet like CreateFolder.
bool CreateFolderTree(const std::string& path);

// Names (not paths) of the ordinary files of `folder` whose names match any of `masks`
// ("*" any run of characters, "?" one character), sorted by name. Hidden files (names
// starting with ".") and folders are never listed. Letter case counts unless
// `ignoreCase` is set (then compared after UpperCase). A missing folder gives no names.
std::vector<std::string> ListFiles(const std::string& folder, const std::vector<std::string>& masks,
                                   bool ignoreCase = false);
// The same matching on one name.
bool MatchesMask(const std::string& name, const std::string& mask, bool ignoreCase = false);

// The per-user single-instance lock: an exclusive flock on the file
// "{4AA71105-17F8-422F-9E12-09D8E4C9FAB1}" + user name in $XDG_RUNTIME_DIR (or /tmp),
// held until the object is destroyed or the process ends. The descriptor is not
// inherited by started programs.
class SingleInstanceLock {
public:
    SingleInstanceLock() = default;
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;
    // True when this process now holds the lock for `userName`; false when another
    // process holds it or the lock file cannot be opened.
    bool Acquire(const std::string& userName);
    bool Held() const { return m_fd >= 0; }
    // The lock file used for a user name.
    static std::string LockFilePath(const std::string& userName);

private:
    int m_fd = -1;
};

// Starts a program file detached from this process (it outlives it and is not waited
// for). True when the program was started; false when it cannot be run.
bool StartProgram(const std::string& path, const std::vector<std::string>& arguments = {});
// Opens a file, folder or link ("mailto:...") with the desktop's handler: the program
// named by the environment variable CATALOG_OPENER, or "xdg-open". Detached; true when
// the opener was started.
bool OpenWithDesktop(const std::string& target);

}  // namespace platform
