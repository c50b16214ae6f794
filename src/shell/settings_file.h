// The settings file "ListConfig.ini" (section "COMMON", Windows-1251): reading it into the
// settings record and writing the record back. File operations here report nothing: a
// file that cannot be written is created again at the next start.
#pragma once

#include <string>

#include "shell/list_options.h"

// The distributor's picture server and the password of its "photo" login.
inline constexpr const char* kDefaultConnectHost = "ftp.talverin.example";
inline constexpr const char* kDefaultConnectPassword = "583016";
inline constexpr const char* kDefaultConnectUserName = "photo";
inline constexpr const char* kDefaultPostName = "Тальверин";
inline constexpr const char* kSettingsSection = "COMMON";

// What the defaults and PathBase are made of: the program folder (ending with the path
// separator) and the current catalog's folder name.
struct SettingsSources {
    std::string ProgramFolder;
    std::string Direc;
};

// Fills the settings fields of `options` from folder + fileName. When the file does not
// exist, sets the defaults of a first start, writes the file and returns true (the caller
// keeps this as SettingsFileMissing); otherwise returns false. PathBase is never read
// from the file: it is always the program folder + trimmed Direc + separator.
bool ReadSettings(TListOptions& options, const std::string& folder, const std::string& fileName,
                  const SettingsSources& sources);

// Writes every key, in the file's fixed order. Failures are not reported.
void WriteSettings(const TListOptions& options, const std::string& folder,
                   const std::string& fileName);

// The "ProxyType" number of the settings file and the dialog's list, both directions.
// ProxyTypeOf gives 7 for a SOCKS 5 proxy, otherwise the number of the mode (0 for none).
int ProxyTypeOf(const TListOptions& options);
// Applies a "ProxyType" number read from the file: 0..6 set the mode and keep ProxySocks5,
// 7 sets no mode and ProxySocks5, anything else changes neither.
void ApplyProxyType(TListOptions& options, long long proxyType);
