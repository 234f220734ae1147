#include "storage/blow_fish_stream.h"

#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <algorithm>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "storage/decipher_window.h"

namespace
{
const char kKey[] = "Kp4Xw:9Lm2Rq-Tz7Nb!3Vc8Jh5Sd0";

std::string Plain(size_t size)
{
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>(i * 131 + 7);
    return bytes;
}

// Writes `plain` in pieces of the given sizes (repeating the last) and returns the package bytes.
std::string Package(const std::string& plain, std::vector<size_t> pieces = {1 << 20}, const char* tag = "vks")
{
    wxMemoryOutputStream memory;
    wxBlowFishOutputStream out(memory, kKey, tag);
    size_t at = 0;
    for (size_t i = 0; at < plain.size(); ++i)
    {
        const size_t piece = std::min(pieces[std::min(i, pieces.size() - 1)], plain.size() - at);
        EXPECT_EQ(out.Write(plain.data() + at, piece).LastWrite(), piece);
        at += piece;
        // Only whole blocks go out; at most 7 bytes wait.
        EXPECT_EQ(memory.GetLength(), static_cast<wxFileOffset>(8 + at / 8 * 8));
    }
    EXPECT_TRUE(out.Close());
    std::string bytes(memory.GetLength(), '\0');
    memory.CopyTo(bytes.data(), bytes.size());
    return bytes;
}

struct Reader
{
    explicit Reader(const std::string& bytes, const char* key = kKey, const char* tag = "vks")
        : package(bytes), memory(package.data(), package.size()), stream(memory, key, tag)
    {
    }
    std::string Read(size_t size)
    {
        std::string bytes(size, '\0');
        bytes.resize(stream.Read(bytes.data(), size).LastRead());
        return bytes;
    }
    std::string package;  // the memory stream reads it in place
    wxMemoryInputStream memory;
    wxBlowFishInputStream stream;
};

// A memory stream whose reads fail where they touch a bad stretch, like a file on a failing disk.
class FailingInput : public wxMemoryInputStream
{
public:
    FailingInput(const std::string& bytes, size_t failAt)
        : wxMemoryInputStream(bytes.data(), bytes.size()), m_failAt(failAt)
    {
    }

protected:
    size_t OnSysRead(void* buffer, size_t size) override
    {
        const size_t at = static_cast<size_t>(TellI());
        if (at < m_failAt + 4096 && at + size > m_failAt)
        {
            m_lasterror = wxSTREAM_READ_ERROR;
            return 0;
        }
        return wxMemoryInputStream::OnSysRead(buffer, size);
    }

private:
    size_t m_failAt;
};

// One step of a read pattern: seek to `at` (or stay, when it is negative), then read `size` bytes.
struct Step
{
    long long at;
    size_t size;
};

std::vector<Step> InOrder(size_t length, size_t readSize)
{
    std::vector<Step> steps;
    for (size_t at = 0; at < length; at += readSize)
        steps.push_back({-1, readSize});
    return steps;
}

// Jumps to random places and reads on from there a while, the way the zip reader goes from entry to entry.
std::vector<Step> Scattered(size_t length, unsigned seed)
{
    std::mt19937 random(seed);
    std::vector<Step> steps;
    for (int jump = 0; jump < 40; ++jump)
    {
        steps.push_back({static_cast<long long>(random() % length), 1 + random() % 64});
        for (unsigned i = random() % 30; i > 0; --i)
            steps.push_back({-1, random() % 3 == 0 ? 1 + random() % 50 : 16384});
    }
    return steps;
}
}  // namespace

