#pragma once
// Initial P-array and S-boxes of the Blowfish cipher (hexadecimal digits of pi).
#include <cstdint>

extern const uint32_t kBlowFishInitP[18];
extern const uint32_t kBlowFishInitS[4][256];
