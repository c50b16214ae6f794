#include "catalog_generator.h"

#include <cstdio>

#include "platform/text/text.h"

namespace catalog_generator {

namespace {

// splitmix64: a tiny generator whose output is the same on every platform and library.
class Random {
public:
    explicit Random(std::uint64_t seed) : m_state(seed) {}
    std::uint64_t Next() {
        std::uint64_t z = (m_state += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [low, high].
    int Between(int low, int high) {
        return low + static_cast<int>(Next() % static_cast<std::uint64_t>(high - low + 1));
    }
    bool Chance(int percentTimesTen) { return Between(0, 999) < percentTimesTen; }
    template <typename T, std::size_t N>
    const T& Pick(const T (&items)[N]) {
        return items[Next() % N];
    }

private:
    std::uint64_t m_state;
};

struct SubGroup {
    const char* Name;
    const char* Noun;  // the goods' name starts with it
    int MinPrice;      // kopecks
    int MaxPrice;
    const char* Details;  // what may follow the name, separated by "|"
};

struct Group {
    const char* Name;
    std::vector<SubGroup> SubGroups;
};

const std::vector<Group>& Groups() {
    static const std::vector<Group> groups = {
        {"Бумажная продукция",
         {{"Бумага для офисной техники", "Бумага офисная А4", 18000, 42000,
           "500 листов, 80 г/м2|500 листов, 90 г/м2|250 листов, 100 г/м2|класс C|класс B"},
          {"Тетради", "Тетрадь", 900, 16000,
           "12 листов, в клетку|18 листов, в линейку|48 листов, в клетку|96 листов, на скобе|48 "
           "листов, на спирали"},
          {"Блокноты и записные книжки", "Блокнот", 2500, 48000,
           "формат А5, 80 листов|формат А6, 40 листов|на спирали, 60 листов|твёрдая обложка|в "
           "клетку"},
          {"Бумага для заметок", "Бумага для заметок", 1500, 9000,
           "блок 9х9 см, 500 листов|блок 9х9 см, 1000 листов|самоклеящаяся, 76х76 мм|неоновая, 5 "
           "цветов"},
          {"Конверты", "Конверт", 150, 2500,
           "С5, 162х229 мм|DL, 110х220 мм|С4, 229х324 мм|с окном, декстрин|отрывная лента"}}},
        {"Письменные принадлежности",
         {{"Ручки шариковые", "Ручка шариковая", 500, 35000,
           "0,7 мм|1,0 мм|автоматическая, 0,5 мм|с резиновым грипом|набор 4 цвета"},
          {"Ручки гелевые", "Ручка гелевая", 1200, 28000,
           "0,5 мм|0,7 мм|с резиновым грипом|пишет и стирает|набор 6 цветов"},
          {"Карандаши чернографитные", "Карандаш чернографитный", 400, 6500,
           "HB|2B|с ластиком|заточенный|набор 12 шт."},
          {"Маркеры", "Маркер", 2500, 19000,
           "перманентный, 2 мм|для доски, 3 мм|скошенный, 1-5 мм|набор 4 цвета|для CD/DVD"},
          {"Текстовыделители", "Текстовыделитель", 1800, 9500,
           "1-5 мм|флуоресцентный|набор 4 цвета|пастельный"},
          {"Стержни и чернила", "Стержень", 300, 4500,
           "шариковый, 107 мм|гелевый, 129 мм|масляный, 0,7 мм|набор 10 шт."}}},
        {"Папки и системы архивации",
         {{"Папки-регистраторы", "Папка-регистратор", 6500, 22000,
           "50 мм, А4|75 мм, А4|80 мм, с карманом|мраморная|ПВХ"},
          {"Папки-уголки и файлы", "Папка-уголок", 350, 3500,
           "А4, 150 мкм|А4, 180 мкм|прозрачная|набор 10 шт."},
          {"Скоросшиватели", "Скоросшиватель", 400, 6000,
           "картонный, А4|пластиковый, с европодвесом|с прозрачным верхом|набор 10 шт."},
          {"Короба архивные", "Короб архивный", 4500, 18000, "75 мм|100 мм|150 мм|с завязками"}}},
        {"Офисные принадлежности",
         {{"Степлеры и скобы", "Степлер", 4500, 95000,
           "№10, до 12 листов|№24/6, до 25 листов|№24/6, до 50 листов|металлический корпус"},
          {"Дыроколы", "Дырокол", 9000, 120000,
           "до 10 листов|до 20 листов|до 30 листов|с линейкой"},
          {"Ножницы и ножи канцелярские", "Ножницы", 3500, 21000,
           "130 мм|169 мм|210 мм|с пластиковыми ручками|нож канцелярский 18 мм"},
          {"Скрепки и кнопки", "Скрепки", 600, 5500,
           "28 мм, 100 шт.|33 мм, 100 шт.|50 мм, 50 шт.|цветные, 100 шт.|кнопки-гвоздики, 50 шт."},
          {"Лотки и подставки", "Лоток для бумаг", 5500, 42000,
           "горизонтальный|вертикальный|сетчатый, металлический|набор 3 шт."}}},
        {"Клей и корректоры",
         {{"Клей-карандаш", "Клей-карандаш", 900, 9500, "8 г|15 г|21 г|36 г|цветной"},
          {"Клей ПВА", "Клей ПВА", 1200, 7500, "65 г|85 г|125 г|1 кг"},
          {"Корректирующие жидкости", "Корректирующая жидкость", 1900, 8500,
           "20 мл|с кисточкой|ручка-корректор, 8 мл|корректирующая лента, 5 мм"},
          {"Клейкие ленты", "Клейкая лента", 800, 12000,
           "19 мм x 33 м|48 мм x 66 м, упаковочная|двусторонняя, 12 мм|малярная, 25 мм"}}},
        {"Школьные товары",
         {{"Пеналы", "Пенал", 6500, 45000, "на молнии|школьный, 2 отделения|тубус|с наполнением"},
          {"Обложки для тетрадей и книг", "Обложка", 300, 2500,
           "для тетрадей, 110 мкм|для учебников, универсальная|для дневников|набор 10 шт."},
          {"Дневники школьные", "Дневник школьный", 6000, 25000,
           "1-4 класс|5-11 класс|твёрдая обложка|интегральная обложка"},
          {"Линейки и чертёжные принадлежности", "Линейка", 500, 12000,
           "15 см|20 см|30 см|набор чертёжный, 4 предмета|транспортир 180°"}}},
        {"Товары для творчества",
         {{"Краски акварельные", "Краски акварельные", 3500, 38000,
           "6 цветов|12 цветов|24 цвета|медовые, без кисти|с кистью"},
          {"Цветные карандаши", "Карандаши цветные", 4500, 65000,
           "6 цветов|12 цветов|24 цвета|трёхгранные|акварельные"},
          {"Пластилин", "Пластилин", 3000, 27000,
           "6 цветов|10 цветов|12 цветов|со стеком|восковой"},
          {"Цветная бумага и картон", "Набор цветной бумаги", 1800, 12000,
           "А4, 10 листов|А4, 16 листов|двусторонняя|мелованная|цветной картон, 10 листов"}}},
        {"Калькуляторы и техника",
         {{"Калькуляторы", "Калькулятор", 15000, 250000,
           "8 разрядов|10 разрядов|12 разрядов|инженерный|настольный, двойное питание"},
          {"Уничтожители документов", "Уничтожитель документов", 250000, 1500000,
           "полоски 6 мм|частицы 4х40 мм|корзина 14 л|корзина 21 л"},
          {"Ламинаторы", "Ламинатор", 180000, 900000,
           "А4, 80-125 мкм|А3, до 250 мкм|с функцией реверса"}}},
    };
    return groups;
}

struct Trademark {
    int Id;
    const char* Name;
    const char* Country;
};

// Trademarks of the demo goods: invented names, so that no real maker appears in them.
constexpr Trademark kTrademarks[] = {
    {11, "Каллиграф", "Германия"}, {12, "Листопад", "Россия"},       {13, "Перо и Ко", "Япония"},
    {14, "Графитон", "Германия"},  {15, "Скрепыш", "Франция"},       {16, "Чертёжник", "Чехия"},
    {17, "Заря", "Россия"},        {18, "Лазурь", "Россия"},         {19, "Бумагея", "Китай"},
    {20, "Школяр", "Россия"},      {21, "Тетрадкин", "Китай"},       {22, "Счётовод", "Япония"},
    {23, "Арифмет", "Япония"},     {24, "Архивариус", "Германия"},   {25, "Печатник", "Россия"},
    {26, "Кантата", "Италия"},     {27, "Полесье-Канц", "Беларусь"}, {28, "Кедровка", "Россия"},
    {29, "Северянка", "Россия"},   {30, "Орбис", "Тайвань"},         {31, "Мотылёк", "Вьетнам"},
    {32, "Богемка", "Чехия"},      {33, "Пчёлка", "Россия"},         {34, "Портфелио", "Китай"},
};

constexpr const char* kColours[] = {"синий",  "чёрный", "красный", "зелёный",   "фиолетовый",
                                    "жёлтый", "белый",  "серый",   "оранжевый", "голубой"};
constexpr const char* kModels[] = {
    "Классик", "Офис", "Стандарт", "Эконом", "Премиум", "Школьный", "Лидер", "Радуга", "Мастер",
    "Комфорт", "Люкс", "Студент",  "Бизнес", "Ромашка", "Звезда",   "Мини",  "Макси",  "Профи"};
constexpr const char* kArticlePrefixes[] = {"BP", "GP", "PN", "MK", "NB", "ST", "FL",
                                            "KL", "EK", "HB", "LZ", "CT", "AR"};

// One of the "|"-separated details of a subgroup.
std::string PickDetail(Random& random, const char* details) {
    std::vector<std::string> choices;
    std::string current;
    for (const char* c = details; *c; ++c) {
        if (*c == '|') {
            choices.push_back(current);
            current.clear();
        } else {
            current += *c;
        }
    }
    choices.push_back(current);
    return choices[random.Next() % choices.size()];
}

std::string Money(long long kopecks) {
    return std::to_string(kopecks / 100) + "." + (kopecks % 100 < 10 ? "0" : "") +
           std::to_string(kopecks % 100);
}

std::string Real3(int thousandths) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%d.%03d", thousandths / 1000, thousandths % 1000);
    std::string text = buffer;
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
    return text;
}

std::string Barcode(Random& random) {
    std::string digits = random.Chance(550) ? "460" : "690";
    while (digits.size() < 12) digits += static_cast<char>('0' + random.Between(0, 9));
    int sum = 0;
    for (std::size_t i = 0; i < 12; ++i) sum += (digits[i] - '0') * (i % 2 ? 3 : 1);
    digits += static_cast<char>('0' + (10 - sum % 10) % 10);
    return digits;
}

std::string ArrivalDate(Random& random) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%02d.%02d.%04d", random.Between(1, 28),
                  random.Between(1, 12), random.Between(2006, 2008));
    return buffer;
}

std::string MaxDiscount(Random& random) {
    static constexpr const char* kCaps[] = {"3", "5", "7.5", "10", "12", "15", "20"};
    const int roll = random.Between(0, 99);
    if (roll < 30) return "0";
    if (roll < 45) return "0.01";
    return random.Pick(kCaps);
}

// Subgroup ids: 100 * group number + position, so they never collide with group ids.
int SubGroupId(std::size_t group, std::size_t sub) {
    return static_cast<int>(100 * (group + 1) + sub + 1);
}

std::vector<std::string> ClassLines() {
    std::vector<std::string> lines = {"ID;NAME;IDPARENT"};
    const auto& groups = Groups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        lines.push_back(std::to_string(g + 1) + ";" + groups[g].Name + ";0");
        for (std::size_t s = 0; s < groups[g].SubGroups.size(); ++s)
            lines.push_back(std::to_string(SubGroupId(g, s)) + ";" + groups[g].SubGroups[s].Name +
                            ";" + std::to_string(g + 1));
    }
    return lines;
}

