#include "storage/blow_fish.h"

#include <cstring>

#include "storage/blow_fish_tables.h"

namespace
{
// "quartz bridge" and its terminating zero: the key of a cipher nobody has keyed yet.
const unsigned char kDefaultPhrase[] = "quartz bridge";
const size_t kDefaultPhraseLength = sizeof(kDefaultPhrase);  // 14, the zero included

inline uint32_t LoadLittle(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline void StoreLittle(unsigned char* bytes, uint32_t word)
{
    bytes[0] = static_cast<unsigned char>(word);
    bytes[1] = static_cast<unsigned char>(word >> 8);
    bytes[2] = static_cast<unsigned char>(word >> 16);
    bytes[3] = static_cast<unsigned char>(word >> 24);
}

// Runs `group` on kGroup blocks at a time (independent blocks keep the processor busy while the S-box loads of
// the others are in flight) and `single` on the blocks left over.
template <typename GroupCipher, typename BlockCipher>
void RunBlocks(unsigned char* out, const unsigned char* in, size_t count, GroupCipher group, BlockCipher single)
{
    const size_t kGroup = CBlowFish::kGroup;
    size_t block = 0;
    for (; block + kGroup <= count; block += kGroup)
    {
        uint32_t words[2 * kGroup];
        for (size_t i = 0; i < 2 * kGroup; ++i)
            words[i] = LoadLittle(in + block * 8 + i * 4);
        group(words);
        for (size_t i = 0; i < 2 * kGroup; ++i)
            StoreLittle(out + block * 8 + i * 4, words[i]);
    }
    for (; block < count; ++block)
    {
        uint32_t left = LoadLittle(in + block * 8);
        uint32_t right = LoadLittle(in + block * 8 + 4);
        single(left, right);
        StoreLittle(out + block * 8, left);
        StoreLittle(out + block * 8 + 4, right);
    }
}
}  // namespace

CBlowFish::CBlowFish()
{
    SetKey(kDefaultPhrase, kDefaultPhraseLength);
}

void CBlowFish::SetKey(const unsigned char* key, size_t length)
{
    std::memcpy(m_p, kBlowFishInitP, sizeof(m_p));
    std::memcpy(m_s, kBlowFishInitS, sizeof(m_s));
    if (length > 0)
    {
        size_t j = 0;
        for (uint32_t& p : m_p)
        {
            uint32_t word = 0;
            for (int k = 0; k < 4; ++k)
            {
                word = word << 8 | key[j];
                j = (j + 1) % length;
            }
            p ^= word;
        }
    }
    uint32_t left = 0;
    uint32_t right = 0;
    for (int i = 0; i < 18; i += 2)
    {
        EncryptBlock(left, right);
        m_p[i] = left;
        m_p[i + 1] = right;
    }
    for (auto& box : m_s)
    {
        for (int i = 0; i < 256; i += 2)
        {
            EncryptBlock(left, right);
            box[i] = left;
            box[i + 1] = right;
        }
    }
}

void CBlowFish::EncryptBlock(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 0; i < 16; i += 2)
    {
        l ^= m_p[i];
        r ^= F(l);
        r ^= m_p[i + 1];
        l ^= F(r);
    }
    l ^= m_p[16];
    r ^= m_p[17];
    left = r;
    right = l;
}

void CBlowFish::DecryptBlock(uint32_t& left, uint32_t& right) const
{
    uint32_t l = left;
    uint32_t r = right;
    for (int i = 17; i > 1; i -= 2)
    {
        l ^= m_p[i];
        r ^= F(l);
        r ^= m_p[i - 1];
        l ^= F(r);
    }
    l ^= m_p[1];
    r ^= m_p[0];
    left = r;
    right = l;
}

void CBlowFish::EncryptGroup(uint32_t* w) const
{
    uint32_t l[kGroup], r[kGroup];
    for (size_t b = 0; b < kGroup; ++b)
    {
        l[b] = w[2 * b];
        r[b] = w[2 * b + 1];
    }
    for (int i = 0; i < 16; i += 2)
    {
        for (size_t b = 0; b < kGroup; ++b)
        {
            l[b] ^= m_p[i];
            r[b] ^= F(l[b]) ^ m_p[i + 1];
            l[b] ^= F(r[b]);
        }
    }
    for (size_t b = 0; b < kGroup; ++b)
    {
        w[2 * b] = r[b] ^ m_p[17];
        w[2 * b + 1] = l[b] ^ m_p[16];
    }
}

void CBlowFish::DecryptGroup(uint32_t* w) const
{
    uint32_t l[kGroup], r[kGroup];
    for (size_t b = 0; b < kGroup; ++b)
    {
        l[b] = w[2 * b];
        r[b] = w[2 * b + 1];
    }
    for (int i = 17; i > 1; i -= 2)
    {
        for (size_t b = 0; b < kGroup; ++b)
        {
            l[b] ^= m_p[i];
            r[b] ^= F(l[b]) ^ m_p[i - 1];
            l[b] ^= F(r[b]);
        }
    }
    for (size_t b = 0; b < kGroup; ++b)
    {
        w[2 * b] = r[b] ^ m_p[0];
        w[2 * b + 1] = l[b] ^ m_p[1];
    }
}

void CBlowFish::Encrypt(void* destination, const void* source, size_t size) const
{
    RunBlocks(
        static_cast<unsigned char*>(destination), static_cast<const unsigned char*>(source), size / 8,
        [this](uint32_t* words) { EncryptGroup(words); },
        [this](uint32_t& left, uint32_t& right) { EncryptBlock(left, right); });
}

void CBlowFish::Decrypt(void* destination, const void* source, size_t size) const
{
    RunBlocks(
        static_cast<unsigned char*>(destination), static_cast<const unsigned char*>(source), size / 8,
        [this](uint32_t* words) { DecryptGroup(words); },
        [this](uint32_t& left, uint32_t& right) { DecryptBlock(left, right); });
}
