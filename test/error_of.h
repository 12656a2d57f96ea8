#pragma once
// The run-time error number f raises, or -1 when it raises none.
#include "platform/errors.h"

template <class F>
int ErrorOf(F f)
{
    try { f(); } catch (const kv::RuntimeError& e) { return e.Number(); }
    return -1;
}