std::string PriceLine(Random& random, int index) {
    const auto& groups = Groups();
    const std::size_t g = random.Next() % groups.size();
    const std::size_t s = random.Next() % groups[g].SubGroups.size();
    const SubGroup& sub = groups[g].SubGroups[s];
    const bool withTrademark = !random.Chance(60);
    const Trademark& tm = random.Pick(kTrademarks);

    std::string name = sub.Noun;
    if (withTrademark) name += std::string(" ") + tm.Name;
    name += std::string(" «") + random.Pick(kModels) + "» " + random.Pick(kColours) + ", " +
            PickDetail(random, sub.Details);

    const int st1 = random.Pick({1, 1, 2, 5, 10, 12});
    const int st2 = st1 * random.Pick({1, 5, 10, 12, 20});
    const int st3 = st2 * random.Pick({2, 4, 5, 10});
    const long long price = random.Between(sub.MinPrice, sub.MaxPrice);

    // Most goods have a subgroup; a few lie in the group itself, a handful in no group.
    std::string idGroup = std::to_string(g + 1);
    std::string idSubGroup = std::to_string(SubGroupId(g, s));
    const int placement = random.Between(0, 999);
    if (placement < 30) idSubGroup = random.Chance(500) ? "0" : "";
    if (placement >= 997) idGroup = "0";

    std::string line;
    line += std::to_string(index + 1) + ";";
    line += std::to_string(100000 + index * 7 + random.Between(0, 6)) + ";";
    line += name + ";";
    line += (g == 1 || g == 5 ? "10" : "18") + std::string(";");
    line += std::to_string(random.Chance(80) ? 0 : random.Between(1, 5000)) + ";";
    line += Money(price) + ";" + MaxDiscount(random) + ";";
    line += std::string(random.Pick(kArticlePrefixes)) + "-" +
            std::to_string(random.Between(1000, 99999)) + ";";
    line += (withTrademark ? std::string(tm.Name) : std::string()) + ";";
    line += (withTrademark ? std::to_string(tm.Id) : std::string("0")) + ";";
    line += (withTrademark ? std::string(tm.Country) : std::string("Китай")) + ";";
    line += std::to_string(st1) + ";" + std::to_string(st2) + ";" + std::to_string(st3) + ";";
    line += Real3(random.Between(200, 25000)) + ";" + Real3(random.Between(5, 120)) + ";";
    line += idGroup + ";" + idSubGroup + ";";
    line += std::string(random.Chance(700) ? "1" : "0") + ";";
    line += std::string(random.Chance(80) ? "1" : "0") + ";";
    line += Barcode(random) + ";";
    line += ArrivalDate(random);
    return line;
}

}  // namespace

