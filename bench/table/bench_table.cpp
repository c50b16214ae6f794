// Table engine figures on a 100,000-row goods table: save, load, a name search walked
// row by row (beside the same select in the sqlite3 shell), ordering, key lookups.
// Usage: bench_table <output folder>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include "platform/table/table.h"
#include "test_schemas.h"

using namespace platform;

namespace {

constexpr int kRows = 100000;

double BestMs(int runs, const std::function<void()>& body) {
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        auto start = std::chrono::steady_clock::now();
        body();
        std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

void Fill(Table& price) {
    const char* words[] = {"РУЧКА",   "КАРАНДАШ", "ЛАСТИК",  "ТЕТРАДЬ", "ПАПКА",
                           "БЛОКНОТ", "МАРКЕР",   "ЛИНЕЙКА", "СКРЕПКИ", "КЛЕЙ"};
    std::mt19937 rng(7);
    for (int i = 0; i < kRows; ++i) {
        std::string name = std::string(words[rng() % 10]) + " " + std::to_string(rng() % 100000) +
                           " ШАРИКОВАЯ СИНЯЯ 0.7 ММ";
        price.Append();
        price.SetInteger("ID", i + 1);
        price.SetText("CODE", std::to_string(100000 + i));
        price.SetText("FULLNAME", name);
        price.SetText("FULLNAME_IND", name);
        price.SetText("ARTICUL", "A-" + std::to_string(i));
        price.SetText("ARTICUL_IND", "A-" + std::to_string(i));
        price.SetDouble("CENA", (rng() % 100000) / 100.0);
        price.SetDouble("NDS", 18);
        price.SetInteger("KOLTEK", rng() % 1000);
        price.SetText("TM", "Berlingo");
        price.SetText("COUNTRY", "Россия");
        price.SetInteger("IDGROUP", rng() % 40);
        price.SetInteger("IDSUBGROUP", rng() % 400);
        price.SetInteger("IDTM", rng() % 50);
        price.SetBoolean("ISNEW", rng() % 10 == 0);
        price.SetDateTime("DATEIN", DateTime{2008, 3, 12, 0, 0, 0});
        price.Post();
    }
}

// Best "Run Time: real" of the select run several times by the sqlite3 shell, in ms;
// negative when the shell cannot be run.
double ShellMs(const std::string& file, const std::string& folder, int runs) {
    std::string script = folder + "/bench_table_shell.sql";
    std::string output = folder + "/bench_table_shell.out";
    {
        std::ofstream out(script);
        out << "PRAGMA case_sensitive_like=ON;\n.timer on\n";
        for (int i = 0; i < runs; ++i)
            out << ".once /dev/null\nselect * from Price where fullname_ind like 'РУЧКА%';\n";
    }
    std::string command = "sqlite3 '" + file + "' < '" + script + "' > '" + output + "' 2>&1";
    if (std::system(command.c_str()) != 0) return -1;
    std::ifstream in(output);
    std::string line;
    double best = -1;
    while (std::getline(in, line)) {
        std::size_t at = line.find("real ");
        if (line.rfind("Run Time:", 0) != 0 || at == std::string::npos) continue;
        double seconds = std::atof(line.c_str() + at + 5);
        if (best < 0 || seconds * 1000 < best) best = seconds * 1000;
    }
    std::remove(script.c_str());
    std::remove(output.c_str());
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    std::string folder = argc > 1 ? argv[1] : ".";
    const std::string file = folder + "/bench_price.lst";
    Database db;
    Table price(db, "Price");
    price.SetDefinitions(tabletest::PriceFields(), tabletest::PriceIndexes());
    price.Create();
    price.Open();
    auto fillStart = std::chrono::steady_clock::now();
    price.BeginBulkLoad();
    Fill(price);
    price.EndBulkLoad();
    std::chrono::duration<double, std::milli> fillTook =
        std::chrono::steady_clock::now() - fillStart;
    price.Close();

    double save = BestMs(3, [&] { price.SaveToFile(file); });
    Table loaded(db, "fPrice");
    double load = BestMs(3, [&] { loaded.LoadFromFile(file); });
    loaded.Open();

    long long walked = 0;
    double filter = BestMs(5, [&] {
        loaded.SetFiltered(false);
        loaded.SetFilter("fullname_ind like \"РУЧКА%\"");
        loaded.SetFiltered(true);
        walked = 0;
        for (loaded.First(); !loaded.Eof(); loaded.Next())
            walked +=
                loaded.AsInteger("ID") + static_cast<long long>(loaded.AsText("FULLNAME").size());
    });
    double shell = ShellMs(file, folder, 5);
    loaded.SetFiltered(false);

    double order = BestMs(3, [&] {
        loaded.SetOrderByFields("");
        loaded.SetOrderByFields("fullname_ind");
        loaded.First();
    });

    loaded.SetIndexName("_ID");
    std::mt19937 rng(11);
    int found = 0;
    double findKey = BestMs(1, [&] {
        for (int i = 0; i < 10000; ++i)
            found += loaded.FindKey(static_cast<long long>(rng() % kRows + 1));
    });
    loaded.Close();
    std::remove(file.c_str());

    std::printf("table.bulk_fill_100k: %.1f ms\n", fillTook.count());
    std::printf("table.save_100k: %.1f ms\n", save);
    std::printf("table.load_100k: %.1f ms\n", load);
    std::printf("table.filter_100k: %.1f ms\n", filter);
    std::printf("table.filter.sqlite3_shell: %.1f ms\n", shell);
    std::printf("table.filter.ratio_vs_sqlite3: %.2f x\n", shell > 0 ? filter / shell : 0.0);
    std::printf("table.order_100k: %.1f ms\n", order);
    std::printf("table.findkey_10k: %.1f ms\n", findKey);
    return found == 10000 && walked > 0 ? 0 : 1;
}
