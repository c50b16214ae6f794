#include "shell/settings_file.h"

#include <array>
#include <utility>
#include <vector>

#include "platform/ini/ini_file.h"
#include "platform/os/os.h"
#include "platform/text/text.h"

namespace {

// "ProxyType" number -> mode, in the order of the settings dialog's list.
constexpr std::array<TFtpProxyMode, 7> kProxyModes = {
    TFtpProxyMode::fpcmNone,     TFtpProxyMode::fpcmHttpProxyWithFtp, TFtpProxyMode::fpcmOpen,
    TFtpProxyMode::fpcmSite,     TFtpProxyMode::fpcmTransparent,      TFtpProxyMode::fpcmUserPass,
    TFtpProxyMode::fpcmUserSite,
};
constexpr int kSocks5ProxyType = 7;

// The text settings in file order between "IsInputKolByWindow" and "IsImportOnStart".
std::array<std::pair<const char*, std::string TListOptions::*>, 14> PartyKeys() {
    return {{
        {"PostName", &TListOptions::PostName},
        {"PostAdress", &TListOptions::PostAdress},
        {"PostInn", &TListOptions::PostInn},
        {"PostKpp", &TListOptions::PostKpp},
        {"PostContactFace", &TListOptions::PostContactFace},
        {"PostTels", &TListOptions::PostTels},
        {"MailForsend", &TListOptions::MailForsend},
        {"Orgname", &TListOptions::Orgname},
        {"OrgAdress", &TListOptions::OrgAdress},
        {"OrgInn", &TListOptions::OrgInn},
        {"OrgKpp", &TListOptions::OrgKpp},
        {"OrgContactFace", &TListOptions::OrgContactFace},
        {"OrgTels", &TListOptions::OrgTels},
        {"OrgMail", &TListOptions::OrgMail},
    }};
}

std::string DefaultPathPicture(const SettingsSources& sources) {
    return sources.ProgramFolder + "pictures" + platform::kPathSeparator;
}

std::string PathBaseOf(const SettingsSources& sources) {
    return sources.ProgramFolder + platform::Trim(sources.Direc) + platform::kPathSeparator;
}

void SetFirstStartDefaults(TListOptions& o, const SettingsSources& sources) {
    o.PathPicture = DefaultPathPicture(sources);
    o.IsInputKolByWindow = 1;
    for (const auto& [key, field] : PartyKeys()) o.*field = std::string();
    o.PostName = kDefaultPostName;
    o.IsImportOnStart = 0;
    o.ConnectPassword = kDefaultConnectPassword;
    o.ConnectUserName = kDefaultConnectUserName;
    o.ConnectHost = kDefaultConnectHost;
    o.ConnectPassive = false;
    o.ConnectPort = 21;
    o.ProxyHost.clear();
    o.ProxyUserName.clear();
    o.ProxyPassword.clear();
    o.ProxyPort = 0;
    o.ProxyMode = TFtpProxyMode::fpcmNone;  // ProxySocks5 stays as it was
}

int ReadInt(const platform::IniFile& ini, const char* key, int fallback) {
    return ini.ReadInteger(kSettingsSection, key, fallback);
}

void ReadFromFile(TListOptions& o, const platform::IniFile& ini, const SettingsSources& sources) {
    const char* s = kSettingsSection;
    o.PathPicture = ini.ReadString(s, "PathPicture", DefaultPathPicture(sources));
    o.IsInputKolByWindow = ReadInt(ini, "IsInputKolByWindow", 1);
    for (const auto& [key, field] : PartyKeys()) o.*field = ini.ReadString(s, key, "");
    o.IsImportOnStart = ReadInt(ini, "IsImportOnStart", 0);
    o.ConnectPassword = ini.ReadString(s, "ConnectPassword", kDefaultConnectPassword);
    o.ConnectUserName = ini.ReadString(s, "ConnectUserName", kDefaultConnectUserName);
    o.ConnectHost = ini.ReadString(s, "ConnectHost", kDefaultConnectHost);
    o.ConnectPassive = ini.ReadBool(s, "ConnectPassive", false);
    o.ConnectPort = ReadInt(ini, "ConnectPort", 21);
    o.ProxyHost = ini.ReadString(s, "ProxyHost", "");
    o.ProxyUserName = ini.ReadString(s, "ProxyUserName", "");
    o.ProxyPassword = ini.ReadString(s, "ProxyPassword", "");
    o.ProxyPort = ReadInt(ini, "ProxyPort", 0);
    ApplyProxyType(o, ini.ReadInteger(s, "ProxyType", 0));
}

}  // namespace

int ProxyTypeOf(const TListOptions& options) {
    if (options.ProxySocks5) return kSocks5ProxyType;
    for (std::size_t i = 0; i < kProxyModes.size(); ++i)
        if (kProxyModes[i] == options.ProxyMode) return static_cast<int>(i);
    return 0;
}

void ApplyProxyType(TListOptions& options, long long proxyType) {
    if (proxyType >= 0 && proxyType < static_cast<long long>(kProxyModes.size())) {
        options.ProxyMode = kProxyModes[static_cast<std::size_t>(proxyType)];
    } else if (proxyType == kSocks5ProxyType) {
        options.ProxyMode = TFtpProxyMode::fpcmNone;
        options.ProxySocks5 = true;
    }
}

bool ReadSettings(TListOptions& options, const std::string& folder, const std::string& fileName,
                  const SettingsSources& sources) {
    const std::string path = folder + fileName;
    options.PathBase = PathBaseOf(sources);
    if (!platform::FileExists(path)) {
        SetFirstStartDefaults(options, sources);
        WriteSettings(options, folder, fileName);
        return true;
    }
    platform::IniFile ini(path);
    ReadFromFile(options, ini, sources);
    return false;
}

void WriteSettings(const TListOptions& o, const std::string& folder, const std::string& fileName) {
    auto number = [](long long value) { return std::to_string(value); };
    std::vector<std::pair<std::string, std::string>> values = {
        {"PathPicture", o.PathPicture},
        {"PathBase", o.PathBase},
        {"IsInputKolByWindow", number(o.IsInputKolByWindow)},
    };
    for (const auto& [key, field] : PartyKeys()) values.emplace_back(key, o.*field);
    values.insert(values.end(), {
                                    {"IsImportOnStart", number(o.IsImportOnStart)},
                                    {"ConnectPassword", o.ConnectPassword},
                                    {"ConnectUserName", o.ConnectUserName},
                                    {"ConnectHost", o.ConnectHost},
                                    {"ConnectPassive", o.ConnectPassive ? "1" : "0"},
                                    {"ConnectPort", number(o.ConnectPort)},
                                    {"ProxyHost", o.ProxyHost},
                                    {"ProxyUserName", o.ProxyUserName},
                                    {"ProxyPassword", o.ProxyPassword},
                                    {"ProxyPort", number(o.ProxyPort)},
                                    {"ProxyType", number(ProxyTypeOf(o))},
                                });
    // One replacement of the whole file; a failure leaves the old file and is not reported.
    platform::IniFile(folder + fileName).WriteStrings(kSettingsSection, values);
}
