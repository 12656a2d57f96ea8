#pragma once
// Programs this one starts: started without a shell, each argument passed as
// it is, and always reaped, so none is left behind as a zombie.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kv {

class ChildProcess {
public:
    // Starts the program at the native path `program`; it sees that path as
    // its argv[0] and `args` after it. Throws RuntimeError when it cannot be
    // started (missing, not executable, no resources).
    ChildProcess(const std::string& program, const std::vector<std::string>& args);
    // A program still running is ended (SIGKILL) and reaped.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Has it ended? Reaps it when it has.
    bool Ended();
    int Pid() const { return pid_; }

private:
    int pid_ = -1;
    bool reaped_ = false;
};

enum class WaitOutcome { Arrived, ProgramEnded, TimedOut };

// Waits for something the child delivers: tests `arrived` first, then sleeps
// `pollMs` (kv::Sleep: no window events are handled) before each new test,
// until it holds, the child has ended without delivering, or `limitMs` have
// passed on kv::GetTickCount.
WaitOutcome WaitForDelivery(ChildProcess& child, const std::function<bool()>& arrived,
                            std::uint32_t pollMs, std::uint32_t limitMs);

} // namespace kv
