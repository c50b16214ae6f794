#include "exchange/exchange_files.h"

#include <unistd.h>

#include <ctime>
#include <filesystem>
#include <vector>

namespace fs = std::filesystem;

namespace exchange_files {

std::string MakeTempFolder(const std::string& parent, const std::string& prefix) {
    std::string pattern = parent + prefix + "XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!::mkdtemp(buf.data())) return {};
    return std::string(buf.data()) + "/";
}

void RemoveFolder(const std::string& folder) {
    std::error_code ec;
    fs::remove_all(folder, ec);
}

std::string DateSuffix() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y%d%m", &local);
    return buf;
}

bool IsSafeFileName(const std::string& name) {
    if (name.find_first_of("/\\:") != std::string::npos) return false;
    if (name.find('\0') != std::string::npos) return false;
    // Windows drops trailing dots and blanks, so " .. " would name the parent folder there.
    return name.find_first_not_of(". \t") != std::string::npos;
}

}  // namespace exchange_files
