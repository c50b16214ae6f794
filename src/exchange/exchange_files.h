// Local file operations of the exchange downloads. None of them throws: like the
// downloads' own deletions and renames, a failure here is reported by the result only.
#pragma once

#include <string>

namespace exchange_files {

bool FileExists(const std::string& path);  // an ordinary file
void RemoveFile(const std::string& path);
bool RenameFile(const std::string& from, const std::string& to);  // replaces `to`
// A new empty folder inside `parent` (which ends with the separator); empty on failure.
std::string MakeTempFolder(const std::string& parent, const std::string& prefix);
void RemoveFolder(const std::string& folder);
// The running program's executable file.
std::string RunningExecutable();
// The current local date as "yyyyddmm".
std::string DateSuffix();
// A server list line usable as a local file name in one folder: no path separator, no
// drive colon, not "." or "..", nothing made only of dots and blanks.
bool IsSafeFileName(const std::string& name);

}  // namespace exchange_files
