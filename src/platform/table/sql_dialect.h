// The dialect adapter: turns the program's SQL and filter texts into SQLite's dialect.
// - A double-quoted text is a string literal: "a'b" becomes 'a''b'.
// - not(X) becomes ((X) IS NOT TRUE), so it holds where X meets a null.
// Everything else passes unchanged. The text is tokenized, so quotes, comments and
// bracketed names are respected and a value that looks like SQL stays data.
// (LIKE is made case-sensitive on the connection, not here.)
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string AdaptSql(std::string_view sql);

}  // namespace platform
