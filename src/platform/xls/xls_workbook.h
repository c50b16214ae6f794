// A writer of Excel 97-2003 workbooks (BIFF8 records in a compound file) with one sheet:
// text, integer and floating-point cells, custom number formats, fonts, alignment, wrap,
// borders, solid fills from the standard 56-colour palette, column widths, row heights and
// the sheet's outline summary options.
//
// Contracts:
// - Rows and columns count from 0 (row 0 is the spreadsheet's row 1, column 0 is A). A row
//   past 65535 or a column past 255 does not fit a sheet and throws AppError.
// - Texts are UTF-8 and are stored as Unicode; a text longer than 32767 UTF-16 units (the
//   most a cell holds) is cut. Malformed UTF-8 bytes become U+FFFD.
// - Colours are palette indexes 8..63 of the standard palette (8 is black); fonts also take
//   kAutomaticColour.
// - SaveToFile writes under a temporary name in the target folder and renames it over the
//   target, so a failed save never leaves a truncated workbook under that name. It throws
//   AppError naming the file.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace platform {

constexpr int kAutomaticColour = 0x7FFF;
constexpr int kXlsMaxRows = 65536;
constexpr int kXlsMaxColumns = 256;

enum class HorizontalAlignment : std::uint8_t {
    General = 0,
    Left = 1,
    Centre = 2,
    Right = 3,
    Fill = 4,
    Justify = 5,
    CentreAcross = 6
};
enum class VerticalAlignment : std::uint8_t { Top = 0, Centre = 1, Bottom = 2, Justify = 3 };
enum class BorderLine : std::uint8_t {
    None = 0,
    Thin = 1,
    Medium = 2,
    Dashed = 3,
    Dotted = 4,
    Thick = 5,
    Double = 6,
    Hair = 7
};

// What ApplyStyle changes; attributes left empty keep each cell's own.
struct XlsRangeStyle {
    std::optional<HorizontalAlignment> horizontal;
    std::optional<VerticalAlignment> vertical;
    std::optional<bool> wrap;
    std::optional<BorderLine> border;  // the same line on all four sides
    int borderColour = 8;              // used with border
    std::optional<std::string> fontName;
    std::optional<bool> bold;
    std::optional<int> fontColour;
    std::optional<int> fontHeightTwips;  // 200 = 10 points
    std::optional<int> solidFill;        // fill colour (pattern foreground and background)
};

class XlsWorkbook {
public:
    // One sheet of that name (1 to 31 characters, none of []:*?/\); throws
    // std::invalid_argument otherwise.
    explicit XlsWorkbook(std::string sheetName = "Sheet1");

    // A custom number format ("0.00"); the first gets index 164, the next 165 and so on.
    // Adding the same format text again gives its existing index.
    int AddNumberFormat(const std::string& formatText);

    // Width in screen pixels: above 11 pixels (p - 5) / 7 character units, otherwise
    // p * 0.0834 (the default font at 96 dots per inch). 0 hides the column.
    void SetColumnWidthPixels(int column, int pixels);
    // Height in screen pixels, 0.75 points each (50 pixels are 37.5 points). 0 hides the row.
    void SetRowHeightPixels(int row, int pixels);

    void SetText(int row, int column, std::string_view utf8Text);
    void SetInteger(int row, int column, long long value);
    void SetDouble(int row, int column, double value);

    // A built-in format index (0..49) or one that AddNumberFormat returned; throws
    // std::invalid_argument for any other.
    void SetNumberFormat(int row, int column, int formatIndex);
    void SetBold(int row, int column, bool bold);
    // Styles every cell of the rectangle (first and last row and column included); cells
    // without a value become styled blank cells.
    void ApplyStyle(int firstRow, int firstColumn, int lastRow, int lastColumn,
                    const XlsRangeStyle& style);

    // Where outline summaries sit: rows below their detail (else above), columns right of
    // their detail (else left). Both true in a new workbook.
    void SetOutlineSummary(bool rowsBelow, bool columnsRight);

    // The whole file as bytes.
    std::string ToBytes() const;
    void SaveToFile(const std::string& fileName) const;

    // Internal model, public for the record writer in this folder.
    struct Font {
        std::string name = "Arial";
        int heightTwips = 200;
        bool bold = false;
        int colour = kAutomaticColour;
        auto operator<=>(const Font&) const = default;
    };
    struct Format {
        std::uint16_t font = 0;  // index into fonts
        std::uint16_t numberFormat = 0;
        HorizontalAlignment horizontal = HorizontalAlignment::General;
        VerticalAlignment vertical = VerticalAlignment::Bottom;
        bool wrap = false;
        BorderLine border = BorderLine::None;  // all four sides
        std::uint8_t borderColour = 0;
        std::uint8_t fill = 0;  // 0: none, else the solid fill colour
        auto operator<=>(const Format&) const = default;
    };
    enum class CellKind : std::uint8_t { None, Blank, Text, Number };
    struct Cell {
        CellKind kind = CellKind::None;
        std::uint16_t format = 0;  // index into formats; 0 is the default cell format
        std::uint32_t text = 0;    // index into strings
        double number = 0;
    };
    struct Column {
        int widthUnits = 0;  // 1/256 of a character
        bool hidden = false;
    };
    struct Row {
        std::vector<Cell> cells;
        int heightTwips = -1;  // -1: default height
    };

    const std::string& SheetName() const { return m_sheetName; }
    const std::vector<Font>& Fonts() const { return m_fonts; }
    const std::vector<Format>& Formats() const { return m_formats; }
    const std::vector<std::string>& NumberFormats() const { return m_numberFormats; }
    const std::vector<std::u16string>& Strings() const { return m_strings; }
    const std::map<int, Column>& Columns() const { return m_columns; }
    const std::vector<Row>& Rows() const { return m_rows; }
    bool RowsBelow() const { return m_rowsBelow; }
    bool ColumnsRight() const { return m_columnsRight; }

private:
    Cell& At(int row, int column);
    std::uint16_t InternFormat(const Format& format);
    std::uint16_t InternFont(const Font& font);
    std::uint32_t InternString(std::u16string text);
    void StyleCell(Cell& cell, const XlsRangeStyle& style);

    std::string m_sheetName;
    std::vector<Font> m_fonts;  // [0] is the default font
    std::map<Font, std::uint16_t> m_fontIndex;
    std::vector<Format> m_formats;  // [0] is the default cell format
    std::map<Format, std::uint16_t> m_formatIndex;
    std::vector<std::string> m_numberFormats;  // index 164 + i
    std::vector<std::u16string> m_strings;
    std::unordered_map<std::u16string, std::uint32_t> m_stringIndex;
    std::map<int, Column> m_columns;
    std::vector<Row> m_rows;
    bool m_rowsBelow = true;
    bool m_columnsRight = true;
};

// UTF-8 to UTF-16; malformed bytes become U+FFFD.
std::u16string Utf8ToUtf16(std::string_view text);

}  // namespace platform
