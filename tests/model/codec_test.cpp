#include "base/Codec.h"
#include "base/Texts.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

TEST(Codec, ConvertsBetweenCodePage932AndUtf8)
{
    struct Case {
        std::string cp932;
        std::string utf8;
    };
    const Case cases[] = {
        { "a=1", "a=1" },
        { "\x82\xA0\x83\x5C", "あソ" },          // trail byte 0x5C is not a backslash
        { "\xB6\xC5", "ｶﾅ" },                    // half-width katakana
        { "\\~", "\\~" },
        { "\r\n", "\r\n" },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.utf8);
        EXPECT_EQ(codec::Cp932ToUtf8(c.cp932), c.utf8);
        EXPECT_EQ(codec::Utf8ToCp932(c.utf8), c.cp932);
    }
    // One replacement character per bad byte; good bytes after it survive.
    EXPECT_EQ(codec::Cp932ToUtf8("a\xFF" "b"), "a\uFFFD" "b");
    EXPECT_EQ(codec::Cp932ToUtf8("\x82"), "\uFFFD");
    EXPECT_EQ(codec::Cp932ToUtf8("\x82\x0A"), "\uFFFD\n");

    std::string bad;
    EXPECT_EQ(codec::Utf8ToCp932("ab😀c", &bad), std::nullopt);
    EXPECT_EQ(bad, "😀");
    EXPECT_EQ(codec::Utf8ToCp932("\xC3"), std::nullopt);

    EXPECT_EQ(codec::Utf16ToCp932(u"aあ😀é"), "a\x82\xA0??");
}

TEST(Codec, StreamDecoderKeepsASplitCharacterForTheNextPiece)
{
    codec::CStreamDecoder decoder;
    EXPECT_EQ(decoder.Feed("x\x82"), "x");
    EXPECT_EQ(decoder.Feed("\xA0\x82\xA2y\x82"), "あいy");
    EXPECT_EQ(decoder.Flush(), "\uFFFD");
    EXPECT_EQ(decoder.Flush(), "");
}

TEST(Codec, IsSafeToUseFromSeveralThreads)
{
    std::vector<std::thread> threads;
    std::vector<int> failures(4, 0);
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([t, &failures] {
            for (int i = 0; i < 2000; ++i) {
                if (codec::Cp932ToUtf8("\x93\xFA\x96\x7B") != "日本" || codec::Utf8ToCp932("語") != "\x8C\xEA"
                    || texts::Cp932Text(texts::kRunTitle) != "\x8C\x8B\x89\xCA\x95\x5C\x8E\xA6")
                    ++failures[static_cast<std::size_t>(t)];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(failures, std::vector<int>(4, 0));
    EXPECT_EQ(&texts::Cp932Text(texts::kRunTitle), &texts::Cp932Text(texts::kRunTitle));
}
