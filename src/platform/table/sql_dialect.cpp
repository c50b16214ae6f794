#include "platform/table/sql_dialect.h"

#include <cctype>
#include <vector>

#include "platform/table/table_value.h"

namespace platform {
namespace {

bool IsWordChar(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' ||
           (static_cast<unsigned char>(c) & 0x80);
}

// Copies a quoted run starting at s[i] (the opening quote) up to and including its
// closing quote; a doubled closing quote inside stands for one quote character.
std::string QuotedBody(std::string_view s, std::size_t& i, char close) {
    std::string body;
    ++i;
    while (i < s.size()) {
        if (s[i] == close) {
            if (i + 1 < s.size() && s[i + 1] == close) {
                body += close;
                i += 2;
                continue;
            }
            ++i;
            return body;
        }
        body += s[i++];
    }
    return body;  // unterminated: SQLite reports the error on the rewritten text
}

std::string SingleQuoted(const std::string& body) {
    std::string out = "'";
    for (char c : body) {
        if (c == '\'') out += '\'';
        out += c;
    }
    return out + "'";
}

}  // namespace

std::string AdaptSql(std::string_view s) {
    std::string out;
    out.reserve(s.size() + 16);
    std::vector<bool> parens;  // per open parenthesis: opened by a rewritten not(
    std::string lastWord;      // the previous word, lower-cased; empty after other tokens
    std::size_t i = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '"') {
            out += SingleQuoted(QuotedBody(s, i, '"'));
            lastWord.clear();
        } else if (c == '\'') {
            out += SingleQuoted(QuotedBody(s, i, '\''));
            lastWord.clear();
        } else if (c == '[' || c == '`') {
            std::size_t start = i;
            char close = c == '[' ? ']' : '`';
            std::size_t end = s.find(close, i + 1);
            i = end == std::string_view::npos ? s.size() : end + 1;
            out.append(s.substr(start, i - start));
            lastWord.clear();
        } else if (c == '-' && i + 1 < s.size() && s[i + 1] == '-') {
            std::size_t end = s.find('\n', i);
            if (end == std::string_view::npos) end = s.size();
            out.append(s.substr(i, end - i));
            i = end;
        } else if (c == '/' && i + 1 < s.size() && s[i + 1] == '*') {
            std::size_t end = s.find("*/", i + 2);
            end = end == std::string_view::npos ? s.size() : end + 2;
            out.append(s.substr(i, end - i));
            i = end;
        } else if (IsWordChar(c)) {
            std::size_t start = i;
            while (i < s.size() && IsWordChar(s[i])) ++i;
            std::string word(s.substr(start, i - start));
            std::string lower = tablevalue::LowerAscii(word);
            std::size_t j = i;
            while (j < s.size() && std::isspace(static_cast<unsigned char>(s[j]))) ++j;
            if (lower == "not" && lastWord != "is" && j < s.size() && s[j] == '(') {
                out += "((";
                parens.push_back(true);
                i = j + 1;
                lastWord.clear();
                continue;
            }
            out += word;
            lastWord = lower;
        } else if (c == '(') {
            parens.push_back(false);
            out += c;
            ++i;
            lastWord.clear();
        } else if (c == ')') {
            bool rewritten = !parens.empty() && parens.back();
            if (!parens.empty()) parens.pop_back();
            out += rewritten ? ") IS NOT TRUE)" : ")";
            ++i;
            lastWord.clear();
        } else {
            if (!std::isspace(static_cast<unsigned char>(c))) lastWord.clear();
            out += c;
            ++i;
        }
    }
    return out;
}

}  // namespace platform
