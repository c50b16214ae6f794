#include "exchange/cs_exchange.h"

#include <exception>

#include "exchange/exchange_files.h"
#include "platform/archive/archive.h"
#include "platform/os/os.h"
#include "platform/text/text.h"

using namespace exchange_files;

namespace {

const char CR = '\r';
const char* const PriceTitle = "Загрузка прайса";
const char* const ArchiveName = "ExportToCatalog.zip";
const char* const PriceFileName = "ExportPrice.csv";
const char* const ClassFileName = "ExportClass.csv";
const char* const NewProgramName = "Vellumo.exe";

platform::FtpProxyMethod ToFtpMethod(TFtpProxyMode mode) {
    switch (mode) {
        case TFtpProxyMode::fpcmNone:
            return platform::FtpProxyMethod::None;
        case TFtpProxyMode::fpcmUserSite:
            return platform::FtpProxyMethod::UserSite;
        case TFtpProxyMode::fpcmSite:
            return platform::FtpProxyMethod::Site;
        case TFtpProxyMode::fpcmOpen:
            return platform::FtpProxyMethod::Open;
        case TFtpProxyMode::fpcmUserPass:
            return platform::FtpProxyMethod::UserPass;
        case TFtpProxyMode::fpcmTransparent:
            return platform::FtpProxyMethod::Transparent;
        case TFtpProxyMode::fpcmHttpProxyWithFtp:
            return platform::FtpProxyMethod::HttpProxyWithFtp;
    }
    return platform::FtpProxyMethod::None;
}

bool SameNameIgnoringCase(const std::string& a, const std::string& b) {
    return platform::UpperCase(a) == platform::UpperCase(b);
}

}  // namespace

// Marks an FTP call in progress, so that Disconnect() from the pump cancels it instead of
// talking on a connection that a waiting call owns.
class TcsExchange::CallGuard {
public:
    explicit CallGuard(int& counter) : m_counter(counter) { ++m_counter; }
    ~CallGuard() { --m_counter; }
    CallGuard(const CallGuard&) = delete;
    CallGuard& operator=(const CallGuard&) = delete;

private:
    int& m_counter;
};

TcsExchange::TcsExchange(Prompts& prompts) : m_prompts(prompts) {
    auto& settings = m_ftp.Settings();
    settings.host = DefaultHost;
    settings.userName = DefaultAnonymousEmail;
    settings.password = DefaultAnonymousEmail;
    ProgramFile = platform::ProgramFile();
    m_ftp.SetPump([this] {
        if (OnPump) OnPump();
    });
}

TcsExchange::~TcsExchange() {
    try {
        if (m_ftp.Connected()) m_ftp.Disconnect();
    } catch (...) {
    }
}

bool TcsExchange::Passive() const {
    return const_cast<platform::FtpClient&>(m_ftp).Settings().passive;
}
void TcsExchange::SetPassive(bool passive) { m_ftp.Settings().passive = passive; }
const std::string& TcsExchange::UserName() const {
    return const_cast<platform::FtpClient&>(m_ftp).Settings().userName;
}
void TcsExchange::SetUserName(const std::string& userName) { m_ftp.Settings().userName = userName; }
const std::string& TcsExchange::Password() const {
    return const_cast<platform::FtpClient&>(m_ftp).Settings().password;
}
void TcsExchange::SetPassword(const std::string& password) { m_ftp.Settings().password = password; }
const std::string& TcsExchange::Host() const {
    return const_cast<platform::FtpClient&>(m_ftp).Settings().host;
}
void TcsExchange::SetHost(const std::string& host) { m_ftp.Settings().host = host; }
int TcsExchange::Port() const { return const_cast<platform::FtpClient&>(m_ftp).Settings().port; }
void TcsExchange::SetPort(int port) { m_ftp.Settings().port = port; }
bool TcsExchange::Connected() const { return m_ftp.Connected(); }
platform::FtpSettings& TcsExchange::FtpSettings() { return m_ftp.Settings(); }

void TcsExchange::Disconnect() {
    if (m_inCall > 0) {
        m_ftp.Cancel();
        return;
    }
    CallGuard guard(m_inCall);
    m_ftp.Disconnect();
}

void TcsExchange::Report(const std::string& msg) {
    if (OncsMessage) OncsMessage(msg);
}

std::string TcsExchange::ConnectionStep(const std::string& title) const {
    std::string msg = title + CR + "Соединение";
    if (!m_proxy.Host.empty()) msg += std::string(1, CR) + "Через прокси: " + m_proxy.Host;
    return msg;
}

