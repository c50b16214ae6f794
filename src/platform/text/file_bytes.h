// Whole-file byte I/O shared by every layer. A file is replaced only by a complete new
// one: WriteFileAtomically writes a temporary file in the same folder, flushes it to the
// disk and renames it over the target, so a crash never leaves a half-written file.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The whole content of a file; empty optional when it cannot be opened or read.
std::optional<std::string> ReadFileBytes(const std::string& path);
// Replaces `path` whole with `bytes`. Throws AppError naming the file on failure; the old
// file (if any) is then left as it was and no temporary file is left behind.
void WriteFileAtomically(const std::string& path, std::string_view bytes);

}  // namespace platform
