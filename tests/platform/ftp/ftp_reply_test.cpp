// Reply framing and data-address parsing of the FTP client.
#include "platform/ftp/ftp_reply.h"

#include <gtest/gtest.h>

using namespace platform::ftpwire;

TEST(FtpReplyFraming, TakesWholeRepliesOnly) {
    struct Case {
        std::string bytes;
        int code;  // 0: incomplete
        size_t lines;
        std::string rest;  // left in the buffer
    };
    const Case cases[] = {
        {"220 Ready\r\n", 220, 1, ""},
        {"220 Ready\n", 220, 1, ""},  // LF only
        {"220", 0, 0, "220"},
        {"220 Rea", 0, 0, "220 Rea"},
        {"230-Welcome\r\n230-more\r\n", 0, 0, "230-Welcome\r\n230-more\r\n"},
        {"230-Welcome\r\n 230 inner line\r\n230x\r\n230 Done\r\n", 230, 4, ""},
        {"230-Welcome\n230-\n230\nrest", 230, 3, "rest"},         // "230" alone ends the reply
        {"150 Opening\r\n226 Done\r\n", 150, 1, "226 Done\r\n"},  // two in one packet
        {"200\r\n", 200, 1, ""},
    };
    for (const auto& c : cases) {
        std::string buffer = c.bytes;
        const auto reply = TakeReply(buffer);
        SCOPED_TRACE(c.bytes);
        if (c.code == 0) {
            EXPECT_FALSE(reply);
        } else {
            ASSERT_TRUE(reply);
            EXPECT_EQ(reply->code, c.code);
            EXPECT_EQ(reply->lines.size(), c.lines);
        }
        EXPECT_EQ(buffer, c.rest);
    }
}

TEST(FtpReplyFraming, MultiLineTextKeepsEveryLine) {
    std::string buffer = "530-Login incorrect.\r\n530 Try again.\r\n";
    const auto reply = TakeReply(buffer);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->Text(), "530-Login incorrect.\n530 Try again.");
}

TEST(FtpReplyFraming, RejectsMalformedAndOversizedReplies) {
    const std::string cases[] = {
        "hello\r\n",
        "22 short\r\n",
        "2200 Ready\r\n",
        "620 Ready\r\n",
        "abc Ready\r\n",
        std::string(kMaxReplyLine + 10, 'x'),                    // no line end ever
        "220 " + std::string(kMaxReplyLine + 10, 'x') + "\r\n",  // one long line
        "220-start\r\n" + std::string(kMaxReplyLine + 1, 'y'),   // long inner line
    };
    for (const auto& bytes : cases) {
        std::string buffer = bytes;
        EXPECT_THROW(TakeReply(buffer), ReplyFormatError) << bytes.substr(0, 40);
    }
    // A reply of many short lines that never ends is cut off too.
    std::string endless = "220-start\r\n";
    while (endless.size() <= kMaxReplyBytes) endless += "220-more text\r\n";
    EXPECT_THROW(TakeReply(endless), ReplyFormatError);
}

TEST(FtpDataAddress, PasvNumbersAnywhereInTheText) {
    struct Case {
        std::string text;
        int port;  // 0: rejected
    };
    const Case cases[] = {
        {"227 Entering Passive Mode (127,0,0,1,4,1).", 1025},
        {"227 Entering Passive Mode 10,1,2,3,200,10", 51210},
        {"227 =192,168,0,1,0,21", 21},
        {"227 Entering Passive Mode (127, 0, 0, 1, 4, 1)", 1025},
        {"227 Entering Passive Mode (256,0,0,1,4,1).", 0},
        {"227 Entering Passive Mode (127,0,0,1,300,1).", 0},
        {"227 Entering Passive Mode (127,0,0,1,4,1000).", 0},
        {"227 Entering Passive Mode (127,0,0,1,0,0).", 0},
        {"227 Entering Passive Mode (127,0,0,1,4).", 0},
        {"227 Entering Passive Mode.", 0},
    };
    for (const auto& c : cases) {
        const auto address = ParsePasvAddress(c.text);
        if (c.port == 0) {
            EXPECT_FALSE(address) << c.text;
        } else {
            ASSERT_TRUE(address) << c.text;
            EXPECT_EQ(address->port, c.port) << c.text;
        }
    }
    EXPECT_EQ(ParsePasvAddress("227 ok (10,1,2,3,200,10)")->host, "10.1.2.3");
}

TEST(FtpDataAddress, EpsvPort) {
    EXPECT_EQ(ParseEpsvPort("229 Entering Extended Passive Mode (|||6446|)"), 6446);
    EXPECT_EQ(ParseEpsvPort("229 ok (!!!21!)"), 21);
    EXPECT_FALSE(ParseEpsvPort("229 Entering Extended Passive Mode (|||70000|)"));
    EXPECT_FALSE(ParseEpsvPort("229 Entering Extended Passive Mode (|||0|)"));
    EXPECT_FALSE(ParseEpsvPort("229 Entering Extended Passive Mode (||6446|)"));
    EXPECT_FALSE(ParseEpsvPort("229 Entering Extended Passive Mode (|||6446)"));
    EXPECT_FALSE(ParseEpsvPort("229 Entering Extended Passive Mode"));
}

TEST(FtpDataAddress, AnnouncedSize) {
    EXPECT_EQ(ParseAnnouncedSize("150 Opening BINARY mode data connection for a.zip (1234 bytes)."),
              1234u);
    EXPECT_FALSE(ParseAnnouncedSize("150 Opening BINARY mode data connection for a.zip."));
    EXPECT_FALSE(ParseAnnouncedSize("150 File status okay; about to open data connection."));
}
