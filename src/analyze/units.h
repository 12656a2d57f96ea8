#pragma once
// The units of work of the CPU, CALC, Mem and HDD tests. The tests and the
// bench call these same inline functions, so what the bench measures is what
// the tests count.
//
// The empty asm statements cost nothing at run time; they only stop the
// optimiser from folding, hoisting or dropping work whose result nobody reads.
#include "platform/errors.h"
#include "platform/files.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kv::units {

// CPU: 200 additions of 1.0 to the accumulator, the loop variable a double.
// The barrier per step keeps the accumulator in a register as one dependency
// chain of 200 real additions (a volatile variable would go through memory).
inline void CpuUnit(double& acc)
{
    double a = acc;
    for (double i = 1.0; i <= 200.0; i += 1.0) {
        a += 1.0;
        asm volatile("" : "+x"(a));
    }
    acc = a;
}

// CALC: 100 steps of tan, sin, cos, two logarithms and their quotient.
// The operands pass through a barrier every step, so the calls happen at run
// time and are not folded to constants or hoisted out of the loop; a second
// barrier keeps every result alive.
inline void CalcUnit()
{
    for (double i = 1.0; i <= 100.0; i += 1.0) {
        double a = 52635.0, b = 15263.0, c = 632.0, d = 31.0, e = 12345678.0;
        asm volatile("" : "+x"(a), "+x"(b), "+x"(c), "+x"(d), "+x"(e));
        const double rt = std::tan(a);
        const double rs = std::sin(b);
        const double rc = std::cos(c);
        const double l31 = std::log(d);
        const double lbig = std::log(e);
        const double q = lbig / l31;
        asm volatile("" : : "x"(rt), "x"(rs), "x"(rc), "x"(l31), "x"(lbig), "x"(q));
    }
}

// Mem: a new string of 1048576 blanks replaces the one the test holds, which
// is freed.
inline constexpr std::size_t kMemChars = 1048576;

// A 16-bit string whose fill is unrolled. The standard traits fill 16-bit
// characters with a one-store loop, and the speed of that loop swings by up
// to 40 % with where the code happens to land; four stores per turn run at
// the machine's store speed wherever they land.
struct BlankFillTraits : std::char_traits<char16_t> {
    using std::char_traits<char16_t>::assign;
    static char16_t* assign(char16_t* s, std::size_t n, char16_t c)
    {
#pragma GCC unroll 4
        for (std::size_t i = 0; i < n; ++i)
            s[i] = c;
        return s;
    }
};
using MemString = std::basic_string<char16_t, BlankFillTraits>;

inline void MemUnit(MemString& held)
{
    held = MemString(kMemChars, u' ');
}

// HDD: 1024 blanks appended to the scratch file (open, write, close). The
// drive's free space is asked once per pass, not per unit: each unit only
// counts down the blocks that still fit before the drive's reserve, and the
// one that would cross it fails as on a full disk.
inline constexpr std::size_t kHddBlock = 1024;

struct HddScratch {
    const char* nativePath;
    const char* block;
    std::int64_t blocksLeft;
};

inline void HddUnit(HddScratch& s)
{
    if (--s.blocksLeft < 0) [[unlikely]]
        throw kv::RuntimeError(kv::ErrDiskFull, "the drive's reserve is reached");
    kv::AppendBlock(s.nativePath, s.block, kHddBlock);
}

} // namespace kv::units
