#pragma once
// CBlowFish: the 16-round Blowfish block cipher used by the package streams, in ECB mode.
//
// A block is 8 bytes taken as two 32-bit halves stored little-endian (left half in bytes 0..3, right half in
// bytes 4..7), which is how packages lay them out. A new cipher is keyed with a default phrase; the package
// streams key it again with their own key.
//
// Thread contract: SetKey on one thread while nobody else uses the cipher; the const operations from any number
// of threads at once (they only read the tables).
#include <cstddef>
#include <cstdint>
#include <utility>

class CBlowFish
{
public:
    // Blocks enciphered side by side by the bulk calls. Each block is a chain of 16 dependent S-box lookups;
    // six independent chains keep the load units busy without spilling much out of the registers (measured
    // against three, four, five and eight).
    static constexpr size_t kGroup = 6;

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
    template <bool Decipher, size_t... Block>
    void Rounds(uint32_t* left, uint32_t* right) const;
    template <bool Decipher, size_t... Block>
    void RunGroup(unsigned char* out, const unsigned char* in, std::index_sequence<Block...>) const;
    template <bool Decipher>
    void Run(unsigned char* out, const unsigned char* in, size_t size) const;

    // The P-array first, then the S-boxes, all on one run of cache lines.
    alignas(64) uint32_t m_p[18];
    uint32_t m_s[4][256];
};
