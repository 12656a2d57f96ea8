#pragma once
// The message pump: handles every pending window event once, then returns.
// It may be called from inside a handler (re-entrantly).
namespace kv {
void DoEvents();
// The same, but when nothing is pending it sleeps until something arrives:
// for loops that wait on the user without burning the processor.
void WaitEvents();
}
