#include "platform/xls/biff_writer.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "platform/xls/compound_file.h"
#include "platform/xls/xls_workbook.h"

namespace platform {

namespace {

// The most data bytes one record may carry; the rest of a long record goes into CONTINUE.
constexpr std::size_t kMaxRecordData = 8224;
constexpr std::uint16_t kDefaultCellXf = 15;
constexpr int kRowBlock = 32;

enum RecordId : std::uint16_t {
    kBof = 0x0809,
    kEof = 0x000A,
    kCodePage = 0x0042,
    kWindow1 = 0x003D,
    kFont = 0x0031,
    kFormat = 0x041E,
    kXf = 0x00E0,
    kStyle = 0x0293,
    kBoundSheet = 0x0085,
    kSst = 0x00FC,
    kExtSst = 0x00FF,
    kContinue = 0x003C,
    kDefaultRowHeight = 0x0225,
    kWsBool = 0x0081,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kDimensions = 0x0200,
    kRow = 0x0208,
    kNumber = 0x0203,
    kLabelSst = 0x00FD,
    kBlank = 0x0201,
    kWindow2 = 0x023E,
};

class Biff {
public:
    std::string bytes;

    void U8(unsigned v) { bytes.push_back(static_cast<char>(v & 0xFF)); }
    void U16(unsigned v) {
        const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF)};
        bytes.append(b, 2);
    }
    void U32(std::uint32_t v) {
        const char b[4] = {static_cast<char>(v & 0xFF), static_cast<char>((v >> 8) & 0xFF),
                           static_cast<char>((v >> 16) & 0xFF), static_cast<char>(v >> 24)};
        bytes.append(b, 4);
    }
    void F64(double v) {
        std::uint64_t raw;
        std::memcpy(&raw, &v, sizeof raw);
        U32(static_cast<std::uint32_t>(raw));
        U32(static_cast<std::uint32_t>(raw >> 32));
    }
    void Patch16(std::size_t at, unsigned v) {
        bytes[at] = static_cast<char>(v & 0xFF);
        bytes[at + 1] = static_cast<char>((v >> 8) & 0xFF);
    }
    void Patch32(std::size_t at, std::uint32_t v) {
        Patch16(at, v & 0xFFFF);
        Patch16(at + 2, v >> 16);
    }

    void Begin(std::uint16_t id) {
        m_start = bytes.size();
        U16(id);
        U16(0);
    }
    void End() {
        std::size_t length = bytes.size() - m_start - 4;
        if (length > kMaxRecordData) throw std::logic_error("BIFF record too long");
        Patch16(m_start + 2, static_cast<unsigned>(length));
    }
    // Data bytes written so far into the record begun last.
    std::size_t Used() const { return bytes.size() - m_start - 4; }
    std::size_t RecordStart() const { return m_start; }

    // Characters of a string, one byte each when every unit fits Latin-1, else UTF-16LE.
    void Chars(const std::u16string& s, std::size_t from, std::size_t count, bool wide) {
        std::size_t at = bytes.size();
        bytes.resize(at + count * (wide ? 2 : 1));
        char* out = bytes.data() + at;
        for (std::size_t i = from; i < from + count; ++i) {
            *out++ = static_cast<char>(s[i] & 0xFF);
            if (wide) *out++ = static_cast<char>(s[i] >> 8);
        }
    }

private:
    std::size_t m_start = 0;
};

bool NeedsWide(const std::u16string& s) {
    return std::any_of(s.begin(), s.end(), [](char16_t c) { return c > 0xFF; });
}

// A string with an 8-bit count (sheet and font names).
void ShortString(Biff& b, const std::u16string& s) {
    bool wide = NeedsWide(s);
    b.U8(static_cast<unsigned>(s.size()));
    b.U8(wide ? 1 : 0);
    b.Chars(s, 0, s.size(), wide);
}

// A string with a 16-bit count.
void LongString(Biff& b, const std::u16string& s) {
    bool wide = NeedsWide(s);
    b.U16(static_cast<unsigned>(s.size()));
    b.U8(wide ? 1 : 0);
    b.Chars(s, 0, s.size(), wide);
}

unsigned BiffFontIndex(unsigned font) { return font == 0 ? 0 : font + 4; }

void WriteFont(Biff& b, const XlsWorkbook::Font& font) {
    std::u16string name = Utf8ToUtf16(font.name);
    bool cyrillicAlias = name.size() > 4 && name.compare(name.size() - 4, 4, u" CYR") == 0;
    b.Begin(kFont);
    b.U16(static_cast<unsigned>(font.heightTwips));
    b.U16(font.bold ? 0x0001 : 0);  // the old bold bit, besides the weight below
    b.U16(static_cast<unsigned>(font.colour));
    b.U16(font.bold ? 700 : 400);
    b.U16(0);                       // no super- or subscript
    b.U8(0);                        // no underline
    b.U8(0);                        // family: any
    b.U8(cyrillicAlias ? 204 : 0);  // a "... CYR" alias is only found with the Cyrillic set
    b.U8(0);
    ShortString(b, name);
    b.End();
}

