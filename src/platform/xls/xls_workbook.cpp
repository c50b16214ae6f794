#include "platform/xls/xls_workbook.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/text/app_error.h"
#include "platform/text/file_bytes.h"
#include "platform/xls/biff_writer.h"

namespace platform {

namespace {

constexpr std::size_t kMaxCellTextUnits = 32767;
constexpr int kMaxRowHeightTwips = 8190;  // 409.5 points
constexpr int kMaxColumnWidthUnits = 255 * 256;

void CheckCell(int row, int column) {
    if (row < 0 || row >= kXlsMaxRows)
        throw AppError("Строка " + std::to_string(row + 1) +
                       " не помещается на лист рабочей книги (на листе не более 65536 строк)");
    if (column < 0 || column >= kXlsMaxColumns)
        throw AppError("Столбец " + std::to_string(column + 1) +
                       " не помещается на лист рабочей книги (на листе не более 256 столбцов)");
}

bool IsBuiltInNumberFormat(int index) { return index >= 0 && index <= 49; }

}  // namespace

std::u16string Utf8ToUtf16(std::string_view text) {
    std::u16string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        auto lead = static_cast<unsigned char>(text[i]);
        char32_t cp = 0xFFFD;
        std::size_t length = 1;
        std::size_t need = 0;
        char32_t value = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            need = 1, value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            need = 2, value = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            need = 3, value = lead & 0x07;
        }
        if (need > 0) {
            std::size_t k = 1;
            for (; k <= need && i + k < text.size(); ++k) {
                auto next = static_cast<unsigned char>(text[i + k]);
                if ((next & 0xC0) != 0x80) break;
                value = (value << 6) | (next & 0x3F);
            }
            bool complete = k == need + 1;
            bool overlong = (need == 2 && value < 0x800) || (need == 3 && value < 0x10000);
            bool invalid = value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF);
            if (complete && !overlong && !invalid) {
                cp = value;
                length = need + 1;
            }
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += length;
    }
    return out;
}

XlsWorkbook::XlsWorkbook(std::string sheetName) : m_sheetName(std::move(sheetName)) {
    std::u16string units = Utf8ToUtf16(m_sheetName);
    if (units.empty() || units.size() > 31 ||
        m_sheetName.find_first_of("[]:*?/\\") != std::string::npos)
        throw std::invalid_argument("bad sheet name: " + m_sheetName);
    InternFont(Font{});
    InternFormat(Format{});
}

int XlsWorkbook::AddNumberFormat(const std::string& formatText) {
    auto found = std::find(m_numberFormats.begin(), m_numberFormats.end(), formatText);
    if (found != m_numberFormats.end())
        return 164 + static_cast<int>(found - m_numberFormats.begin());
    if (164 + m_numberFormats.size() > 0xFFFF) throw std::length_error("too many number formats");
    m_numberFormats.push_back(formatText);
    return 164 + static_cast<int>(m_numberFormats.size()) - 1;
}

void XlsWorkbook::SetColumnWidthPixels(int column, int pixels) {
    CheckCell(0, column);
    Column& info = m_columns[column];
    if (pixels <= 0) {
        info.widthUnits = 0;
        info.hidden = true;
        return;
    }
    double characters = pixels > 11 ? (pixels - 5) / 7.0 : pixels * 0.0834;
    info.widthUnits =
        std::min(kMaxColumnWidthUnits, static_cast<int>(std::lround(characters * 256)));
    info.hidden = false;
}

void XlsWorkbook::SetRowHeightPixels(int row, int pixels) {
    CheckCell(row, 0);
    if (static_cast<std::size_t>(row) >= m_rows.size()) m_rows.resize(row + 1);
    m_rows[row].heightTwips = std::clamp(pixels, 0, kMaxRowHeightTwips / 15) * 15;
}

XlsWorkbook::Cell& XlsWorkbook::At(int row, int column) {
    CheckCell(row, column);
    if (static_cast<std::size_t>(row) >= m_rows.size()) m_rows.resize(row + 1);
    auto& cells = m_rows[row].cells;
    if (static_cast<std::size_t>(column) >= cells.size()) cells.resize(column + 1);
    return cells[column];
}

void XlsWorkbook::SetText(int row, int column, std::string_view utf8Text) {
    std::u16string units = Utf8ToUtf16(utf8Text);
    if (units.size() > kMaxCellTextUnits) {
        std::size_t cut = kMaxCellTextUnits;
        // Keep a surrogate pair whole.
        if (units[cut - 1] >= 0xD800 && units[cut - 1] <= 0xDBFF) --cut;
        units.resize(cut);
    }
    Cell& cell = At(row, column);
    cell.kind = CellKind::Text;
    cell.text = InternString(std::move(units));
}

void XlsWorkbook::SetInteger(int row, int column, long long value) {
    SetDouble(row, column, static_cast<double>(value));
}

