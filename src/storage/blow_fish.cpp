#include "storage/blow_fish.h"

#include <cstring>
#include <utility>

#include "storage/blow_fish_tables.h"

namespace
{
// "quartz bridge" and its terminating zero: the key of a cipher nobody has keyed yet.
const unsigned char kDefaultPhrase[] = "quartz bridge";
const size_t kDefaultPhraseLength = sizeof(kDefaultPhrase);  // 14, the zero included

// Halves are stored little-endian. On little-endian hosts (every one this program is built for) they are plain
// loads and stores, which the compiler does not always make of the byte by byte form.
inline uint32_t LoadLittle(const unsigned char* bytes)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
#else
    uint32_t word;
    std::memcpy(&word, bytes, sizeof(word));
    return word;
#endif
}

inline void StoreLittle(unsigned char* bytes, uint32_t word)
{
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    bytes[0] = static_cast<unsigned char>(word);
    bytes[1] = static_cast<unsigned char>(word >> 8);
    bytes[2] = static_cast<unsigned char>(word >> 16);
    bytes[3] = static_cast<unsigned char>(word >> 24);
#else
    std::memcpy(bytes, &word, sizeof(word));
#endif
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

// The sixteen rounds on the blocks (left[b], right[b]) for every b in Block, interleaved round by round: the
// blocks are independent, so the lookups of one fill the time the others wait for theirs. On return the
// halves hold the output block. Inlined into the group loop: called, the halves would go through memory.
template <bool Decipher, size_t... Block>
[[gnu::always_inline]] inline void CBlowFish::Rounds(uint32_t* left, uint32_t* right) const
{
    uint32_t l[] = {left[Block]...};
    uint32_t r[] = {right[Block]...};
    const auto mix = [this](uint32_t x) {
        return ((m_s[0][x >> 24] + m_s[1][(x >> 16) & 0xFF]) ^ m_s[2][(x >> 8) & 0xFF]) + m_s[3][x & 0xFF];
    };
#pragma GCC unroll 8
    for (int round = 0; round < 16; round += 2)
    {
        const uint32_t p0 = m_p[Decipher ? 17 - round : round];
        const uint32_t p1 = m_p[Decipher ? 16 - round : round + 1];
        ((l[Block] ^= p0, r[Block] ^= mix(l[Block]) ^ p1, l[Block] ^= mix(r[Block])), ...);
    }
    const uint32_t lastLeft = m_p[Decipher ? 1 : 16];
    const uint32_t lastRight = m_p[Decipher ? 0 : 17];
    ((left[Block] = r[Block] ^ lastRight, right[Block] = l[Block] ^ lastLeft), ...);
}

template <bool Decipher, size_t... Block>
inline void CBlowFish::RunGroup(unsigned char* out, const unsigned char* in, std::index_sequence<Block...>) const
{
    uint32_t left[] = {LoadLittle(in + 8 * Block)...};
    uint32_t right[] = {LoadLittle(in + 8 * Block + 4)...};
    Rounds<Decipher, Block...>(left, right);
    ((StoreLittle(out + 8 * Block, left[Block]), StoreLittle(out + 8 * Block + 4, right[Block])), ...);
}

template <bool Decipher>
void CBlowFish::Run(unsigned char* out, const unsigned char* in, size_t size) const
{
    const size_t count = size / 8;
    size_t block = 0;
    for (; block + kGroup <= count; block += kGroup)
        RunGroup<Decipher>(out + 8 * block, in + 8 * block, std::make_index_sequence<kGroup>());
    for (; block < count; ++block)
        RunGroup<Decipher>(out + 8 * block, in + 8 * block, std::index_sequence<0>());
}

void CBlowFish::EncryptBlock(uint32_t& left, uint32_t& right) const
{
    Rounds<false, 0>(&left, &right);
}

void CBlowFish::DecryptBlock(uint32_t& left, uint32_t& right) const
{
    Rounds<true, 0>(&left, &right);
}

void CBlowFish::Encrypt(void* destination, const void* source, size_t size) const
{
    Run<false>(static_cast<unsigned char*>(destination), static_cast<const unsigned char*>(source), size);
}

void CBlowFish::Decrypt(void* destination, const void* source, size_t size) const
{
    Run<true>(static_cast<unsigned char*>(destination), static_cast<const unsigned char*>(source), size);
}
