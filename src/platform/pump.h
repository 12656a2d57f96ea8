#pragma once
// The message pump: handles every pending window event once, then returns.
// It may be called from inside a handler (re-entrantly).
namespace kv {
void DoEvents();
// The same, but when nothing is pending it sleeps until something arrives:
// for loops that wait on the user without burning the processor.
void WaitEvents();
// Only the pending events that are not the user's input (painting, timers):
// for waits on the system that keep the windows drawn but let nobody act
// meanwhile. Keys and clicks wait for the next DoEvents.
void DoPaintEvents();
}
