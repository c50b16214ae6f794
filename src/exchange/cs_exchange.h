// The exchange component: every download from the distributor's FTP server (the price
// archive, the pictures missing locally, one article's picture) and the progress texts
// it reports while it runs.
//
// Contracts:
// - Progress texts go to OncsMessage: lines joined by CR ("\r"); an empty text clears the
//   panel. Every download ends with an empty text when it returns normally.
// - Busy is set at the start of a download and cleared at its normal end; an error that
//   goes up leaves it set (except where a download clears it first), so that the panel's
//   cancel button is the recovery.
// - While an FTP call waits, OnPump is called at least every 50 ms. A handler run from the
//   pump may call Disconnect(): the pending FTP call then fails at once.
// - Downloaded files are written under a temporary name and renamed when complete, so a
//   transfer cut off never leaves a partial file under its final name.
// - The catalog's archive and picture-list paths (EXPP and EXPI of TCatalogs) are passed
//   to the downloads by the caller: the current catalog may change between calls.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/ftp/ftp_client.h"
#include "shell/list_options.h"
#include "shell/seams.h"

struct TcsProxySettings {
    std::string Host;  // empty: no FTP proxy
    std::string UserName;
    std::string Password;
    std::uint16_t Port = 0;
    TFtpProxyMode ProxyType = TFtpProxyMode::fpcmNone;
};

using TcsMessageEvent = std::function<void(const std::string& Msg)>;

class TcsExchange {
public:
    // The default host and login before ConfigureExchange replaces them.
    static constexpr const char* DefaultHost = "ftp.talverin.example";
    static constexpr const char* DefaultAnonymousEmail = "catalog@talverin.example";

    // Prompts shows the "no picture on the server" box of DownloadPicture.
    explicit TcsExchange(Prompts& prompts);
    // Disconnects when connected; errors are ignored.
    ~TcsExchange();
    TcsExchange(const TcsExchange&) = delete;
    TcsExchange& operator=(const TcsExchange&) = delete;

    // Properties forwarded to the FTP client.
    bool Passive() const;
    void SetPassive(bool passive);
    const std::string& UserName() const;
    void SetUserName(const std::string& userName);
    const std::string& Password() const;
    void SetPassword(const std::string& password);
    const std::string& Host() const;
    void SetHost(const std::string& host);
    int Port() const;
    void SetPort(int port);
    bool Connected() const;
    const TcsProxySettings& ProxySettings() const { return m_proxy; }
    void SetProxySettings(const TcsProxySettings& proxy) { m_proxy = proxy; }
    // SOCKS 5 and timeouts of the FTP client (set by ConfigureExchange and by tests).
    platform::FtpSettings& FtpSettings();

    std::string PathToBase;         // catalog folder, ends with the separator
    std::string PathToPictures;     // product picture folder
    std::string PathToTmpPictures;  // picture cache folder, ends with the separator
    TcsMessageEvent OncsMessage;

    bool Busy = false;
    bool UseSocks5 = false;        // stored only
    std::string LastExportFolder;  // kept by the order export
    // The program file that a delivered "Vellumo.exe" replaces; defaults to the running
    // executable.
    std::string ProgramFile;
    // Called while an FTP call waits on the network; the windows process their events here.
    std::function<void()> OnPump;

    // Fetches the price archive `archivePath` (the catalog's EXPP) into "ExportToCatalog.zip"
    // and unpacks "Export*.csv". True when both import files came out and nothing was
    // cancelled. FTP errors go up after the disconnect with Busy set; a damaged archive goes
    // up after Busy was cleared.
    bool DownloadPrice(const std::string& archivePath);
    // Fetches the picture list `pictureListPath` (the catalog's EXPI) and every listed
    // picture missing in both local folders. Returns true whenever it returns normally.
    bool DownloadPictures(const std::string& pictureListPath);
    // Fetches one picture, always overwriting. Returns true whenever it returns normally.
    bool DownloadPicture(const std::string& fileName);

    // Closes the connection; from within a waiting FTP call it cuts that call off.
    void Disconnect();
    // A download is on the stack (the object must not be destroyed).
    bool Running() const { return m_running > 0; }

private:
    class CallGuard;

    void Report(const std::string& msg);
    std::string ConnectionStep(const std::string& title) const;
    void Connect();
    void SetBinaryType();
    std::string Listing(const std::string& specifier);
    // The server's test of presence: the detailed listing of path + "*" names the path.
    bool IsOnServer(const std::string& path);
    void GetToFile(const std::string& remotePath, const std::string& localPath);
    bool UnpackPrice(const std::string& archive);
    void ReplaceProgramFile();
    bool FetchPictureList(const std::string& title, const std::string& listPath);
    std::vector<std::string> MissingPictures(const std::vector<std::string>& local);
    void FetchPictures(const std::string& title, const std::vector<std::string>& names);

    Prompts& m_prompts;
    platform::FtpClient m_ftp;
    TcsProxySettings m_proxy;
    int m_inCall = 0;
    int m_running = 0;
};

// Adds to `list` the names of the ordinary files of `folder` matching any of `masks`
// (separated by ";"), compared without regard to case. Hidden files and folders are not
// counted; nothing is added for a folder that does not exist.
void ListFilesByMask(const std::string& folder, const std::string& masks,
                     std::vector<std::string>& list);
