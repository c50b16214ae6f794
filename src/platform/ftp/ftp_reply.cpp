#include "platform/ftp/ftp_reply.h"

#include <cctype>

namespace platform::ftpwire {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "ddd" followed by the separator `sep`, or "ddd" alone when sep is 0.
bool StartsWithCode(const std::string& line, const std::string& code, char sep) {
    if (line.compare(0, 3, code) != 0) return false;
    if (line.size() == 3) return sep == ' ';
    return line[3] == sep;
}

std::string Shortened(const std::string& line) {
    return line.size() > 80 ? line.substr(0, 80) + "..." : line;
}

}  // namespace

std::string FtpReply::Text() const {
    std::string text;
    for (const auto& line : lines) {
        if (!text.empty()) text += '\n';
        text += line;
    }
    return text;
}

std::optional<FtpReply> TakeReply(std::string& buffer) {
    FtpReply reply;
    std::string code;
    size_t pos = 0;
    for (;;) {
        const size_t lf = buffer.find('\n', pos);
        if (lf == std::string::npos) {
            if (buffer.size() - pos > kMaxReplyLine)
                throw ReplyFormatError("слишком длинная строка ответа сервера");
            return std::nullopt;
        }
        if (lf - pos > kMaxReplyLine)
            throw ReplyFormatError("слишком длинная строка ответа сервера");
        if (lf + 1 > kMaxReplyBytes) throw ReplyFormatError("слишком длинный ответ сервера");
        std::string line = buffer.substr(pos, lf - pos);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        pos = lf + 1;
        if (code.empty()) {
            const bool valid = line.size() >= 3 && line[0] >= '1' && line[0] <= '5' &&
                               IsDigit(line[1]) && IsDigit(line[2]) &&
                               (line.size() == 3 || line[3] == ' ' || line[3] == '-');
            if (!valid)
                throw ReplyFormatError("неверный ответ сервера: \"" + Shortened(line) + "\"");
            code = line.substr(0, 3);
            reply.code = std::stoi(code);
            const bool last = line.size() == 3 || line[3] == ' ';
            reply.lines.push_back(std::move(line));
            if (last) break;
            continue;
        }
        const bool last = StartsWithCode(line, code, ' ');
        reply.lines.push_back(std::move(line));
        if (last) break;
    }
    buffer.erase(0, pos);
    return reply;
}

std::optional<int> ParseEpsvPort(const std::string& text) {
    const size_t open = text.find('(');
    if (open == std::string::npos || open + 4 >= text.size()) return std::nullopt;
    const char d = text[open + 1];
    if (text[open + 2] != d || text[open + 3] != d) return std::nullopt;
    size_t i = open + 4;
    long port = 0;
    size_t digits = 0;
    while (i < text.size() && IsDigit(text[i]) && digits < 6) {
        port = port * 10 + (text[i] - '0');
        ++i;
        ++digits;
    }
    if (digits == 0 || i >= text.size() || text[i] != d) return std::nullopt;
    if (port < 1 || port > 65535) return std::nullopt;
    return static_cast<int>(port);
}

std::optional<PasvAddress> ParsePasvAddress(const std::string& text) {
    // Skip the reply code itself, then look for six comma-separated numbers.
    for (size_t start = 3; start < text.size(); ++start) {
        if (!IsDigit(text[start]) || IsDigit(text[start - 1])) continue;
        long numbers[6];
        size_t i = start;
        int count = 0;
        bool tooBig = false;
        while (count < 6) {
            size_t digits = 0;
            long value = 0;
            while (i < text.size() && IsDigit(text[i])) {
                if (++digits > 3) tooBig = true;
                value = value * 10 + (text[i] - '0');
                if (value > 100000) value = 100000;
                ++i;
            }
            if (digits == 0) break;
            numbers[count++] = value;
            if (count < 6) {
                while (i < text.size() && text[i] == ' ') ++i;
                if (i >= text.size() || text[i] != ',') break;
                ++i;
                while (i < text.size() && text[i] == ' ') ++i;
            }
        }
        if (count != 6) continue;
        for (long n : numbers)
            if (n > 255) tooBig = true;
        if (tooBig) return std::nullopt;
        const int port = static_cast<int>(numbers[4] * 256 + numbers[5]);
        if (port == 0) return std::nullopt;
        PasvAddress address;
        address.host = std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
                       std::to_string(numbers[2]) + "." + std::to_string(numbers[3]);
        address.port = port;
        return address;
    }
    return std::nullopt;
}

std::optional<unsigned long long> ParseAnnouncedSize(const std::string& text) {
    const size_t bytes = text.find(" bytes)");
    if (bytes == std::string::npos) return std::nullopt;
    size_t begin = bytes;
    while (begin > 0 && IsDigit(text[begin - 1])) --begin;
    if (begin == bytes || begin == 0 || text[begin - 1] != '(' || bytes - begin > 19)
        return std::nullopt;
    return std::stoull(text.substr(begin, bytes - begin));
}

}  // namespace platform::ftpwire
