#pragma once
// Module `Analyze`: the six benchmark tests. Each returns its test index, a
// signed 32-bit value, larger for a faster machine; none shows anything.
#include "analyze/units.h"

#include <cstdint>
#include <string>

std::int32_t AnalyzeCpu();
std::int32_t AnalyzeCalc();
std::int32_t AnalyzeMem();
std::int32_t AnalyzeHdd();
// The two tests with a window of their own live beside those windows.
std::int32_t AnalyzeText();
std::int32_t AnalyzeGraph();

// The parts of the tests that can be checked on their own.
namespace analyze {

// Terms of a pass and indices from the pass sum, one pair per test.
double CpuTerm(std::int32_t count);
std::int32_t CpuIndex(double sum);
double CalcTerm(std::int32_t count);
std::int32_t CalcIndex(double sum);
double MemTerm(std::int32_t count);
std::int32_t MemIndex(double sum);
double HddTerm(std::int32_t count);
std::int32_t HddIndex(double sum);

// The Mem test around a given unit, the frame AnalyzeMem runs with the real
// one; a unit that cannot allocate ends the test with 0.
std::int32_t RunMemTest(void (*unit)(kv::units::MemString& held));

// The HDD test's passes and clean-up on a scratch file given as a native
// path: six passes, the index, then the file is deleted. Any failure gives
// 0. Only nothing or a regular file with one name is used at the scratch
// name; anything else gives 0 at once, untouched. No pass writes into the
// drive's reserve (kv::ScratchFile). On failure the scratch file is removed
// only when this test created it or wrote to it.
std::int32_t RunHddPasses(const std::string& nativeScratchPath);

} // namespace analyze