void TcsExchange::Connect() {
    auto& proxy = m_ftp.Settings().proxy;
    if (m_proxy.ProxyType == TFtpProxyMode::fpcmNone) {
        // A SOCKS 5 proxy keeps its host in the proxy settings for the progress text only.
        proxy = platform::FtpProxySettings{};
    } else {
        proxy.host = m_proxy.Host;
        proxy.port = m_proxy.Port;
        proxy.userName = m_proxy.UserName;
        proxy.password = m_proxy.Password;
        proxy.method = ToFtpMethod(m_proxy.ProxyType);
    }
    CallGuard guard(m_inCall);
    m_ftp.Connect();
}

void TcsExchange::SetBinaryType() {
    CallGuard guard(m_inCall);
    m_ftp.SetBinaryType();
}

std::string TcsExchange::Listing(const std::string& specifier) {
    CallGuard guard(m_inCall);
    return m_ftp.List(specifier);
}

bool TcsExchange::IsOnServer(const std::string& path) {
    return Listing(path + "*").find(path) != std::string::npos;
}

void TcsExchange::GetToFile(const std::string& remotePath, const std::string& localPath) {
    std::string partPath = localPath + ".part";
    platform::DeleteFile(partPath);
    try {
        CallGuard guard(m_inCall);
        m_ftp.Get(remotePath, partPath);
    } catch (...) {
        platform::DeleteFile(partPath);
        throw;
    }
    if (!platform::RenameFile(partPath, localPath)) {
        platform::DeleteFile(partPath);
        throw AppError("Не удалось записать файл " + localPath);
    }
}

bool TcsExchange::DownloadPrice(const std::string& archivePath) {
    ++m_running;
    struct Leave {
        int& n;
        ~Leave() { --n; }
    } leave{m_running};
    bool result = false;
    Busy = true;
    const std::string archive = PathToBase + ArchiveName;
    platform::DeleteFile(archive);
    Report(ConnectionStep(PriceTitle));
    try {
        Connect();
        SetBinaryType();
        if (Connected()) {
            Report(std::string(PriceTitle) + CR + "Ищем " + archivePath);
            if (IsOnServer(archivePath)) {
                Report(std::string(PriceTitle) + CR + "Загрузка " + archivePath);
                GetToFile(archivePath, archive);
            }
        }
    } catch (...) {
        Report("Выход");
        Disconnect();
        throw;
    }
    Report("Выход");
    Disconnect();

    try {
        if (platform::FileExists(archive)) {
            result = UnpackPrice(archive);
            ReplaceProgramFile();
        }
    } catch (...) {
        Report("");
        Busy = false;
        Report("");
        throw;
    }
    if (!Busy) result = false;
    Report("");
    Busy = false;
    Report("");
    return result;
}

// Unpacks into a folder of its own first: the old import files are replaced only when the
// archive held both, so a bad archive never leaves the catalog with one new and no old file.
bool TcsExchange::UnpackPrice(const std::string& archive) {
    std::string unpackFolder = MakeTempFolder(PathToBase, ".unpack-");
    if (unpackFolder.empty())
        throw AppError("Не удалось создать папку для распаковки в " + PathToBase);
    struct Cleanup {
        std::string folder;
        ~Cleanup() { RemoveFolder(folder); }
    } cleanup{unpackFolder};

    std::vector<std::string> names =
        platform::ExtractZipByMask(archive, unpackFolder, "Export*.csv");
    std::vector<std::pair<std::string, std::string>> moves;  // unpacked name, final name
    bool hasPrice = false, hasClass = false;
    for (const auto& name : names) {
        std::string finalName = name;
        if (SameNameIgnoringCase(name, PriceFileName)) {
            finalName = PriceFileName;
            hasPrice = true;
        } else if (SameNameIgnoringCase(name, ClassFileName)) {
            finalName = ClassFileName;
            hasClass = true;
        }
        moves.emplace_back(name, finalName);
    }
    if (!hasPrice || !hasClass) return false;
    bool moved = true;
    for (const auto& [name, finalName] : moves)
        moved = platform::RenameFile(unpackFolder + name, PathToBase + finalName) && moved;
    return moved && platform::FileExists(PathToBase + PriceFileName) &&
           platform::FileExists(PathToBase + ClassFileName);
}

void TcsExchange::ReplaceProgramFile() {
    const std::string newProgram = PathToBase + NewProgramName;
    if (!platform::FileExists(newProgram) || ProgramFile.empty()) return;
    // Errors are ignored: the old program simply goes on being used.
    if (platform::RenameFile(ProgramFile, ProgramFile + DateSuffix()))
        platform::RenameFile(newProgram, ProgramFile);
}
