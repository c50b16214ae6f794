// A compound file (version 3, 512-byte sectors) holding one stream under the root.
// Streams shorter than the 4096-byte mini-stream cutoff are padded with zeros up to it,
// so the file needs no mini stream; the padded size is the declared size. Files of any
// size are handled, with extra FAT-list (DIFAT) sectors past 109 FAT sectors.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// streamName: at most 31 characters of ASCII (for example "Workbook").
std::string WriteCompoundFile(std::string_view streamName, std::string_view stream);

}  // namespace platform
