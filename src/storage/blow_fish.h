#pragma once
// CBlowFish: the 16-round Blowfish block cipher used by the package streams, in ECB mode.
//
// A block is 8 bytes taken as two 32-bit halves stored little-endian (left half in bytes 0..3, right half in
// bytes 4..7), which is how packages lay them out. A new cipher is keyed with a default phrase; the package
// streams key it again with their own key. One cipher is used by one thread at a time.
#include <cstddef>
#include <cstdint>

class CBlowFish
{
public:
    // Blocks enciphered side by side by the bulk calls (three keep the load units busy without running out of
    // registers; measured against two and four).
    static constexpr size_t kGroup = 3;

    CBlowFish();

    // Resets the P-array and S-boxes to their initial values and runs the key schedule. An empty key leaves
    // the initial state mixed by the schedule alone.
    void SetKey(const unsigned char* key, size_t length);

    void EncryptBlock(uint32_t& left, uint32_t& right) const;
    void DecryptBlock(uint32_t& left, uint32_t& right) const;

    // En- or deciphers the size / 8 whole blocks of source into destination; both may be the same buffer.
    void Encrypt(void* destination, const void* source, size_t size) const;
    void Decrypt(void* destination, const void* source, size_t size) const;

private:
    uint32_t F(uint32_t x) const
    {
        return ((m_s[0][x >> 24] + m_s[1][(x >> 16) & 0xFF]) ^ m_s[2][(x >> 8) & 0xFF]) + m_s[3][x & 0xFF];
    }
    void EncryptGroup(uint32_t* words) const;
    void DecryptGroup(uint32_t* words) const;

    uint32_t m_p[18];
    uint32_t m_s[4][256];
};
