// The picture downloads of the exchange component and the local picture listing.
#include <algorithm>
#include <exception>
#include <filesystem>

#include "exchange/cs_exchange.h"
#include "exchange/exchange_files.h"
#include "platform/archive/archive.h"
#include "platform/os/os.h"
#include "platform/text/text.h"

using namespace exchange_files;

namespace {

const char CR = '\r';
const char* const PicturesTitle = "Загрузка изображений";
const char* const PictureTitle = "Загрузка изображения";
const char* const PhotoFolder = "httpdocs/photo/";
const char* const ListText = "pictures.txt";
const char* const ListZip = "pictures.zip";
const char* const ListGzip = "pictures.txt.gz";

std::string Line(const std::string& a, const std::string& b) { return a + CR + b; }

}  // namespace

void ListFilesByMask(const std::string& folder, const std::string& masks,
                     std::vector<std::string>& list) {
    std::vector<std::string> maskList;
    for (std::size_t start = 0; start <= masks.size();) {
        std::size_t end = std::min(masks.find(';', start), masks.size());
        if (end > start) maskList.push_back(masks.substr(start, end - start));
        start = end + 1;
    }
    for (auto& name : platform::ListFiles(folder, maskList, true)) list.push_back(std::move(name));
}

bool TcsExchange::DownloadPictures(const std::string& pictureListPath) {
    ++m_running;
    struct Leave {
        int& n;
        ~Leave() { --n; }
    } leave{m_running};
    const std::string title = PicturesTitle;
    Busy = true;
    Report(title);
    for (const char* name : {ListText, ListZip, ListGzip})
        platform::DeleteFile(PathToTmpPictures + name);

    std::vector<std::string> local;
    ListFilesByMask(PathToTmpPictures, "*.jpg", local);
    ListFilesByMask(PathToPictures, "*.jpg", local);
    for (auto& name : local) name = platform::UpperCase(name);
    std::sort(local.begin(), local.end());

    Connect();
    SetBinaryType();
    Report(ConnectionStep(title));
    if (Connected()) {
        FetchPictureList(title, pictureListPath);
        Report(Line(title, "Отключение"));
        Disconnect();
        if (platform::FileExists(PathToTmpPictures + ListText)) {
            std::vector<std::string> missing = MissingPictures(local);
            if (!missing.empty()) {
                Report(ConnectionStep(title));
                Connect();
                // A new connection starts in ASCII mode, which would mangle the pictures.
                SetBinaryType();
                FetchPictures(title, missing);
            }
        }
    }
    Report(Line(title, "Отключение"));
    Disconnect();
    Busy = false;
    Report("");
    return true;
}

// Brings the server's picture list to "pictures.txt" in the picture cache folder when the
// server has it.
bool TcsExchange::FetchPictureList(const std::string& title, const std::string& listPath) {
    Report(Line(Line(title, "Получение списка"), listPath));
    const std::string folder = PathToTmpPictures;
    auto fetchPacked = [&](const char* localName, platform::ArchiveType type) {
        if (IsOnServer(listPath)) GetToFile(listPath, folder + localName);
        if (platform::FileExists(folder + localName))
            platform::ExtractFirstEntry(folder + localName, type, folder, ListText);
    };
    if (listPath.find(".gz") != std::string::npos) {
        fetchPacked(ListGzip, platform::ArchiveType::Gzip);
    } else if (listPath.find(".zip") != std::string::npos) {
        fetchPacked(ListZip, platform::ArchiveType::Zip);
    } else if (IsOnServer(listPath)) {
        Report(Line(title, "Получение списка"));
        GetToFile(listPath, folder + ListText);
    }
    return platform::FileExists(folder + ListText);
}

// The list lines to fetch: not blank, usable as a file name in the cache folder, and
// not present locally (`local` holds upper-cased names, sorted).
std::vector<std::string> TcsExchange::MissingPictures(const std::vector<std::string>& local) {
    std::vector<std::string> lines = platform::ReadCp1251Lines(PathToTmpPictures + ListText);
    Report(Line(PicturesTitle, "Составление списка"));
    std::vector<std::string> missing;
    for (const auto& line : lines) {
        if (platform::Trim(line).empty()) continue;
        // A line naming a path would write outside the cache folder.
        if (!IsSafeFileName(line)) continue;
        if (std::binary_search(local.begin(), local.end(), platform::UpperCase(line))) continue;
        missing.push_back(line);
    }
    return missing;
}

void TcsExchange::FetchPictures(const std::string& title, const std::vector<std::string>& names) {
    const std::string total = std::to_string(names.size());
    for (std::size_t i = 0; i < names.size() && Busy; ++i) {
        const std::string remote = PhotoFolder + names[i];
        try {
            Report(Line(Line(title, std::to_string(i) + " из " + total), remote));
            GetToFile(remote, PathToTmpPictures + names[i]);
        } catch (const std::exception&) {
            // One picture that cannot be had does not stop the others.
        }
    }
}

bool TcsExchange::DownloadPicture(const std::string& fileName) {
    ++m_running;
    struct Leave {
        int& n;
        ~Leave() { --n; }
    } leave{m_running};
    Busy = true;
    Report(ConnectionStep(PictureTitle));
    auto closeConnection = [this] {
        if (Connected()) {
            Report(Line(PicturesTitle, "Отключение"));
            Disconnect();
        }
    };
    try {
        Connect();
        SetBinaryType();
        if (Connected()) {
            Report(Line(PictureTitle, fileName));
            // A name that is not a plain file name is never asked for nor written.
            bool present =
                IsSafeFileName(fileName) &&
                Listing(PhotoFolder + fileName + "*").find(fileName) != std::string::npos;
            if (!present)
                m_prompts.PlainBox("На сервере нет изображения этого товара");
            else
                GetToFile(PhotoFolder + fileName, PathToTmpPictures + fileName);
        }
    } catch (...) {
        closeConnection();
        throw;
    }
    closeConnection();
    Busy = false;
    Report("");
    return true;
}