void WriteStyleXf(Biff& b, bool normal) {
    b.Begin(kXf);
    b.U16(0);
    b.U16(0);
    b.U16(0xFFF5);  // locked, style XF, no parent
    b.U8(0x20);     // general, bottom
    b.U8(0);
    b.U8(0);
    b.U8(normal ? 0x00 : 0xF4);  // in style XFs a set bit means "attribute not part of it"
    b.U32(0);
    b.U32(0);
    b.U16(0x20C0);  // no fill: system colours 64 and 65
    b.End();
}

void WriteCellXf(Biff& b, const XlsWorkbook::Format& f) {
    b.Begin(kXf);
    b.U16(BiffFontIndex(f.font));
    b.U16(f.numberFormat);
    b.U16(0x0001);  // locked, cell XF, parent style XF 0
    b.U8(static_cast<unsigned>(f.horizontal) | (f.wrap ? 0x08 : 0) |
         (static_cast<unsigned>(f.vertical) << 4));
    b.U8(0);
    b.U8(0);
    b.U8(0xFC);  // every attribute group is this XF's own
    std::uint32_t line = static_cast<std::uint32_t>(f.border);
    std::uint32_t colour = f.border == BorderLine::None ? 0 : f.borderColour;
    b.U32(line | line << 4 | line << 8 | line << 12 | colour << 16 | colour << 23);
    b.U32(colour | colour << 7 | (f.fill != 0 ? 1u << 26 : 0u));
    b.U16(f.fill != 0 ? (f.fill | f.fill << 7) : 0x20C0);
    b.End();
}

struct ExtSstEntry {
    std::uint32_t streamPos;
    std::uint16_t recordOffset;
};

// The shared string table, continued over CONTINUE records: a string's header always sits
// with its first character, a split falls only between characters (never inside a
// surrogate pair) and each continuation of a string starts with its flags byte again.
void WriteSst(Biff& b, const std::vector<const std::u16string*>& strings, std::uint32_t total,
              std::vector<ExtSstEntry>& ext, std::size_t stringsPerBucket) {
    b.Begin(kSst);
    b.U32(total);
    b.U32(static_cast<std::uint32_t>(strings.size()));
    auto continueRecord = [&b] {
        b.End();
        b.Begin(kContinue);
    };
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const std::u16string& s = *strings[i];
        bool wide = NeedsWide(s);
        std::size_t unit = wide ? 2 : 1;
        if (kMaxRecordData - b.Used() < 3 + (s.empty() ? 0 : unit)) continueRecord();
        if (i % stringsPerBucket == 0)
            ext.push_back({static_cast<std::uint32_t>(b.bytes.size()),
                           static_cast<std::uint16_t>(b.bytes.size() - b.RecordStart())});
        b.U16(static_cast<unsigned>(s.size()));
        b.U8(wide ? 1 : 0);
        std::size_t pos = 0;
        while (pos < s.size()) {
            std::size_t n = std::min((kMaxRecordData - b.Used()) / unit, s.size() - pos);
            // Readers decode each piece alone: keep a surrogate pair in one piece.
            if (n > 0 && pos + n < s.size() && s[pos + n - 1] >= 0xD800 && s[pos + n - 1] <= 0xDBFF)
                --n;
            if (n == 0) {
                continueRecord();
                b.U8(wide ? 1 : 0);
                continue;
            }
            b.Chars(s, pos, n, wide);
            pos += n;
        }
    }
    b.End();
}

void WriteExtSst(Biff& b, const std::vector<ExtSstEntry>& ext, std::size_t stringsPerBucket) {
    b.Begin(kExtSst);
    b.U16(static_cast<unsigned>(stringsPerBucket));
    for (const auto& e : ext) {
        b.U32(e.streamPos);
        b.U16(e.recordOffset);
        b.U16(0);
    }
    b.End();
}

void WriteBof(Biff& b, unsigned type) {
    b.Begin(kBof);
    b.U16(0x0600);  // BIFF8
    b.U16(type);
    b.U16(0x0DBB);  // build
    b.U16(0x07CC);  // year
    b.U32(0);
    b.U32(0x0006);  // lowest version that can read it
    b.End();
}

