#include "analyze/analyze.h"

#include "app/global.h"
#include "app/main1.h"
#include "platform/clock.h"
#include "platform/drives.h"
#include "platform/files.h"
#include "analyze/timed_frame.h"
#include "analyze/units.h"

#include <exception>
#include <new>

namespace analyze {

double CpuTerm(std::int32_t count) { return count / 5.0; }
std::int32_t CpuIndex(double sum) { return kv::RoundToIndex(sum / 3); }

double CalcTerm(std::int32_t count) { return count / 5.0; }
std::int32_t CalcIndex(double sum) { return kv::RoundToIndex(sum / 3 / 2.9 * 10 * 3.35); }

double MemTerm(std::int32_t count) { return count; }
std::int32_t MemIndex(double sum) { return kv::RoundToIndex(sum / 3 * 30 * 7.8); }

double HddTerm(std::int32_t count) { return count; }
// The sum is a whole number of units; its integer sixth, truncated, is what
// gets scaled, and only the product is rounded (50 x 8.17 = 408.5 -> 408).
std::int32_t HddIndex(double sum)
{
    const auto whole = static_cast<std::int64_t>(sum);
    return kv::RoundToIndex(static_cast<double>(whole / 6) * 8.17);
}

namespace {

// The real test inlines its unit; tests of the failure road pass their own.
template <class Unit>
std::int32_t MemTest(Unit unit)
{
    kv::TestPrologue(kv::PrologueSleep::No);
    kv::units::MemString held;   // the last string stays here until the test returns
    try {
        const double sum = kv::TimedPasses<kv::GetTickCount>(
            3, 1000, [&] { unit(held); }, MemTerm);
        return MemIndex(sum);
    } catch (const std::bad_alloc&) {
        return 0;
    }
}


} // namespace

std::int32_t RunMemTest(void (*unit)(kv::units::MemString& held)) { return MemTest(unit); }

std::int32_t RunHddPasses(const std::string& nativeScratchPath)
{
    kv::ScratchFile scratch(nativeScratchPath);
    if (!scratch.Begin())
        return 0;   // not a file the test may write: left untouched
    const std::string block(kv::units::kHddBlock, ' ');
    kv::units::HddScratch unit{scratch.Path(), block.data(), 0};
    double sum = 0.0;
    try {
        for (int pass = 1; pass <= 6; ++pass) {
            // Outside the timed loop: the file is still ours, and the room
            // left before the drive's reserve.
            unit.blocksLeft = scratch.BlocksBeforeReserve(kv::units::kHddBlock);
            sum += HddTerm(kv::TimedPass<kv::GetTickCount>(500, [&] { kv::units::HddUnit(unit); }));
        }
    } catch (const std::exception&) {
        scratch.RemoveIfTouched();
        return 0;
    }
    const std::int32_t index = HddIndex(sum);
    return scratch.Remove() ? index : 0;
}

} // namespace analyze

std::int32_t AnalyzeCpu()
{
    kv::TestPrologue();
    double acc = 0.0;   // never reset, never read
    const double sum = kv::TimedPasses<kv::GetTickCount>(
        3, 500, [&] { kv::units::CpuUnit(acc); }, analyze::CpuTerm);
    return analyze::CpuIndex(sum);
}

std::int32_t AnalyzeCalc()
{
    kv::TestPrologue();
    const double sum = kv::TimedPasses<kv::GetTickCount>(
        3, 500, [] { kv::units::CalcUnit(); }, analyze::CalcTerm);
    return analyze::CalcIndex(sum);
}

std::int32_t AnalyzeMem()
{
    return analyze::MemTest([](kv::units::MemString& held) { kv::units::MemUnit(held); });
}

std::int32_t AnalyzeHdd()
{
    kv::TestPrologue();
    // The drive is taken anew at every test, whether or not the list changed.
    global::TestDrive = CurrentDriveOfMainList().substr(0, 2);
    const std::string& drive = global::TestDrive;
    if (drive.size() != 2 || drive[1] != ':')
        return 0;   // without a drive letter the path would name the filesystem root
    std::string nativePath;
    try {
        nativePath = kv::NativePath(global::TestDrive + "\\kv_test1.txt");
    } catch (const std::exception&) {
        // No such drive, or one whose filesystem has gone (unmounted, pulled
        // out): never the bare folder it leaves behind on another disk.
        return 0;
    }
    return analyze::RunHddPasses(nativePath);
}
