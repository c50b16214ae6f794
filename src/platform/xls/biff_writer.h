// The record-level encoding of an XlsWorkbook: the BIFF8 Workbook stream (globals, then
// the one sheet) and the whole file around it. Used by XlsWorkbook::ToBytes.
#pragma once

#include <string>

namespace platform {

class XlsWorkbook;

// The BIFF8 Workbook stream, unpadded.
std::string WriteWorkbookStream(const XlsWorkbook& workbook);
// The stream inside its compound file.
std::string WriteWorkbookFile(const XlsWorkbook& workbook);

}  // namespace platform