// The strings that cells use, in the order of first use, and each cell text's SST index.
struct SstPlan {
    std::vector<const std::u16string*> strings;
    std::vector<std::uint32_t> indexOf;  // by workbook string index
    std::uint32_t references = 0;
};

SstPlan PlanSst(const XlsWorkbook& wb) {
    SstPlan plan;
    plan.indexOf.assign(wb.Strings().size(), UINT32_MAX);
    for (const auto& row : wb.Rows())
        for (const auto& cell : row.cells) {
            if (cell.kind != XlsWorkbook::CellKind::Text) continue;
            ++plan.references;
            std::uint32_t& index = plan.indexOf[cell.text];
            if (index == UINT32_MAX) {
                index = static_cast<std::uint32_t>(plan.strings.size());
                plan.strings.push_back(&wb.Strings()[cell.text]);
            }
        }
    return plan;
}

void WriteGlobals(Biff& b, const XlsWorkbook& wb, const SstPlan& sst, std::size_t& sheetPosAt) {
    WriteBof(b, 0x0005);
    b.Begin(kCodePage);
    b.U16(1200);  // UTF-16
    b.End();
    b.Begin(kWindow1);
    for (unsigned v : {360u, 270u, 14940u, 9150u, 0x0038u, 0u, 0u, 1u, 600u}) b.U16(v);
    b.End();
    // Fonts 0-3 are the default font; index 4 is never written, own fonts follow from 5.
    for (int i = 0; i < 4; ++i) WriteFont(b, wb.Fonts()[0]);
    for (std::size_t i = 1; i < wb.Fonts().size(); ++i) WriteFont(b, wb.Fonts()[i]);
    for (std::size_t i = 0; i < wb.NumberFormats().size(); ++i) {
        b.Begin(kFormat);
        b.U16(static_cast<unsigned>(164 + i));
        LongString(b, Utf8ToUtf16(wb.NumberFormats()[i]));
        b.End();
    }
    for (int i = 0; i < 15; ++i) WriteStyleXf(b, i == 0);
    for (const auto& format : wb.Formats()) WriteCellXf(b, format);
    b.Begin(kStyle);
    b.U16(0x8000);  // built-in style on XF 0
    b.U8(0);        // Normal
    b.U8(0xFF);
    b.End();
    b.Begin(kBoundSheet);
    sheetPosAt = b.bytes.size();
    b.U32(0);  // the sheet's BOF position, patched once known
    b.U8(0);   // visible
    b.U8(0);   // worksheet
    ShortString(b, Utf8ToUtf16(wb.SheetName()));
    b.End();
    std::size_t perBucket = std::max<std::size_t>(sst.strings.size() / 128 + 1, 8);
    std::vector<ExtSstEntry> ext;
    WriteSst(b, sst.strings, sst.references, ext, perBucket);
    WriteExtSst(b, ext, perBucket);
    b.Begin(kEof);
    b.End();
}

void WriteColumns(Biff& b, const XlsWorkbook& wb) {
    for (const auto& [column, info] : wb.Columns()) {
        b.Begin(kColInfo);
        b.U16(static_cast<unsigned>(column));
        b.U16(static_cast<unsigned>(column));
        b.U16(static_cast<unsigned>(info.widthUnits));
        b.U16(kDefaultCellXf);
        b.U16(0x0002 | (info.hidden ? 0x0001 : 0));  // width set by hand, hidden
        b.U16(0);
        b.End();
    }
}

struct CellSpan {
    int first = -1, last = -1;
};

CellSpan SpanOf(const XlsWorkbook::Row& row) {
    CellSpan span;
    for (int c = 0; c < static_cast<int>(row.cells.size()); ++c)
        if (row.cells[c].kind != XlsWorkbook::CellKind::None) {
            if (span.first < 0) span.first = c;
            span.last = c;
        }
    return span;
}

void WriteDimensions(Biff& b, const XlsWorkbook& wb) {
    int firstRow = -1, lastRow = -1, firstCol = 256, lastCol = -1;
    for (int r = 0; r < static_cast<int>(wb.Rows().size()); ++r) {
        CellSpan span = SpanOf(wb.Rows()[r]);
        if (span.first < 0) continue;
        if (firstRow < 0) firstRow = r;
        lastRow = r;
        firstCol = std::min(firstCol, span.first);
        lastCol = std::max(lastCol, span.last);
    }
    b.Begin(kDimensions);
    if (firstRow < 0) {
        b.U32(0), b.U32(0), b.U16(0), b.U16(0);
    } else {
        b.U32(static_cast<std::uint32_t>(firstRow));
        b.U32(static_cast<std::uint32_t>(lastRow + 1));
        b.U16(static_cast<unsigned>(firstCol));
        b.U16(static_cast<unsigned>(lastCol + 1));
    }
    b.U16(0);
    b.End();
}

