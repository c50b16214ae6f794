#include "order/order_export.h"

#include <cstdio>
#include <optional>
#include <utility>

#include "platform/os/os.h"

namespace {

const char* const kEmptyOrderText = "Заказ не содержит ни одной строки";
const char* const kSaveTitle = "Укажите имя файла для заказа";
const char* const kSaveFilter = "Рабочая книга MS Excel (*.xls)|*.XLS";

const char* const kHeaders[] = {
    "Подгруппа",
    "Код",
    "Артикул",
    "Наименование",
    "Ед.изм.",
    "Минимальная упаковка",
    "Средняя упаковка",
    "Стандарт",
    "Цена со скидкой",
    "Цена",
    "Заказ (количество)",
    "Остаток на складе",
};
// Screen pixels of columns A to L; M keeps the default width.
const int kColumnPixels[] = {2, 0, 50, 60, 350, 30, 50, 50, 50, 50, 60, 60};
constexpr int kHeadRowPixels = 50;
constexpr int kHeaderRow = 3;
constexpr int kFirstLineRow = 4;

bool IsSeparator(char c) {
#ifdef _WIN32
    return c == '\\' || c == '/' || c == ':';
#else
    return c == '/';
#endif
}

std::size_t NamePartStart(const std::string& fileName) {
    for (std::size_t i = fileName.size(); i > 0; --i)
        if (IsSeparator(fileName[i - 1])) return i;
    return 0;
}

// Resumes the line set's display on every way out of the export.
class DisplaySuspension {
public:
    explicit DisplaySuspension(platform::DataSet& lines) : m_lines(lines) {
        m_lines.DisableControls();
    }
    ~DisplaySuspension() { Resume(); }
    DisplaySuspension(const DisplaySuspension&) = delete;
    DisplaySuspension& operator=(const DisplaySuspension&) = delete;
    void Resume() {
        if (std::exchange(m_suspended, false)) m_lines.EnableControls();
    }

private:
    platform::DataSet& m_lines;
    bool m_suspended = true;
};

void WriteSheetHead(platform::XlsWorkbook& wb, const std::string& orgName,
                    const std::string& catalogName, const std::string& priceDateText,
                    const platform::DateTime& now) {
    for (int c = 0; c < static_cast<int>(std::size(kColumnPixels)); ++c)
        wb.SetColumnWidthPixels(c, kColumnPixels[c]);
    wb.SetText(0, 3, "Заказ от " + orgName);
    wb.SetBold(0, 3, true);
    wb.SetText(0, 6, "");
    wb.SetRowHeightPixels(0, kHeadRowPixels);
    wb.SetText(1, 2, OrderExportDateText(now));
    wb.SetBold(1, 2, true);
    wb.SetText(1, 3, catalogName + " " + priceDateText);
    for (int i = 0; i < static_cast<int>(std::size(kHeaders)); ++i)
        wb.SetText(kHeaderRow, 1 + i, kHeaders[i]);
    wb.SetRowHeightPixels(kHeaderRow, kHeadRowPixels);

    platform::XlsRangeStyle header;
    header.horizontal = platform::HorizontalAlignment::Centre;
    header.vertical = platform::VerticalAlignment::Top;
    header.wrap = true;
    header.border = platform::BorderLine::Thin;
    header.borderColour = 8;  // black
    header.fontName = "Times New Roman CYR";
    header.bold = true;
    header.fontColour = 8;
    header.fontHeightTwips = 200;
    header.solidFill = 44;  // pale blue 99 CC FF
    wb.ApplyStyle(kHeaderRow, 1, kHeaderRow, static_cast<int>(std::size(kHeaders)), header);
    wb.SetOutlineSummary(false, false);  // summary rows above, columns left of the detail
}

void WriteLine(platform::XlsWorkbook& wb, int row, const platform::DataSet& lines, bool hasBarcode,
               int moneyFormat) {
    if (hasBarcode) wb.SetText(row, 0, lines.AsText("BarCode"));
    wb.SetText(row, 1, "");
    wb.SetText(row, 2, lines.AsText("Code"));
    wb.SetText(row, 3, lines.AsText("Articul"));
    wb.SetText(row, 4, lines.AsText("FullName"));
    wb.SetText(row, 5, "шт.");
    wb.SetInteger(row, 6, lines.AsInteger("St1"));
    wb.SetInteger(row, 7, lines.AsInteger("St2"));
    wb.SetInteger(row, 8, lines.AsInteger("St3"));
    wb.SetDouble(row, 9, lines.AsDouble("Cena"));
    wb.SetNumberFormat(row, 9, moneyFormat);
    wb.SetDouble(row, 10, lines.AsDouble("CenaPrice"));
    wb.SetNumberFormat(row, 10, moneyFormat);
    wb.SetInteger(row, 11, lines.AsInteger("Kol"));
}

}  // namespace

