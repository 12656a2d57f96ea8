#pragma once
// The clock estimate's timed loop. The estimate and the bench call this same
// function, so what the bench measures is what the estimate times.

namespace sysinfo_detail {

// A million additions of 1.0 to the accumulator, with a floating loop
// variable stepped by 1.0 and tested against its floating bound. The empty
// asm costs nothing at run time; it keeps the accumulator one chain of real
// additions, so the loop is neither folded nor vectorised away. Standing
// before the addition, it leaves the instructions in a plain loop's order.
// Kept out of line: inlined, the accumulator would share a register with the
// caller's variable, which must survive calls, and bounce through a general
// register on every step.
[[gnu::noinline]] inline void ClockLoop(double& acc)
{
    double a = acc;
    for (double i = 1.0; i <= 1000000.0; i += 1.0) {
        asm volatile("" : "+x"(a));
        a += 1.0;
    }
    acc = a;
}

} // namespace sysinfo_detail
