#include "protocol/line_buffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace
{
using Result = CLineBuffer::Result;

// Feeds the chunks one after the other and collects what Next returns after each, until it needs more.
std::vector<std::string> Collect(const std::vector<std::string>& chunks, bool keepAsync)
{
    CLineBuffer buffer;
    std::vector<std::string> out;
    for (const std::string& chunk : chunks)
    {
        buffer.Append(chunk.data(), chunk.size());
        std::string line;
        for (Result result; (result = buffer.Next(line, keepAsync)) != Result::NeedMore;)
        {
            if (result == Result::Line)
                out.push_back(line);
            else if (result == Result::Overlong)
                out.push_back("<overlong>");
        }
        out.push_back("|");  // marks the end of what one chunk released
    }
    return out;
}

struct FramingCase
{
    const char* name;
    std::vector<std::string> chunks;
    bool keepAsync;
    std::vector<std::string> expected;
};

class LineFraming : public testing::TestWithParam<FramingCase>
{
};

TEST_P(LineFraming, CutsLinesAsTheProtocolDefines)
{
    EXPECT_EQ(Collect(GetParam().chunks, GetParam().keepAsync), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LineFraming,
    testing::Values(FramingCase{"TwoLinesInOneChunk", {"A=1\nB=2\n"}, false, {"A=1", "B=2", "|"}},
                    FramingCase{"LineSplitOverChunks", {"HEL", "LO\n"}, false, {"|", "HELLO", "|"}},
                    FramingCase{"CrLfLosesTheCr", {"OK\r\n"}, false, {"OK", "|"}},
                    FramingCase{"CrCrLfKeepsOneCr", {"OK\r\r\n"}, false, {"OK\r", "|"}},
                    FramingCase{"LoneCrIsText", {"A\rB\n"}, false, {"A\rB", "|"}},
                    FramingCase{"AsyncAndIntermediateSkipped", {"!A=1\n+wait\nB\n"}, false, {"B", "|"}},
                    FramingCase{"AsyncAndIntermediateKept", {"!A=1\n+wait\nB\n"}, true, {"!A=1", "+wait", "B", "|"}},
                    FramingCase{"EmptyLineIsALine", {"\n\n"}, false, {"", "", "|"}},
                    FramingCase{"EmptyLineKeptWithAsync", {"\n"}, true, {"", "|"}},
                    FramingCase{"PartialTailStaysBuffered", {"A\nB", "C\n"}, false, {"A", "|", "BC", "|"}}),
    [](const testing::TestParamInfo<FramingCase>& info) { return info.param.name; });

TEST(LineBuffer, LineOfExactlyTheLimitIsAccepted)
{
    std::string line(CLineBuffer::kMaxLineBytes, 'x');
    EXPECT_EQ(Collect({line + "\n"}, false), (std::vector<std::string>{line, "|"}));
}

TEST(LineBuffer, OverlongLineIsReportedOnceAndDiscardedUpToItsEnd)
{
    const std::string chunk(1024, 'x');
    std::vector<std::string> chunks(80, chunk);  // 80 KiB without LF
    chunks.push_back("tail\nNEXT\n");
    std::vector<std::string> out = Collect(chunks, false);
    EXPECT_EQ(std::count(out.begin(), out.end(), "<overlong>"), 1);
    EXPECT_EQ(out[out.size() - 2], "NEXT");
    EXPECT_EQ(std::count(out.begin(), out.end(), "tail"), 0);
}

TEST(LineBuffer, OverlongLineArrivingWholeIsReported)
{
    std::string line(CLineBuffer::kMaxLineBytes + 1, 'x');
    EXPECT_EQ(Collect({line + "\nOK\n"}, false), (std::vector<std::string>{"<overlong>", "OK", "|"}));
}

TEST(LineBuffer, MemoryStaysBoundedWhileADeviceNeverSendsALineFeed)
{
    CLineBuffer buffer;
    const std::string chunk(1024, 'y');
    std::string line;
    std::size_t largest = 0;
    for (int i = 0; i < 10 * 1024; ++i)  // 10 MiB
    {
        buffer.Append(chunk.data(), chunk.size());
        buffer.Next(line, true);
        largest = std::max(largest, buffer.Size());
    }
    EXPECT_LE(largest, CLineBuffer::kMaxLineBytes + chunk.size());
}

TEST(LineBuffer, EndDiscardStartsAFreshLine)
{
    CLineBuffer buffer;
    std::string big(CLineBuffer::kMaxLineBytes + 10, 'z');
    std::string line;
    buffer.Append(big.data(), big.size());
    ASSERT_EQ(buffer.Next(line, false), Result::Overlong);
    buffer.EndDiscard();
    buffer.Append("OK\n", 3);
    ASSERT_EQ(buffer.Next(line, false), Result::Line);
    EXPECT_EQ(line, "OK");
}

struct DecodeCase
{
    const char* name;
    std::string bytes;
    std::wstring expected;
};

class Utf8Decoding : public testing::TestWithParam<DecodeCase>
{
};

TEST_P(Utf8Decoding, DecodesOrMarksDamage)
{
    const DecodeCase& c = GetParam();
    EXPECT_EQ(DecodeUtf8(c.bytes.data(), c.bytes.size()).ToStdWstring(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, Utf8Decoding,
                         testing::Values(DecodeCase{"Ascii", "GAIN=-3.5", L"GAIN=-3.5"},
                                         DecodeCase{"NonAscii", "PRESET=Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5",
                                                    L"PRESET=Caf\u00E9 \u20AC \U0001F3B5"},
                                         DecodeCase{"InvalidByte",
                                                    "A\xFF"
                                                    "B",
                                                    L"A\uFFFDB"},
                                         DecodeCase{"TruncatedSequence", "A\xE2\x82", L"A\uFFFD\uFFFD"},
                                         DecodeCase{"OverlongEncoding", "\xC0\xAF", L"\uFFFD\uFFFD"},
                                         DecodeCase{"EncodedSurrogate", "\xED\xA0\x80", L"\uFFFD\uFFFD\uFFFD"},
                                         DecodeCase{"Empty", "", L""}),
                         [](const testing::TestParamInfo<DecodeCase>& info) { return info.param.name; });
}  // namespace