std::string OrderExportDateText(const platform::DateTime& now) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d.%02d.%04d %02d:%02d:%02d", now.day % 100,
                  now.month % 100, now.year % 10000, now.hour % 100, now.minute % 100,
                  now.second % 100);
    return text;
}

std::string WithXlsExtension(const std::string& fileName) {
    std::size_t nameStart = NamePartStart(fileName);
    std::size_t dot = fileName.find_last_of('.');
    bool hasExtension = dot != std::string::npos && dot >= nameStart;
    if (hasExtension) {
        std::string ext = fileName.substr(dot);
        if (ext.size() == 4 && ext[0] == '.' && (ext[1] | 0x20) == 'x' && (ext[2] | 0x20) == 'l' &&
            (ext[3] | 0x20) == 's')
            return fileName;
        return fileName.substr(0, dot) + ".xls";
    }
    return fileName + ".xls";
}

std::string FolderOfFile(const std::string& fileName) {
    std::size_t nameStart = NamePartStart(fileName);
    if (nameStart == 0) return {};
    std::string folder = fileName.substr(0, nameStart);
    // The separator ends the folder text unless it is the root itself.
    bool root = folder.size() == 1 || (folder.size() == 3 && folder[1] == ':');
    if (!root) folder.pop_back();
    return folder;
}

std::string DefaultSaveFolder(const std::string& profileFolder) {
    std::string base = profileFolder;
    if (!base.empty() && !IsSeparator(base.back())) base += platform::kPathSeparator;
    for (const char* desktop : {"Рабочий стол", "Desktop"})
        if (platform::FolderExists(base + desktop)) return base + desktop;
    return profileFolder;
}

std::string ChooseSaveFileName(Prompts& prompts, const std::string& title,
                               const std::string& initialFolder, const std::string& filter) {
    std::string folder =
        initialFolder.empty() ? DefaultSaveFolder(platform::ProfileFolder()) : initialFolder;
    std::string chosen = prompts.ChooseSaveFile(title, folder, filter);
    if (chosen.empty()) return {};
    return WithXlsExtension(chosen);
}

platform::XlsWorkbook BuildOrderWorkbook(platform::DataSet& lines, const std::string& orgName,
                                         const std::string& catalogName,
                                         const std::string& priceDateText,
                                         const platform::DateTime& now) {
    platform::XlsWorkbook wb;
    lines.First();
    int moneyFormat = wb.AddNumberFormat("0.00");
    WriteSheetHead(wb, orgName, catalogName, priceDateText, now);
    bool hasBarcode = lines.HasField("BarCode");
    for (int row = kFirstLineRow; !lines.Eof(); ++row) {
        WriteLine(wb, row, lines, hasBarcode, moneyFormat);
        lines.Next();
    }
    return wb;
}

void ExportOrderToExcel(const std::string& orgName, platform::DataSet& lines,
                        const std::string& catalogName, const std::string& priceDateText,
                        Prompts& prompts, DesktopShell& desktop, std::string& lastExportFolder) {
    if (lines.IsEmpty()) {
        prompts.PlainBox(kEmptyOrderText);
        return;
    }
    DisplaySuspension suspension(lines);
    std::optional<platform::XlsWorkbook> wb =
        BuildOrderWorkbook(lines, orgName, catalogName, priceDateText, platform::DateTime::Now());
    std::string fileName = ChooseSaveFileName(prompts, kSaveTitle, lastExportFolder, kSaveFilter);
    if (fileName.empty()) return;  // nothing written; the suspension ends on the way out

    // Whatever the save does, the workbook goes, the display resumes and the folder is kept.
    auto finish = [&] {
        wb.reset();
        suspension.Resume();
        lastExportFolder = FolderOfFile(fileName);
    };
    try {
        wb->SaveToFile(fileName);
        if (platform::FileExists(fileName)) desktop.OpenDocument(fileName);
    } catch (...) {
        finish();
        throw;
    }
    finish();
}