TEST(BlowFishStream, FrameSizesFollowTheBlockCount)
{
    const struct
    {
        size_t plain;
        size_t file;
    } cases[] = {{0, 16}, {1, 24}, {7, 24}, {8, 24}, {9, 32}, {17, 40}};
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.plain);
        const std::string package = Package(Plain(c.plain));
        ASSERT_EQ(package.size(), c.file);
        EXPECT_EQ(package.substr(0, 8), std::string("\x01vksVKMC", 8));
        const std::string length(1, static_cast<char>(c.plain));
        EXPECT_EQ(package.substr(package.size() - 8), length + std::string(3, '\0') + "VKMC");
    }
}

TEST(BlowFishStream, LastBlockIsZeroPaddedBeforeEnciphering)
{
    const std::string package = Package("Z");
    CBlowFish fish;
    KeyCipher(fish, kKey);
    unsigned char block[8];
    fish.Decrypt(block, package.data() + 8, 8);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block), 8), std::string("Z") + std::string(7, '\0'));
}

TEST(BlowFishStream, SameBlockAtAlignedPlacesGivesSameCipherText)
{
    const std::string plain = "ABCDEFGH12345678ABCDEFGH";
    const std::string package = Package(plain);
    EXPECT_EQ(package.substr(8, 8), package.substr(24, 8));
    EXPECT_NE(package.substr(8, 8), package.substr(16, 8));
}

TEST(BlowFishStream, ReadsBackWhatWasWrittenWhateverThePieces)
{
    const std::string plain = Plain(1000);
    for (const std::vector<size_t>& pieces : {std::vector<size_t>{1}, {3, 5, 13}, {7}, {8}, {9}, {4096}})
    {
        Reader reader(Package(plain, pieces));
        ASSERT_TRUE(reader.stream.IsValid());
        EXPECT_EQ(reader.stream.GetLength(), 1000);
        EXPECT_EQ(reader.Read(2000), plain) << "pieces of " << pieces[0];
    }
}

TEST(BlowFishStream, ShortReadsDeliverTheSameBytesAsOneRead)
{
    const std::string plain = Plain(40);
    Reader pieces(Package(plain));
    std::string joined = pieces.Read(3);
    joined += pieces.Read(3);
    joined += pieces.Read(3);
    Reader whole(Package(plain));
    EXPECT_EQ(joined, whole.Read(9));
    EXPECT_EQ(pieces.stream.TellI(), 9);
    EXPECT_EQ(pieces.Read(31), plain.substr(9));
}

TEST(BlowFishStream, SeeksInPlaintextPositions)
{
    const std::string plain = Plain(100);
    Reader reader(Package(plain));
    EXPECT_EQ(reader.stream.SeekI(-22, wxFromEnd), 78);
    EXPECT_EQ(reader.Read(5), plain.substr(78, 5));
    EXPECT_EQ(reader.stream.SeekI(-10, wxFromCurrent), 73);
    EXPECT_EQ(reader.Read(4), plain.substr(73, 4));
    EXPECT_EQ(reader.stream.SeekI(13, wxFromStart), 13);
    EXPECT_EQ(reader.stream.TellI(), 13);
    EXPECT_EQ(reader.Read(3), plain.substr(13, 3));
    EXPECT_EQ(reader.stream.SeekI(-1, wxFromStart), wxInvalidOffset);
    EXPECT_EQ(reader.stream.SeekI(std::numeric_limits<wxFileOffset>::max(), wxFromCurrent), wxInvalidOffset);
    EXPECT_EQ(reader.stream.SeekI(std::numeric_limits<wxFileOffset>::max() - 50, wxFromEnd), wxInvalidOffset);
    EXPECT_EQ(reader.stream.TellI(), 16);
    EXPECT_EQ(reader.Read(2), plain.substr(16, 2));
}

// The zero padding and the trailer are not plaintext: reads end at the recorded length.
TEST(BlowFishStream, ReadsStopAtThePlaintextLength)
{
    const std::string plain = Plain(11);
    Reader reader(Package(plain));
    reader.stream.SeekI(9);
    EXPECT_EQ(reader.Read(100), plain.substr(9));
    EXPECT_TRUE(reader.stream.Eof());
    EXPECT_EQ(reader.Read(1), "");
}

