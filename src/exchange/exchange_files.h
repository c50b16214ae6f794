// Local file helpers of the exchange downloads (the ordinary file operations are
// platform/os's). None of them throws: a failure is reported by the result only.
#pragma once

#include <string>

namespace exchange_files {

// A new empty folder inside `parent` (which ends with the separator); empty on failure.
std::string MakeTempFolder(const std::string& parent, const std::string& prefix);
void RemoveFolder(const std::string& folder);
// The current local date as "yyyyddmm".
std::string DateSuffix();
// A server list line usable as a local file name in one folder: no path separator, no
// drive colon, not "." or "..", nothing made only of dots and blanks.
bool IsSafeFileName(const std::string& name);

}  // namespace exchange_files
