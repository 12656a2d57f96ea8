#include "analyze/random.h"

namespace {
kv::RandomSource g_random;
}

float Rnd() { return g_random.Next(); }

void ResetRndForTest() { g_random = kv::RandomSource(); }