TEST(BlowFishStream, PeekShowsTheNextPlaintextByte)
{
    Reader reader(Package("hello"));
    reader.stream.SeekI(1);
    EXPECT_EQ(reader.stream.Peek(), 'e');
    EXPECT_EQ(reader.Read(4), "ello");
}

TEST(BlowFishStream, DamagedFramesAreRefused)
{
    const std::string good = Package(Plain(20));
    const struct
    {
        const char* what;
        std::string bytes;
        PackageFault fault;
    } cases[] = {
        {"version", std::string("\x02") + good.substr(1), PackageFault::Version},
        {"tag", good.substr(0, 1) + "pst" + good.substr(4), PackageFault::Tag},
        {"header magic", good.substr(0, 4) + "VKMX" + good.substr(8), PackageFault::Magic},
        {"trailer magic", good.substr(0, good.size() - 1) + "X", PackageFault::Trailer},
        {"cut inside a block", good.substr(0, 13) + good.substr(good.size() - 8), PackageFault::Length},
        {"a block cut off", good.substr(0, 16) + good.substr(good.size() - 8), PackageFault::Length},
        {"length too large", good.substr(0, good.size() - 8) + std::string("\x19\0\0\0VKMC", 8), PackageFault::Length},
        {"length too small", good.substr(0, good.size() - 8) + std::string("\x10\0\0\0VKMC", 8), PackageFault::Length},
        {"header only", good.substr(0, 8), PackageFault::Short},
        {"empty", std::string(), PackageFault::Short},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Reader reader(c.bytes);
        EXPECT_FALSE(reader.stream.IsValid());
        EXPECT_EQ(reader.stream.GetFault(), c.fault);
        EXPECT_FALSE(reader.stream.GetFaultText().empty());
        EXPECT_EQ(reader.Read(8), "");
        EXPECT_EQ(reader.stream.SeekI(0), wxInvalidOffset);
    }
}

TEST(BlowFishStream, TagIsTruncatedAndPaddedToThreeBytes)
{
    EXPECT_EQ(Package("", {1}, "abcdef").substr(1, 3), "abc");
    EXPECT_EQ(Package("", {1}, "z").substr(1, 3), std::string("z\0\0", 3));
    Reader reader(Package("x", {1}, "z"), kKey, "z");
    EXPECT_TRUE(reader.stream.IsValid());
}

TEST(BlowFishStream, AnotherKeyReadsWellFramedGarbage)
{
    const std::string plain = Plain(16);
    Reader reader(Package(plain), "another key");
    ASSERT_TRUE(reader.stream.IsValid());
    EXPECT_NE(reader.Read(16), plain);
}

TEST(BlowFishStream, WritesAfterCloseAreRefused)
{
    wxMemoryOutputStream memory;
    wxBlowFishOutputStream out(memory, kKey, "vks");
    out.Write("abc", 3);
    EXPECT_TRUE(out.Close());
    EXPECT_TRUE(out.Close());
    EXPECT_EQ(out.Write("d", 1).LastWrite(), 0u);
    EXPECT_EQ(memory.GetLength(), 24);
}

