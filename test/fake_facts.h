#pragma once
// Given system facts: every routine reads these instead of the machine's
// while the object lives.
#include "platform/system_facts.h"

#include <string>
#include <vector>

struct FakeFacts : kv::SystemFacts {
    kv::ProcessorRecord processor;
    kv::OsVersionRecord os;
    struct Drive {
        std::string root;
        int type = kv::DriveFixed;
        bool ready = true;
        kv::DiskSpace space;
    };
    std::vector<Drive> drives;
    kv::MemoryRecord memory;
    kv::ScreenSize screen{1024, 768};

    FakeFacts() { kv::SetSystemFactsForTest(this); }
    ~FakeFacts() override { kv::SetSystemFactsForTest(nullptr); }
    FakeFacts(const FakeFacts&) = delete;
    FakeFacts& operator=(const FakeFacts&) = delete;

    // A drive of `mb` MB with `freeMb` free, in 512-byte sectors, 8 to a cluster.
    static Drive Sized(std::string root, int type, double mb, double freeMb)
    {
        const double cluster = 4096;
        return {std::move(root), type, true,
                {8, 512, static_cast<std::uint64_t>(freeMb * 1048576 / cluster),
                 static_cast<std::uint64_t>(mb * 1048576 / cluster)}};
    }

    kv::ProcessorRecord Processor() override { return processor; }
    kv::OsVersionRecord OsVersion() override { return os; }
    std::vector<std::string> DriveRoots() override
    {
        std::vector<std::string> roots;
        for (const Drive& d : drives) roots.push_back(d.root);
        return roots;
    }
    const Drive* Find(const std::string& root) const
    {
        for (const Drive& d : drives)
            if (d.root == root) return &d;
        return nullptr;
    }
    int DriveType(const std::string& root) override { return Find(root) ? Find(root)->type : kv::DriveNoRoot; }
    bool DiskFreeSpace(const std::string& root, kv::DiskSpace& space) override
    {
        const Drive* d = Find(root);
        if (!d || !d->ready) return false;
        space = d->space;
        return true;
    }
    kv::MemoryRecord Memory() override { return memory; }
    kv::ScreenSize Screen() override { return screen; }
};
