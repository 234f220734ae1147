#pragma once
// Whether the processor has the 256-bit integer and float instructions (AVX2) that the wide variants of the pixel
// loops are built for. Those variants exist only where the compiler can target them.
#if defined(__GNUC__) && (defined(__x86_64__) || defined(__i386__))
#define ORV_WIDE_REGISTERS 1

inline bool HasWideRegisters()
{
    static const bool wide = __builtin_cpu_supports("avx2");
    return wide;
}
#endif