void XlsWorkbook::SetDouble(int row, int column, double value) {
    Cell& cell = At(row, column);
    cell.kind = CellKind::Number;
    cell.number = value;
}

void XlsWorkbook::SetNumberFormat(int row, int column, int formatIndex) {
    bool custom =
        formatIndex >= 164 && formatIndex < 164 + static_cast<int>(m_numberFormats.size());
    if (!custom && !IsBuiltInNumberFormat(formatIndex))
        throw std::invalid_argument("unknown number format " + std::to_string(formatIndex));
    Cell& cell = At(row, column);
    if (cell.kind == CellKind::None) cell.kind = CellKind::Blank;
    Format format = m_formats[cell.format];
    format.numberFormat = static_cast<std::uint16_t>(formatIndex);
    cell.format = InternFormat(format);
}

void XlsWorkbook::SetBold(int row, int column, bool bold) {
    XlsRangeStyle style;
    style.bold = bold;
    StyleCell(At(row, column), style);
}

void XlsWorkbook::ApplyStyle(int firstRow, int firstColumn, int lastRow, int lastColumn,
                             const XlsRangeStyle& style) {
    if (firstRow > lastRow) std::swap(firstRow, lastRow);
    if (firstColumn > lastColumn) std::swap(firstColumn, lastColumn);
    CheckCell(firstRow, firstColumn);
    CheckCell(lastRow, lastColumn);
    for (int r = firstRow; r <= lastRow; ++r)
        for (int c = firstColumn; c <= lastColumn; ++c) StyleCell(At(r, c), style);
}

void XlsWorkbook::StyleCell(Cell& cell, const XlsRangeStyle& style) {
    auto checkColour = [](int colour) {
        if (colour < 8 || colour > 63)
            throw std::invalid_argument("palette index out of range: " + std::to_string(colour));
    };
    Format format = m_formats[cell.format];
    Font font = m_fonts[format.font];
    if (style.fontName) font.name = *style.fontName;
    if (style.bold) font.bold = *style.bold;
    if (style.fontColour) {
        if (*style.fontColour != kAutomaticColour) checkColour(*style.fontColour);
        font.colour = *style.fontColour;
    }
    if (style.fontHeightTwips) font.heightTwips = std::clamp(*style.fontHeightTwips, 20, 8191);
    format.font = InternFont(font);
    if (style.horizontal) format.horizontal = *style.horizontal;
    if (style.vertical) format.vertical = *style.vertical;
    if (style.wrap) format.wrap = *style.wrap;
    if (style.border) {
        format.border = *style.border;
        if (*style.border != BorderLine::None) checkColour(style.borderColour);
        format.borderColour =
            *style.border == BorderLine::None ? 0 : static_cast<std::uint8_t>(style.borderColour);
    }
    if (style.solidFill) {
        checkColour(*style.solidFill);
        format.fill = static_cast<std::uint8_t>(*style.solidFill);
    }
    if (cell.kind == CellKind::None) cell.kind = CellKind::Blank;
    cell.format = InternFormat(format);
}

void XlsWorkbook::SetOutlineSummary(bool rowsBelow, bool columnsRight) {
    m_rowsBelow = rowsBelow;
    m_columnsRight = columnsRight;
}

std::uint16_t XlsWorkbook::InternFormat(const Format& format) {
    auto found = m_formatIndex.find(format);
    if (found != m_formatIndex.end()) return found->second;
    // 16 built-in formats come first and the record index is 16 bits wide; 4000 is well
    // inside what every reader accepts.
    if (m_formats.size() >= 4000) throw std::length_error("too many cell formats");
    auto index = static_cast<std::uint16_t>(m_formats.size());
    m_formats.push_back(format);
    m_formatIndex.emplace(format, index);
    return index;
}

std::uint16_t XlsWorkbook::InternFont(const Font& font) {
    auto found = m_fontIndex.find(font);
    if (found != m_fontIndex.end()) return found->second;
    if (Utf8ToUtf16(font.name).size() > 255 || font.name.empty())
        throw std::invalid_argument("bad font name: " + font.name);
    if (m_fonts.size() >= 500) throw std::length_error("too many fonts");
    auto index = static_cast<std::uint16_t>(m_fonts.size());
    m_fonts.push_back(font);
    m_fontIndex.emplace(font, index);
    return index;
}

std::uint32_t XlsWorkbook::InternString(std::u16string text) {
    auto found = m_stringIndex.find(text);
    if (found != m_stringIndex.end()) return found->second;
    auto index = static_cast<std::uint32_t>(m_strings.size());
    m_strings.push_back(text);
    m_stringIndex.emplace(std::move(text), index);
    return index;
}

std::string XlsWorkbook::ToBytes() const { return WriteWorkbookFile(*this); }

void XlsWorkbook::SaveToFile(const std::string& fileName) const {
    WriteFileAtomically(fileName, ToBytes());
}

}  // namespace platform
