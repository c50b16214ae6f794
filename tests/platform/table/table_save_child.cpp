// Test helper: builds a Price table of argv[2] rows and saves it to argv[1] until killed.
#include <cstdlib>
#include <string>

#include "platform/table/table.h"
#include "test_schemas.h"

int main(int argc, char** argv) {
    if (argc < 3) return 2;
    platform::Database db;
    platform::Table price(db, "Price");
    price.SetDefinitions(tabletest::PriceFields(), tabletest::PriceIndexes());
    price.Create();
    price.Open();
    int rows = std::atoi(argv[2]);
    for (int i = 0; i < rows; ++i) {
        price.Append();
        price.SetInteger("ID", i);
        price.SetText("CODE", std::to_string(100000 + i));
        price.SetText("FULLNAME", "ТОВАР " + std::to_string(i));
        price.SetText("FULLNAME_IND", "ТОВАР " + std::to_string(i));
        price.SetInteger("IDGROUP", i % 50);
        price.Post();
    }
    price.Close();
    for (;;) price.SaveToFile(argv[1]);
}
