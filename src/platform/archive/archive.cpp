#include "platform/archive/archive.h"

#include <archive.h>
#include <archive_entry.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>

#include "platform/os/os.h"

namespace platform {

namespace {

using ArchivePtr = std::unique_ptr<archive, decltype(&archive_read_free)>;

std::string LastError(archive* a) {
    const char* text = archive_error_string(a);
    return text ? text : "неизвестная ошибка";
}

[[noreturn]] void ThrowDamaged(const std::string& archivePath, archive* a) {
    throw ArchiveError("Архив повреждён или не читается: " + archivePath + " (" + LastError(a) +
                       ")");
}

std::string FolderWithSeparator(const std::string& folder) {
    if (folder.empty() || folder.back() == '/') return folder;
    return folder + "/";
}

ArchivePtr OpenArchive(const std::string& archivePath, ArchiveType type) {
    ArchivePtr a(archive_read_new(), &archive_read_free);
    if (!a) throw ArchiveError("Не удалось открыть архив: " + archivePath);
    if (type == ArchiveType::Zip) {
        archive_read_support_format_zip(a.get());
    } else {
        // Appending the filter forces it: a file that is not gzip fails instead of being
        // taken as raw data.
        archive_read_append_filter(a.get(), ARCHIVE_FILTER_GZIP);
        archive_read_support_format_raw(a.get());
    }
    if (archive_read_open_filename(a.get(), archivePath.c_str(), 64 * 1024) != ARCHIVE_OK)
        ThrowDamaged(archivePath, a.get());
    return a;
}

// Reads the next file entry; returns nullptr at the end of the archive.
archive_entry* NextEntry(archive* a, const std::string& archivePath) {
    archive_entry* entry = nullptr;
    int rc = archive_read_next_header(a, &entry);
    if (rc == ARCHIVE_EOF) return nullptr;
    if (rc < ARCHIVE_WARN) ThrowDamaged(archivePath, a);
    return entry;
}

std::string StoredName(archive_entry* entry) {
    if (const char* name = archive_entry_pathname(entry)) return name;
    if (const char* name = archive_entry_pathname_utf8(entry)) return name;
    return {};
}

// Writes the current entry's data to folder/name through a temporary file in the same
// folder, so the final name only ever holds a complete file.
void WriteEntry(archive* a, const std::string& archivePath, const std::string& folder,
                const std::string& name) {
    std::string finalPath = FolderWithSeparator(folder) + name;
    std::string tempTemplate = FolderWithSeparator(folder) + "." + name + ".XXXXXX";
    std::vector<char> buf(tempTemplate.begin(), tempTemplate.end());
    buf.push_back('\0');
    int fd = ::mkstemp(buf.data());
    if (fd < 0)
        throw ArchiveError("Не удалось создать файл " + finalPath + ": " + std::strerror(errno));
    std::string tempPath(buf.data());
    auto fail = [&](const std::string& text) {
        ::close(fd);
        ::unlink(tempPath.c_str());
        throw ArchiveError(text);
    };
    for (;;) {
        const void* block = nullptr;
        size_t size = 0;
        la_int64_t offset = 0;
        int rc = archive_read_data_block(a, &block, &size, &offset);
        if (rc == ARCHIVE_EOF) break;
        if (rc < ARCHIVE_WARN)
            fail("Архив повреждён или не читается: " + archivePath + " (" + LastError(a) + ")");
        const char* p = static_cast<const char*>(block);
        while (size > 0) {
            ssize_t written = ::write(fd, p, size);
            if (written < 0) {
                if (errno == EINTR) continue;
                fail("Не удалось записать файл " + finalPath + ": " + std::strerror(errno));
            }
            p += written;
            size -= static_cast<size_t>(written);
        }
    }
    if (::close(fd) != 0) {
        ::unlink(tempPath.c_str());
        throw ArchiveError("Не удалось записать файл " + finalPath);
    }
    std::error_code ec;
    std::filesystem::permissions(
        tempPath,
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
            std::filesystem::perms::group_read | std::filesystem::perms::others_read,
        ec);
    std::filesystem::rename(tempPath, finalPath, ec);
    if (ec) {
        ::unlink(tempPath.c_str());
        throw ArchiveError("Не удалось записать файл " + finalPath + ": " + ec.message());
    }
}

bool IsFile(archive_entry* entry) { return archive_entry_filetype(entry) == AE_IFREG; }

}  // namespace

std::string SafeEntryName(const std::string& storedName) {
    std::size_t cut = storedName.find_last_of("/\\");
    std::string name = cut == std::string::npos ? storedName : storedName.substr(cut + 1);
    if (name.empty() || name == "." || name == "..") return {};
    if (name.find(':') != std::string::npos) return {};
    if (name.find('\0') != std::string::npos) return {};
    return name;
}

std::vector<std::string> ExtractZipByMask(const std::string& archivePath,
                                          const std::string& targetFolder,
                                          const std::string& mask) {
    ArchivePtr a = OpenArchive(archivePath, ArchiveType::Zip);
    std::vector<std::string> written;
    while (archive_entry* entry = NextEntry(a.get(), archivePath)) {
        if (!IsFile(entry)) continue;
        std::string name = SafeEntryName(StoredName(entry));
        if (name.empty() || !MatchesMask(name, mask, true)) continue;
        WriteEntry(a.get(), archivePath, targetFolder, name);
        written.push_back(name);
    }
    return written;
}

bool ExtractFirstEntry(const std::string& archivePath, ArchiveType type,
                       const std::string& targetFolder, const std::string& fileName) {
    if (SafeEntryName(fileName) != fileName)
        throw ArchiveError("Недопустимое имя файла для распаковки: " + fileName);
    ArchivePtr a = OpenArchive(archivePath, type);
    while (archive_entry* entry = NextEntry(a.get(), archivePath)) {
        if (!IsFile(entry)) continue;
        WriteEntry(a.get(), archivePath, targetFolder, fileName);
        return true;
    }
    return false;
}

}  // namespace platform
