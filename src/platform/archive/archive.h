// ZIP and gzip extraction for the exchange downloads.
//
// Contracts:
// - Nothing is ever written outside the target folder: an entry's stored folders ("/" or
//   "\" separated) are dropped, and an entry whose bare name is empty, "." or "..", or
//   holds a drive colon (":"), is skipped, as are folders, links and other non-files.
// - Each file is written under a temporary name in the target folder and renamed over
//   the final name only once complete; a failure removes the temporary file.
// - The archive type is forced by the caller, never guessed from the file name.
// - A damaged, truncated or unreadable archive throws ArchiveError naming the file.
#pragma once

#include <string>
#include <vector>

#include "platform/text/app_error.h"

namespace platform {

class ArchiveError : public AppError {
public:
    using AppError::AppError;
};

enum class ArchiveType {
    Zip,   // a ZIP archive
    Gzip,  // a raw gzip stream holding one file
};

// The bare name an entry would be extracted under (stored folders dropped), or empty when
// the entry must be skipped (empty, ".", "..", a drive colon).
std::string SafeEntryName(const std::string& storedName);

// Extracts every file entry of a ZIP archive whose bare name matches `mask` into
// `targetFolder` (with or without a trailing separator) under its bare name, replacing a
// file of that name. Returns the bare names written, in archive order. When two entries
// share a bare name the later one wins.
std::vector<std::string> ExtractZipByMask(const std::string& archivePath,
                                          const std::string& targetFolder, const std::string& mask);

// Extracts the first file entry of the archive as targetFolder/fileName, replacing it.
// Returns false (and writes nothing) when the archive holds no file entry.
bool ExtractFirstEntry(const std::string& archivePath, ArchiveType type,
                       const std::string& targetFolder, const std::string& fileName);

}  // namespace platform