void WriteRowRecord(Biff& b, int r, const XlsWorkbook::Row& row) {
    CellSpan span = SpanOf(row);
    b.Begin(kRow);
    b.U16(static_cast<unsigned>(r));
    b.U16(span.first < 0 ? 0 : static_cast<unsigned>(span.first));
    b.U16(span.first < 0 ? 0 : static_cast<unsigned>(span.last + 1));
    std::uint32_t flags = 0x0100;
    if (row.heightTwips < 0) {
        b.U16(0x00FF);
    } else if (row.heightTwips == 0) {
        b.U16(0x00FF);
        flags |= 0x0020 | 0x0040;  // hidden
    } else {
        b.U16(static_cast<unsigned>(row.heightTwips));
        flags |= 0x0040;  // custom height: readers must not grow the row to its font
    }
    b.U16(0);
    b.U16(0);
    b.U32(flags);
    b.End();
}

void WriteCells(Biff& b, int r, const XlsWorkbook::Row& row, const SstPlan& sst) {
    for (int c = 0; c < static_cast<int>(row.cells.size()); ++c) {
        const auto& cell = row.cells[c];
        if (cell.kind == XlsWorkbook::CellKind::None) continue;
        unsigned xf = kDefaultCellXf + cell.format;
        switch (cell.kind) {
            case XlsWorkbook::CellKind::Text:
                b.Begin(kLabelSst);
                b.U16(static_cast<unsigned>(r)), b.U16(static_cast<unsigned>(c)), b.U16(xf);
                b.U32(sst.indexOf[cell.text]);
                break;
            case XlsWorkbook::CellKind::Number:
                b.Begin(kNumber);
                b.U16(static_cast<unsigned>(r)), b.U16(static_cast<unsigned>(c)), b.U16(xf);
                b.F64(cell.number);
                break;
            default:
                b.Begin(kBlank);
                b.U16(static_cast<unsigned>(r)), b.U16(static_cast<unsigned>(c)), b.U16(xf);
                break;
        }
        b.End();
    }
}

void WriteSheet(Biff& b, const XlsWorkbook& wb, const SstPlan& sst) {
    WriteBof(b, 0x0010);
    b.Begin(kDefaultRowHeight);
    b.U16(0);
    b.U16(0x00FF);
    b.End();
    b.Begin(kWsBool);
    b.U16(0x0401 | (wb.RowsBelow() ? 0x0040 : 0) | (wb.ColumnsRight() ? 0x0080 : 0));
    b.End();
    b.Begin(kDefColWidth);
    b.U16(8);
    b.End();
    WriteColumns(b, wb);
    WriteDimensions(b, wb);
    const auto& rows = wb.Rows();
    auto present = [&rows](int r) {
        return rows[r].heightTwips >= 0 || SpanOf(rows[r]).first >= 0;
    };
    // Rows in blocks of 32: the block's ROW records, then its cells.
    for (int start = 0; start < static_cast<int>(rows.size()); start += kRowBlock) {
        int end = std::min<int>(start + kRowBlock, static_cast<int>(rows.size()));
        for (int r = start; r < end; ++r)
            if (present(r)) WriteRowRecord(b, r, rows[r]);
        for (int r = start; r < end; ++r) WriteCells(b, r, rows[r], sst);
    }
    b.Begin(kWindow2);
    b.U16(0x06B6);  // grid, headers, zeros, outline symbols, selected and active sheet
    b.U16(0);
    b.U16(0);
    b.U32(64);  // grid line colour: automatic
    b.U16(0);
    b.U16(0);
    b.U32(0);
    b.End();
    b.Begin(kEof);
    b.End();
}

}  // namespace

std::string WriteWorkbookStream(const XlsWorkbook& workbook) {
    SstPlan sst = PlanSst(workbook);
    Biff b;
    // Room for the usual case: every string in UTF-16 and the largest cell record per cell.
    std::size_t estimate = 65536;
    for (const auto* s : sst.strings) estimate += 3 + 2 * s->size();
    for (const auto& row : workbook.Rows()) estimate += 20 + 18 * row.cells.size();
    b.bytes.reserve(estimate);
    std::size_t sheetPosAt = 0;
    WriteGlobals(b, workbook, sst, sheetPosAt);
    b.Patch32(sheetPosAt, static_cast<std::uint32_t>(b.bytes.size()));
    WriteSheet(b, workbook, sst);
    return std::move(b.bytes);
}

std::string WriteWorkbookFile(const XlsWorkbook& workbook) {
    return WriteCompoundFile("Workbook", WriteWorkbookStream(workbook));
}

}  // namespace platform
