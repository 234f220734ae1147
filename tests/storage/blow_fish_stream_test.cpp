#include "storage/blow_fish_stream.h"

#include <gtest/gtest.h>
#include <wx/mstream.h>

#include <string>
#include <vector>

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
