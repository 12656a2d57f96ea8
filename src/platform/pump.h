#pragma once
// The message pump: handles every pending window event once, then returns.
// It may be called from inside a handler (re-entrantly).
namespace kv {
void DoEvents();
}
