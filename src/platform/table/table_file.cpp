// Table files: a SQLite database file holding one table with its indexes, definitions
// and auto-increment state, copied page by page to and from the table's schema.
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/table/table.h"
#include "platform/table/table_internal.h"
#include "platform/text/app_error.h"

namespace platform {
namespace tableinternal {
namespace {

[[noreturn]] void FileError(const std::string& what, const std::string& path,
                            const std::string& reason) {
    throw AppError(what + " \"" + path + "\"" + (reason.empty() ? "" : ": " + reason));
}

void SyncPath(const std::string& path, bool directory) {
    int fd = ::open(path.c_str(), directory ? O_RDONLY | O_DIRECTORY : O_RDONLY);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

std::string FolderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string CopyPages(sqlite3* dst, const char* dstName, sqlite3* src, const char* srcName) {
    sqlite3_backup* backup = sqlite3_backup_init(dst, dstName, src, srcName);
    if (!backup) return sqlite3_errmsg(dst);
    int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) {
        std::string message = sqlite3_errstr(rc);
        if (sqlite3_errcode(dst) != SQLITE_OK)
            message += std::string(" (") + sqlite3_errmsg(dst) + ")";
        return message;
    }
    return {};
}

// Reads the header of a SQLite file and checks that the file holds every page it
// declares, so a cut-off file is refused before anything is replaced.
std::string CheckFileShape(const std::string& path, int& pageSize) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return "файл не найден";
    if (st.st_size == 0) return "файл пуст";
    std::ifstream in(path, std::ios::binary);
    unsigned char header[100] = {};
    if (!in.read(reinterpret_cast<char*>(header), sizeof header))
        return "файл повреждён или не является файлом таблицы";
    if (std::memcmp(header, "SQLite format 3", 16) != 0) return "файл не является файлом таблицы";
    pageSize = header[16] << 8 | header[17];
    if (pageSize == 1) pageSize = 65536;
    unsigned long long pages =
        (unsigned long long)header[28] << 24 | header[29] << 16 | header[30] << 8 | header[31];
    bool countValid = std::memcmp(header + 24, header + 92, 4) == 0 && pages > 0;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return "файл повреждён";
    if (countValid && static_cast<unsigned long long>(st.st_size) < pages * pageSize)
        return "файл обрезан";
    if (st.st_size % pageSize != 0) return "файл обрезан";
    return {};
}

// The one data table of a table file, or an empty text when the file has no such table.
std::string StoredTableName(sqlite3* src) {
    sqlite3_stmt* stmt = nullptr;
    const char* sql =
        "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' "
        "AND name <> '_tabledef'";
    if (sqlite3_prepare_v2(src, sql, -1, &stmt, nullptr) != SQLITE_OK) return {};
    std::string name;
    int count = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        name = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        ++count;
    }
    sqlite3_finalize(stmt);
    if (count != 1) return {};
    if (sqlite3_prepare_v2(src, "SELECT count(*) FROM \"_tabledef\" WHERE kind = 'field'", -1,
                           &stmt, nullptr) != SQLITE_OK)
        return {};
    bool described = sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_int(stmt, 0) > 0;
    sqlite3_finalize(stmt);
    return described ? name : std::string();
}

}  // namespace

void SaveSchemaToFile(sqlite3* db, const std::string& schema, const std::string& path) {
    const std::string temp = path + ".saving~";
    std::remove(temp.c_str());
    sqlite3* out = nullptr;
    if (sqlite3_open_v2(temp.c_str(), &out, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) !=
        SQLITE_OK) {
        std::string reason = out ? sqlite3_errmsg(out) : "нет памяти";
        sqlite3_close(out);
        FileError("Не удалось записать файл таблицы", path, reason);
    }
    // The file is synced and renamed whole below; journalling it again buys nothing.
    sqlite3_exec(out, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF", nullptr, nullptr, nullptr);
    std::string reason = CopyPages(out, "main", db, schema.c_str());
    sqlite3_close(out);
    if (!reason.empty()) {
        std::remove(temp.c_str());
        FileError("Не удалось записать файл таблицы", path, reason);
    }
    SyncPath(temp, false);
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        std::string why = std::strerror(errno);
        std::remove(temp.c_str());
        FileError("Не удалось записать файл таблицы", path, why);
    }
    SyncPath(FolderOf(path), true);
}

std::string LoadSchemaFromFile(sqlite3* db, const std::string& schema, const std::string& path) {
    int pageSize = 4096;
    std::string reason = CheckFileShape(path, pageSize);
    if (!reason.empty()) FileError("Не удалось загрузить таблицу из файла", path, reason);
    sqlite3* src = nullptr;
    if (sqlite3_open_v2(path.c_str(), &src, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        reason = src ? sqlite3_errmsg(src) : "нет памяти";
        sqlite3_close(src);
        FileError("Не удалось загрузить таблицу из файла", path, reason);
    }
    std::string name = StoredTableName(src);
    if (name.empty()) {
        sqlite3_close(src);
        FileError("Не удалось загрузить таблицу из файла", path, "файл не является файлом таблицы");
    }
    // A fresh schema takes the file's page size, which the page copy needs.
    ExecPlain(db, "DETACH " + QuoteName(schema));
    ExecPlain(db, "ATTACH ':memory:' AS " + QuoteName(schema));
    ExecPlain(db, "PRAGMA " + QuoteName(schema) + ".page_size = " + std::to_string(pageSize));
    reason = CopyPages(db, schema.c_str(), src, "main");
    sqlite3_close(src);
    if (!reason.empty()) FileError("Не удалось загрузить таблицу из файла", path, reason);
    return name;
}

}  // namespace tableinternal

void Table::SaveToFile(const std::string& path) {
    if (!Exists())
        throw AppError("Таблица " + m_tableName + " не существует: файл \"" + path +
                       "\" не записан");
    if (m_state != EditState::Browse) Post();
    EndBulkLoad();
    ReleaseStatements();
    tableinternal::SaveSchemaToFile(m_db.Handle(), SchemaName(), path);
}

void Table::LoadFromFile(const std::string& path) {
    Close();
    ReleaseStatements();
    bool existed = Exists();
    if (!existed) {
        DetachSchema();
        AttachSchema();
    }
    std::string stored;
    try {
        stored = tableinternal::LoadSchemaFromFile(m_db.Handle(), SchemaName(), path);
    } catch (...) {
        // The check runs before anything is replaced; a copy that fails half-way leaves
        // an empty table of the known definition so the table stays usable.
        if (!Exists()) {
            if (!m_fields.empty()) {
                Create();
            } else {
                DetachSchema();
            }
        }
        throw;
    }
    if (!tablevalue::EqualNoCase(stored, m_tableName))
        tableinternal::ExecPlain(m_db.Handle(),
                                 "ALTER TABLE " + tableinternal::QuoteName(SchemaName()) + "." +
                                     tableinternal::QuoteName(stored) + " RENAME TO " +
                                     tableinternal::QuoteName(m_tableName));
    ReadDefinitions();
}

}  // namespace platform
