#pragma once
// Signals that end the program: SIGTERM (logout, kill), SIGINT (Ctrl+C) and
// SIGHUP (the terminal went away).
namespace kv {

// From now on such a signal first removes the HDD test's scratch file, if a
// test is writing one, and the temporary of a save under way, and then ends
// the program as the signal asked, by its default action. A signal that was
// ignored when the program started (as nohup does) stays ignored.
void InstallEndSignalCleanup();

} // namespace kv
