#include "storage/blow_fish.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace
{
std::vector<unsigned char> Hex(const std::string& text)
{
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i + 1 < text.size(); i += 2)
        bytes.push_back(static_cast<unsigned char>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
}

uint32_t BigEndian(const std::vector<unsigned char>& bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

struct Vector
{
    std::string key;  // hex, or text when it starts with '"'
    std::string plain;
    std::string cipher;
};

std::vector<unsigned char> KeyBytes(const std::string& key)
{
    if (!key.empty() && key[0] == '"')
        return std::vector<unsigned char>(key.begin() + 1, key.end());
    return Hex(key);
}

// Published Blowfish vectors; their halves are big-endian words.
const Vector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"3000000000000000", "1000000000000001", "7D856F9A613063F2"},
    {"1111111111111111", "1111111111111111", "2466DD878B963C9D"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"7CA110454A1A6E57", "01A1D6D039776742", "59C68245EB05282B"},
    {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
    {"F0E1", "FEDCBA9876543210", "E91D21C1D961A6D6"},
    {"\"abcdefghijklmnopqrstuvwxyz", "424C4F5746495348", "324ED0FEF413A203"},
    {"\"Who is John Galt?", "FEDCBA9876543210", "CC91732B8022F684"},
};
}  // namespace

TEST(BlowFish, BlocksMatchThePublishedVectors)
{
    for (const Vector& vector : kVectors)
    {
        SCOPED_TRACE(vector.key);
        const std::vector<unsigned char> key = KeyBytes(vector.key);
        const std::vector<unsigned char> plain = Hex(vector.plain);
        const std::vector<unsigned char> cipher = Hex(vector.cipher);
        CBlowFish fish;
        fish.SetKey(key.data(), key.size());
        uint32_t left = BigEndian(plain, 0), right = BigEndian(plain, 4);
        fish.EncryptBlock(left, right);
        EXPECT_EQ(left, BigEndian(cipher, 0));
        EXPECT_EQ(right, BigEndian(cipher, 4));
        fish.DecryptBlock(left, right);
        EXPECT_EQ(left, BigEndian(plain, 0));
        EXPECT_EQ(right, BigEndian(plain, 4));
    }
}

// The package format stores each half little-endian: the published bytes appear reversed per half.
TEST(BlowFish, BufferFormStoresHalvesLittleEndian)
{
    for (const Vector& vector : kVectors)
    {
        SCOPED_TRACE(vector.key);
        const std::vector<unsigned char> key = KeyBytes(vector.key);
        std::vector<unsigned char> plain = Hex(vector.plain);
        std::vector<unsigned char> cipher = Hex(vector.cipher);
        for (auto* bytes : {&plain, &cipher})
        {
            std::reverse(bytes->begin(), bytes->begin() + 4);
            std::reverse(bytes->begin() + 4, bytes->end());
        }
        CBlowFish fish;
        fish.SetKey(key.data(), key.size());
        std::vector<unsigned char> out(8);
        fish.Encrypt(out.data(), plain.data(), 8);
        EXPECT_EQ(out, cipher);
        fish.Decrypt(out.data(), out.data(), 8);
        EXPECT_EQ(out, plain);
    }
}

// The bulk calls work on groups of blocks side by side and on the blocks left over one at a time; every block
// must come out as if enciphered alone, wherever the buffers lie (here one byte off alignment) and whether the
// call works in place or not.
TEST(BlowFish, BulkCallsMatchSingleBlocksAndRoundTrip)
{
    const unsigned char key[] = "Kp4Xw:9Lm2Rq-Tz7Nb!3Vc8Jh5Sd0";
    CBlowFish fish;
    fish.SetKey(key, sizeof(key) - 1);
    const size_t group = CBlowFish::kGroup;
    for (size_t blocks : {size_t(1), group - 1, group, 2 * group + 1, 5 * group + 3})
    {
        SCOPED_TRACE(blocks);
        std::vector<unsigned char> storage(blocks * 8 + 1);
        unsigned char* plain = storage.data() + 1;
        for (size_t i = 0; i < blocks * 8; ++i)
            plain[i] = static_cast<unsigned char>(i * 37 + 11);
        std::vector<unsigned char> bulkStorage(blocks * 8 + 1);
        unsigned char* bulk = bulkStorage.data() + 1;
        fish.Encrypt(bulk, plain, blocks * 8);
        for (size_t block = 0; block < blocks; ++block)
        {
            unsigned char one[8];
            fish.Encrypt(one, plain + block * 8, 8);
            EXPECT_EQ(0, std::memcmp(one, bulk + block * 8, 8)) << "block " << block;
        }
        fish.Decrypt(bulk, bulk, blocks * 8);
        EXPECT_EQ(0, std::memcmp(bulk, plain, blocks * 8));
    }
}
