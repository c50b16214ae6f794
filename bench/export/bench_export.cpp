// Times the order export of 1,000 and 10,000 lines: walking the order table, building the
// workbook and saving it. argv[1] is the output folder; the 1,000-line workbook stays there
// as order-1000.xls.
#include <chrono>
#include <cstdio>
#include <string>

#include "order/order_export.h"
#include "platform/table/table.h"
#include "shell/seams.h"

namespace {

// Answers the save dialog with a fixed name and never shows anything.
class FixedPrompts : public Prompts {
public:
    explicit FixedPrompts(std::string fileName) : m_fileName(std::move(fileName)) {}
    void ErrorBox(const std::string&) override {}
    void PlainBox(const std::string&) override {}
    void InformationBox(const std::string&) override {}
    bool YesNo(const std::string&) override { return false; }
    std::string ChooseSaveFile(const std::string&, const std::string&,
                               const std::string&) override {
        return m_fileName;
    }
    std::string ChooseFolder(const std::string&, const std::string&) override { return {}; }

private:
    std::string m_fileName;
};

class NoDesktop : public DesktopShell {
public:
    void OpenDocument(const std::string&) override {}
};

void FillOrder(platform::Table& zakaz, int lines) {
    using T = platform::FieldType;
    zakaz.SetDefinitions({{"ID", T::AutoInc, 0},
                          {"BARCODE", T::Text, 20},
                          {"CODE", T::Text, 10},
                          {"ARTICUL", T::Text, 30},
                          {"FULLNAME", T::Text, 200},
                          {"ST1", T::Integer, 0},
                          {"ST2", T::Integer, 0},
                          {"ST3", T::Integer, 0},
                          {"CENA", T::Double, 0},
                          {"CENAPRICE", T::Double, 0},
                          {"KOL", T::Integer, 0}},
                         {{"_ID", "ID", true}});
    zakaz.Create();
    zakaz.Open();
    for (int i = 0; i < lines; ++i) {
        zakaz.Append();
        zakaz.SetText("BARCODE", std::to_string(4600000000000LL + i));
        zakaz.SetText("CODE", std::to_string(100000 + i));
        zakaz.SetText("ARTICUL", "АРТ-" + std::to_string(i));
        zakaz.SetText("FULLNAME",
                      "Тетрадь общая 96 листов в клетку, обложка картон, №" + std::to_string(i));
        zakaz.SetInteger("ST1", 1 + i % 5);
        zakaz.SetInteger("ST2", 10 + i % 50);
        zakaz.SetInteger("ST3", 100 + i % 500);
        zakaz.SetDouble("CENA", 10.5 + i * 0.01);
        zakaz.SetDouble("CENAPRICE", 12.25 + i * 0.01);
        zakaz.SetInteger("KOL", 1 + i % 40);
        zakaz.Post();
    }
}

long long ExportMs(const std::string& folder, int lines, const std::string& fileName) {
    platform::Database db;
    platform::Table zakaz(db, "Zakaz");
    FillOrder(zakaz, lines);
    FixedPrompts prompts(folder + fileName);
    NoDesktop desktop;
    std::string lastFolder;
    auto start = std::chrono::steady_clock::now();
    ExportOrderToExcel("ООО \"Ромашка\"", zakaz, "Канцтовары", " от 05.03.2009 14:05:09", prompts,
                       desktop, lastFolder);
    auto elapsed = std::chrono::steady_clock::now() - start;
    return std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_export OUTPUT_FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    if (!folder.empty() && folder.back() != '/') folder += '/';
    try {
        std::printf("export.lines_1000: %lld ms\n", ExportMs(folder, 1000, "order-1000.xls"));
        std::printf("export.lines_10000: %lld ms\n", ExportMs(folder, 10000, "order-10000.xls"));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_export: %s\n", e.what());
        return 1;
    }
    return 0;
}