GeneratedCatalog GenerateCatalog(const GeneratorOptions& options) {
    GeneratedCatalog catalog;
    catalog.ClassLines = ClassLines();
    catalog.PriceLines.reserve(static_cast<std::size_t>(options.ItemCount) + 1);
    catalog.PriceLines.push_back(
        "ID;CODE;FULLNAME;NDS;KOLTEK;CENA;MAXDISCOUNT;ARTICUL;TM;IDTM;COUNTRY;ST1;ST2;ST3;WST3;"
        "VST3;IDGROUP;IDSUBGROUP;ISPHOTO;ISNEW;BARCODE;DATEIN");
    Random random(options.Seed);
    for (int i = 0; i < options.ItemCount; ++i) catalog.PriceLines.push_back(PriceLine(random, i));
    return catalog;
}

void WriteCatalogFiles(const std::string& folder, const GeneratedCatalog& catalog) {
    platform::WriteCp1251Lines(folder + "ExportPrice.csv", catalog.PriceLines);
    platform::WriteCp1251Lines(folder + "ExportClass.csv", catalog.ClassLines);
}

void WriteCatalogList(const std::string& folder, const std::vector<CatalogListEntry>& entries) {
    std::vector<std::string> lines = {"DEF;NAME;DIREC;EXPP;EXPI"};
    for (const CatalogListEntry& e : entries)
        lines.push_back(std::string(e.Default ? "1" : "0") + ";" + e.Name + ";" + e.Direc + ";" +
                        e.Expp + ";" + e.Expi);
    platform::WriteCp1251Lines(folder + "catalogs.csv", lines);
}

}  // namespace catalog_generator
