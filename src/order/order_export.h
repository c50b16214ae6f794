// Export of an order's lines as an Excel 97-2003 workbook: the sheet layout, the choice of
// the file name through the prompts seam, the save and the desktop's open of the file.
//
// Contracts:
// - The line set (the order table, or an archived order's query) stays the caller's. Its
//   display updates are suspended while it is walked and resumed on every way out,
//   errors included; a finished walk leaves it positioned at its end.
// - lastExportFolder is the folder of the last saved workbook without a trailing
//   separator; its owner (the exchange component) passes it by reference. It changes only
//   when a file name was chosen, also when the save then fails.
// - A save that fails throws the AppError that names the file; no partial file is left
//   under the chosen name.
#pragma once

#include <string>

#include "platform/table/table.h"
#include "platform/text/date_time.h"
#include "platform/xls/xls_workbook.h"
#include "shell/seams.h"

void ExportOrderToExcel(const std::string& orgName, platform::DataSet& lines,
                        const std::string& catalogName, const std::string& priceDateText,
                        Prompts& prompts, DesktopShell& desktop, std::string& lastExportFolder);

// Asks for a file name to save under; empty when the user cancels. An empty initial folder
// means the desktop folder of the user's profile ("Рабочий стол", else "Desktop"), else
// the profile folder. The name comes back with the extension ".xls" unless it already has
// that extension in any letter case.
std::string ChooseSaveFileName(Prompts& prompts, const std::string& title,
                               const std::string& initialFolder, const std::string& filter);

// The pieces, for the tests and the benchmark.

// The whole sheet of an order; walks the line set from its first line to its end.
platform::XlsWorkbook BuildOrderWorkbook(platform::DataSet& lines, const std::string& orgName,
                                         const std::string& catalogName,
                                         const std::string& priceDateText,
                                         const platform::DateTime& now);
// "dd.mm.yyyy hh:nn:ss": the full local time of the export. (Writing only minutes and
// seconds after the date would show a wrong time of day to whoever reads the order.)
std::string OrderExportDateText(const platform::DateTime& now);
// The name with ".xls" put in place of an extension other than ".xls" (any letter case).
std::string WithXlsExtension(const std::string& fileName);
// The initial folder of the save dialog when none is remembered, for a profile folder.
std::string DefaultSaveFolder(const std::string& profileFolder);
// The folder part of a file name without the trailing separator ("" for a bare name).
std::string FolderOfFile(const std::string& fileName);
