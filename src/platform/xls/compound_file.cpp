#include "platform/xls/compound_file.h"

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace platform {

namespace {

constexpr std::uint32_t kSectorSize = 512;
constexpr std::uint32_t kIdsPerSector = kSectorSize / 4;
constexpr std::uint32_t kHeaderFatSlots = 109;
constexpr std::uint32_t kMiniStreamCutoff = 4096;
constexpr std::uint32_t kFreeSector = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kFatSector = 0xFFFFFFFD;
constexpr std::uint32_t kDifatSector = 0xFFFFFFFC;
constexpr std::uint32_t kNoStream = 0xFFFFFFFF;

void Put16(std::string& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<char>(v & 0xFF);
    out[at + 1] = static_cast<char>(v >> 8);
}

void Put32(std::string& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

std::uint32_t CeilDiv(std::uint64_t a, std::uint64_t b) {
    return static_cast<std::uint32_t>((a + b - 1) / b);
}

// One 128-byte directory entry.
void PutDirectoryEntry(std::string& out, std::size_t at, std::string_view name, std::uint8_t type,
                       std::uint32_t child, std::uint32_t start, std::uint32_t size) {
    for (std::size_t i = 0; i < name.size(); ++i)
        Put16(out, at + 2 * i, static_cast<unsigned char>(name[i]));
    Put16(out, at + 64, static_cast<std::uint16_t>(name.empty() ? 0 : 2 * (name.size() + 1)));
    out[at + 66] = static_cast<char>(type);
    out[at + 67] = 1;                // black: valid for a tree of one child
    Put32(out, at + 68, kNoStream);  // left sibling
    Put32(out, at + 72, kNoStream);  // right sibling
    Put32(out, at + 76, child);
    Put32(out, at + 116, start);
    Put32(out, at + 120, size);
}

}  // namespace

std::string WriteCompoundFile(std::string_view streamName, std::string_view stream) {
    if (streamName.empty() || streamName.size() > 31)
        throw std::invalid_argument("bad stream name");
    std::uint64_t declared = std::max<std::uint64_t>(stream.size(), kMiniStreamCutoff);
    if (declared > 0x7FFFFFFF) throw std::length_error("stream too large for a compound file");
    const std::uint32_t streamSectors = CeilDiv(declared, kSectorSize);
    const std::uint32_t directorySectors = 1;

    // The FAT must also cover its own sectors and the DIFAT sectors that list it.
    std::uint32_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        std::uint32_t total = fatSectors + difatSectors + directorySectors + streamSectors;
        std::uint32_t needFat = CeilDiv(total, kIdsPerSector);
        std::uint32_t needDifat =
            needFat > kHeaderFatSlots ? CeilDiv(needFat - kHeaderFatSlots, kIdsPerSector - 1) : 0;
        if (needFat == fatSectors && needDifat == difatSectors) break;
        fatSectors = needFat;
        difatSectors = needDifat;
    }
    const std::uint32_t firstDifat = fatSectors;
    const std::uint32_t directorySector = fatSectors + difatSectors;
    const std::uint32_t firstStreamSector = directorySector + directorySectors;
    const std::uint32_t totalSectors = firstStreamSector + streamSectors;

    std::string out(kSectorSize * (1 + static_cast<std::size_t>(totalSectors)), '\0');
    auto sectorOffset = [](std::uint32_t sector) {
        return kSectorSize * (1 + static_cast<std::size_t>(sector));
    };

    // Header.
    const unsigned char signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    for (int i = 0; i < 8; ++i) out[i] = static_cast<char>(signature[i]);
    Put16(out, 24, 0x003E);  // minor version
    Put16(out, 26, 0x0003);  // major version 3
    Put16(out, 28, 0xFFFE);  // little-endian
    Put16(out, 30, 9);       // 512-byte sectors
    Put16(out, 32, 6);       // 64-byte mini sectors
    Put32(out, 44, fatSectors);
    Put32(out, 48, directorySector);
    Put32(out, 56, kMiniStreamCutoff);
    Put32(out, 60, kEndOfChain);  // no mini FAT
    Put32(out, 64, 0);
    Put32(out, 68, difatSectors > 0 ? firstDifat : kEndOfChain);
    Put32(out, 72, difatSectors);
    for (std::uint32_t i = 0; i < kHeaderFatSlots; ++i)
        Put32(out, 76 + 4 * i, i < fatSectors ? i : kFreeSector);

    // DIFAT sectors: 127 FAT sector numbers each, then the next DIFAT sector.
    for (std::uint32_t d = 0; d < difatSectors; ++d) {
        std::size_t base = sectorOffset(firstDifat + d);
        for (std::uint32_t i = 0; i < kIdsPerSector - 1; ++i) {
            std::uint32_t fat = kHeaderFatSlots + d * (kIdsPerSector - 1) + i;
            Put32(out, base + 4 * i, fat < fatSectors ? fat : kFreeSector);
        }
        Put32(out, base + 4 * (kIdsPerSector - 1),
              d + 1 < difatSectors ? firstDifat + d + 1 : kEndOfChain);
    }

    // FAT.
    const std::size_t fatBase = sectorOffset(0);  // the FAT sectors are 0..fatSectors-1
    for (std::uint32_t s = 0; s < fatSectors * kIdsPerSector; ++s) {
        std::uint32_t entry = kFreeSector;
        if (s < fatSectors)
            entry = kFatSector;
        else if (s < directorySector)
            entry = kDifatSector;
        else if (s == directorySector)
            entry = kEndOfChain;
        else if (s < totalSectors)
            entry = s + 1 == totalSectors ? kEndOfChain : s + 1;
        Put32(out, fatBase + 4 * static_cast<std::size_t>(s), entry);
    }

    // Directory: root, the stream, two unused entries.
    std::size_t dir = sectorOffset(directorySector);
    PutDirectoryEntry(out, dir, "Root Entry", 5, 1, kEndOfChain, 0);
    PutDirectoryEntry(out, dir + 128, streamName, 2, kNoStream, firstStreamSector,
                      static_cast<std::uint32_t>(declared));
    for (int e = 2; e < 4; ++e) {
        std::size_t at = dir + 128 * e;
        Put32(out, at + 68, kNoStream);
        Put32(out, at + 72, kNoStream);
        Put32(out, at + 76, kNoStream);
    }

    out.replace(sectorOffset(firstStreamSector), stream.size(), stream);
    return out;
}

}  // namespace platform
