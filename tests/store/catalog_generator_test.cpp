// The demo-catalog generator: the same count and seed give the same files, every line
// has the header's fields, and the catalog holds the cases the import must meet.
#include "catalog_generator.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/text/text.h"
#include "store/catalog_import.h"
#include "test_support.h"

namespace {

using catalog_generator::GenerateCatalog;

TEST(GenerateCatalog, IsDeterministicAndWritesWindows1251) {
    const auto a = GenerateCatalog({200, 42});
    EXPECT_EQ(a.PriceLines, GenerateCatalog({200, 42}).PriceLines);
    EXPECT_NE(a.PriceLines, GenerateCatalog({200, 43}).PriceLines);
    EXPECT_EQ(a.PriceLines.size(), 201u);

    testsupport::TempDir dir;
    catalog_generator::WriteCatalogFiles(dir.Path(), a);
    EXPECT_EQ(platform::ReadCp1251Lines(dir / "ExportPrice.csv"), a.PriceLines);
    EXPECT_EQ(platform::ReadCp1251Lines(dir / "ExportClass.csv"), a.ClassLines);
    const std::string bytes = testsupport::ReadFile(dir / "ExportPrice.csv");
    EXPECT_NE(bytes.find("\r\n"), std::string::npos);
    EXPECT_NE(bytes.find(platform::Utf8ToCp1251("Ручка")), std::string::npos);
}

TEST(GenerateCatalog, HoldsTheCasesTheImportMeets) {
    const auto catalog = GenerateCatalog({3000, 7});
    const std::vector<std::string> header = SplitFields(catalog.PriceLines[0]);
    auto column = [&](const std::string& name) {
        return static_cast<std::size_t>(std::find(header.begin(), header.end(), name) -
                                        header.begin());
    };
    std::set<std::string> discounts, subgroups, groups, isNew, codes;
    for (std::size_t i = 1; i < catalog.PriceLines.size(); ++i) {
        // Every field present: a line ends with a date, never with ";".
        const std::vector<std::string> fields = SplitFields(catalog.PriceLines[i]);
        ASSERT_EQ(fields.size(), header.size()) << catalog.PriceLines[i];
        discounts.insert(fields[column("MAXDISCOUNT")]);
        subgroups.insert(fields[column("IDSUBGROUP")]);
        groups.insert(fields[column("IDGROUP")]);
        isNew.insert(fields[column("ISNEW")]);
        codes.insert(fields[column("CODE")]);
        const std::string price = fields[column("CENA")];
        EXPECT_EQ(price[price.size() - 3], '.') << price;
        EXPECT_EQ(fields[column("BARCODE")].size(), 13u);
    }
    EXPECT_EQ(codes.size(), 3000u);
    EXPECT_TRUE(discounts.count("0") && discounts.count("0.01") && discounts.count("7.5"));
    EXPECT_TRUE(subgroups.count("0") && subgroups.count(""));
    EXPECT_TRUE(groups.count("0"));
    EXPECT_EQ(isNew, (std::set<std::string>{"0", "1"}));
}

}  // namespace
