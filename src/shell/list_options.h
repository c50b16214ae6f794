// The settings record TListOptions, the current-catalog record TCatalogs and the proxy
// modes the settings can select.
#pragma once

#include <string>

enum class TFtpProxyMode {
    fpcmNone,
    fpcmUserSite,
    fpcmSite,
    fpcmOpen,
    fpcmUserPass,
    fpcmTransparent,
    fpcmHttpProxyWithFtp,
};

struct TListOptions {
    std::string PriceFile;
    std::string ClassFile;
    std::string TMFile;
    std::string MainFile;
    std::string DocFile;
    std::string CatalogDir;      // ends with the path separator
    std::string TempPictureDir;  // ends with the path separator
    std::string ConfigFile;
    int IsImportOnStart = 0;
    int IsInputKolByWindow = 1;
    std::string PathPicture;  // ends with the path separator
    std::string PathBase;     // ends with the path separator
    std::string ExportPriceFile;
    std::string ExportClassFile;
    std::string PostName, PostAdress, PostInn, PostKpp, PostContactFace, PostTels, MailForsend;
    std::string Orgname, OrgAdress, OrgInn, OrgKpp, OrgContactFace, OrgTels, OrgMail;
    std::string ConnectHost;
    std::string ConnectUserName;
    std::string ConnectPassword;
    bool ConnectPassive = false;
    int ConnectPort = 21;
    std::string ProxyHost;
    int ProxyPort = 0;
    std::string ProxyUserName;
    std::string ProxyPassword;
    TFtpProxyMode ProxyMode = TFtpProxyMode::fpcmNone;
    bool ProxySocks5 = false;
};

struct TCatalogs {
    std::string NAME;
    std::string DIREC;
    std::string EXPP;
    std::string EXPI;
};
