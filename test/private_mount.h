#pragma once
// Filesystems of a test's own. The first use moves the test process into a
// private copy of the mount table, so nothing mounted here is seen outside
// it, and a test that dies leaves no mount behind. Root only.
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

// Why this process cannot mount for itself, or "" when it can.
inline const std::string& PrivateMountsUnavailable()
{
    static const std::string reason = []() -> std::string {
        if (geteuid() != 0) return "mounting needs root";
        if (::unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + std::strerror(errno);
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return std::string("private mounts: ") + std::strerror(errno);
        return {};
    }();
    return reason;
}

// A mount for the length of a scope: `type` with `options` on `at`, made if missing.
struct PrivateMount {
    std::filesystem::path at;
    bool mounted = false;
    PrivateMount(std::filesystem::path where, const char* type, const std::string& options) : at(std::move(where))
    {
        std::filesystem::create_directories(at);
        mounted = PrivateMountsUnavailable().empty() && ::mount("kvtest", at.c_str(), type, 0, options.c_str()) == 0;
    }
    void Unmount() { mounted = mounted && ::umount2(at.c_str(), MNT_DETACH) != 0; }
    ~PrivateMount() { Unmount(); }
    PrivateMount(const PrivateMount&) = delete;
    PrivateMount& operator=(const PrivateMount&) = delete;
};