// Large plaintexts go through several windows deciphered ahead on the helper: whatever the pattern of seeks and
// reads (in order in small and large pieces, scattered, stepping back, with right and wrong run hints), the
// bytes are the plaintext's.
TEST(BlowFishStream, ReadsThroughTheWindowsGiveThePlaintextWhateverThePattern)
{
    const size_t length = 3 * CDecipherWindow::kMaxWindow + 12345;
    const std::string plain = Plain(length);
    const std::string package = Package(plain);
    std::vector<Step> stepBack;
    for (size_t at = 0; at + 40000 < length; at += 70000)
        stepBack.insert(stepBack.end(),
                        {{static_cast<long long>(at + 30000), 16384}, {static_cast<long long>(at), 40000}});
    const struct
    {
        const char* what;
        std::vector<Step> steps;
        long long runStart;
        long long runEnd;
    } cases[] = {
        {"in order, 1 byte at a time", InOrder(200000, 1), 0, 0},
        {"in order, 7 bytes", InOrder(length, 7), 0, 0},
        {"in order, 16 KiB", InOrder(length, 16384), 0, 0},
        {"in order, 300000 bytes", InOrder(length, 300000), 0, 0},
        {"one read of everything", {{0, length}}, 0, 0},
        {"scattered", Scattered(length, 1), 0, 0},
        {"scattered again", Scattered(length, 2), 0, 0},
        {"stepping back", stepBack, 0, 0},
        {"in order, inside the run", InOrder(length, 16384), 0, static_cast<long long>(length)},
        {"run ends early", InOrder(length, 16384), 100, 20000},
        {"run elsewhere", Scattered(length, 3), 500000, 600000},
    };
    for (const auto& c : cases)
    {
        SCOPED_TRACE(c.what);
        Reader reader(package);
        reader.stream.ExpectRun(c.runStart, c.runEnd);
        size_t position = 0;
        for (const Step& step : c.steps)
        {
            if (step.at >= 0)
            {
                ASSERT_EQ(reader.stream.SeekI(step.at), step.at);
                position = static_cast<size_t>(step.at);
            }
            const std::string expected = plain.substr(std::min(position, length), step.size);
            ASSERT_EQ(reader.Read(step.size), expected) << "at " << position;
            position += expected.size();
        }
    }
}

// A parent that fails in the middle (in the first window, in one being read ahead, in the last) fails the reads
// that need its bytes, every time they are tried, while the bytes before it stay readable; nothing hangs.
TEST(BlowFishStream, AFailingParentFailsTheReadsThatNeedItsBytes)
{
    const size_t length = 2 * CDecipherWindow::kMaxWindow;
    const std::string plain = Plain(length);
    const std::string package = Package(plain);
    for (size_t failAt : {size_t(5000), size_t(100000), length - 5000})
    {
        SCOPED_TRACE(failAt);
        FailingInput parent(package, failAt);
        wxBlowFishInputStream stream(parent, kKey, "vks");
        ASSERT_TRUE(stream.IsValid());
        std::string bytes(length, '\0');
        size_t got = 0;
        while (got < length)
        {
            const size_t count = stream.Read(bytes.data() + got, 16384).LastRead();
            if (count == 0)
                break;
            got += count;
        }
        EXPECT_LT(got, failAt);
        EXPECT_EQ(bytes.substr(0, got), plain.substr(0, got));
        EXPECT_EQ(stream.GetLastError(), wxSTREAM_READ_ERROR);
        stream.Reset();
        EXPECT_EQ(stream.Read(bytes.data(), 16384).LastRead(), 0u);
        ASSERT_EQ(stream.SeekI(0), 0);
        EXPECT_EQ(stream.Read(bytes.data(), 100).LastRead(), 100u);
        EXPECT_EQ(bytes.substr(0, 100), plain.substr(0, 100));
    }
}

// A stream may go while the helper is still deciphering ahead for it (the sanitizers show a helper that writes
// into its buffers or reads its cipher afterwards).
TEST(BlowFishStream, AStreamGoesWhileTheHelperWorksAhead)
{
    const std::string plain = Plain(4 * CDecipherWindow::kMaxWindow);
    const std::string package = Package(plain);
    for (size_t read : {size_t(1), size_t(20000), size_t(300000)})
    {
        for (int round = 0; round < 10; ++round)
        {
            auto reader = std::make_unique<Reader>(package);
            reader->stream.ExpectRun(0, static_cast<wxFileOffset>(plain.size()));
            EXPECT_EQ(reader->Read(read), plain.substr(0, read));
            reader.reset();
        }
    }
}
