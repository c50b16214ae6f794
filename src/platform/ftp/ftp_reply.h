// Parsing of what an FTP server sends on the control connection: whole replies (multi-line
// ones included) and the data addresses of EPSV and PASV replies.
#pragma once

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace platform::ftpwire {

// The longest reply line accepted, and the most bytes one reply may take.
inline constexpr size_t kMaxReplyLine = 8192;
inline constexpr size_t kMaxReplyBytes = 256 * 1024;

struct FtpReply {
    int code = 0;
    std::vector<std::string> lines;  // without line ends
    // The lines joined by "\n".
    std::string Text() const;
};

// Thrown for a reply that breaks the protocol; what() is a Russian description.
class ReplyFormatError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Takes one whole reply from the front of `buffer` and removes its bytes. Returns nullopt
// (leaving the buffer alone) while the reply is incomplete. Lines may end in CR LF or LF.
// Throws ReplyFormatError when the first line does not start with a reply code, a line
// grows beyond kMaxReplyLine or the reply beyond kMaxReplyBytes.
std::optional<FtpReply> TakeReply(std::string& buffer);

// The port of a 229 reply: "(<d><d><d>port<d>)" anywhere in the text. nullopt when absent
// or out of range.
std::optional<int> ParseEpsvPort(const std::string& text);

struct PasvAddress {
    std::string host;  // dotted IPv4 as named by the server (not used for connecting)
    int port = 0;
};
// The six numbers "h1,h2,h3,h4,p1,p2" anywhere in a 227 reply; nullopt when they are
// absent, any is above 255, or the port is 0.
std::optional<PasvAddress> ParsePasvAddress(const std::string& text);

// The size announced in a 150 reply as "(<n> bytes)"; nullopt when there is none.
std::optional<unsigned long long> ParseAnnouncedSize(const std::string& text);

}  // namespace platform::ftpwire
