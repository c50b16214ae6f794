// Text helpers shared by every layer. Inside the program all text is UTF-8 in
// std::string; Windows-1251 is decoded and encoded only at file boundaries, here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Windows-1251 <-> UTF-8. Decoding is exact for all 256 bytes (the one unassigned byte
// 0x98 maps to U+0098). Encoding writes '?' for a character the code page cannot hold;
// malformed UTF-8 bytes are also written as '?'.
std::string Cp1251ToUtf8(std::string_view bytes);
std::string Utf8ToCp1251(std::string_view text);

// Reads a whole Windows-1251 file and splits it into lines ending in CR LF, LF or CR
// (a last line without an ending counts; a final line ending adds no empty line).
// Throws AppError naming the file when it cannot be read.
std::vector<std::string> ReadCp1251Lines(const std::string& path);
// Splits UTF-8 text into lines by the same rules.
std::vector<std::string> SplitLines(std::string_view text);
// Writes lines joined by CR LF, encoded in Windows-1251, replacing the file whole
// (temporary file + rename). Throws AppError naming the file on failure.
void WriteCp1251Lines(const std::string& path, const std::vector<std::string>& lines);

// The one upper-casing function: maps every letter Windows-1251 holds (Latin, Cyrillic
// with Ё, and the other Cyrillic letters of the code page); other characters unchanged.
std::string UpperCase(std::string_view text);
// Upper-cases Latin letters a-z only.
std::string UpperCaseLatin(std::string_view text);

// Removes characters with codes up to 32 at both ends.
std::string Trim(std::string_view text);

// The n-th field (from 1) of text split at one delimiter; empty when absent.
std::string GetDelimitedField(std::string_view text, char delimiter, int n);
// Every occurrence of `character` replaced by `replacement`.
std::string ReplaceAll(std::string_view text, char character, std::string_view replacement);

// Number of characters (code points) in UTF-8 text, and the text cut to at most n of them.
std::size_t CharCount(std::string_view text);
std::string CutToChars(std::string_view text, std::size_t n);

// The general number text: 15 significant digits, no trailing zeros, "." separator,
// exponent form below 0.0001 and from 1E15 (1.5E-5, 5E-5, 1E15).
std::string GeneralNumberText(double value);

// Grouped number patterns such as "### ### ##0.00", "# ##0", "# ##0.####" (optional
// decimals) and "# ##0.00 руб." (a literal suffix after the digits).
std::string FormatGroupedNumber(double value, std::string_view pattern);

// Strict conversions used by the imports. ParseInteger: optional leading blanks, optional
// sign, decimal digits, nothing after. ParseReal: "." separator, blanks at both ends
// skipped, exponent allowed. Both return false on anything else (empty included).
bool ParseInteger(std::string_view text, long long& value);
bool ParseReal(std::string_view text, double& value);

}  // namespace platform
