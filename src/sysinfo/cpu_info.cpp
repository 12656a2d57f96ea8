// The processor's description and the clock estimate.
#include "app/conventions.h"
#include "app/global.h"
#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/pump.h"
#include "platform/system_facts.h"
#include "sysinfo/clock_loop.h"
#include "sysinfo/info.h"
#include "sysinfo/info_text.h"

#include <cmath>
#include <exception>

namespace {

// The system record the CPU routine fills first; lines 5 to 10 come from it.
kv::ProcessorRecord SysInfo;

// The classic run-time's floating checks: a result out of range and a zero
// divisor are run-time errors.
double Checked(double v)
{
    if (!std::isfinite(v)) throw kv::RuntimeError(kv::ErrOverflow, "overflow");
    return v;
}

double Divide(double a, double b)
{
    if (b == 0) throw kv::RuntimeError(kv::ErrDivisionByZero, "division by zero");
    return Checked(a / b);
}

// A pointer-wide value in hexadecimal, whole.
std::string AddressHex(std::uintptr_t v) { return conv::HexText(static_cast<std::int64_t>(v)); }

std::string TypeText(std::int32_t type)
{
    switch (type) {
    case 386: return "386";
    case 486: return "486";
    case 586: return "Pentium and later";
    default: return "？？？";
    }
}

std::string LevelLine(std::int32_t level)
{
    switch (level) {
    case 3: return "80386";
    case 4: return "80486";
    case 5: return "Pentium";
    case 6: return "Pentium Pro/Pentium II/\r\n                   Pentium III and later";
    default: return "？？？";
    }
}

std::string NameOfLevel(std::int32_t level)
{
    switch (level) {
    case 3: return "80386";
    case 4: return "80486";
    case 5: return "Pentium";
    case 6: return "Pentium II,III,IV";
    default: return "不明";
    }
}

} // namespace

namespace sysinfo_detail {

std::int32_t ClockFromText(const std::string& text) { return conv::ToInt32(conv::Val(conv::Left(text, 8))); }

std::int32_t ClockFromTotal(double totalMs)
{
    double raw = Divide(totalMs, 3);
    raw = Divide(raw, 9.9204);
    raw = Divide(120, raw);
    raw = Checked(raw * 120);
    raw = Divide(raw, 1.2153);
    double v = conv::Val(conv::DoubleText(raw));
    v = Divide(Divide(v, 1.02), 2.95);
    return ClockFromText(conv::DoubleText(v));
}

} // namespace sysinfo_detail

std::int32_t EstimateClock()
{
    try {
        for (int i = 0; i < 5; ++i) kv::DoEvents();
        kv::Sleep(1000);
        double total = 0.0;
        double acc = 0.0;
        for (int m = 0; m < 3; ++m) {
            const std::uint32_t t0 = kv::GetTickCount();
            sysinfo_detail::ClockLoop(acc);
            // Taken without sign, so a measurement across the counter's wrap
            // still gives its true length.
            total += kv::Elapsed(t0, kv::GetTickCount());
        }
        return sysinfo_detail::ClockFromTotal(total);
    } catch (const std::exception&) {
        return 0;
    }
}

void GetCpuInfo(std::int32_t& InfoMode)
{
    try {
        SysInfo = kv::Facts().Processor();
        InfoText text("[ CPU infomation ]");
        const kv::ProcessorRecord local = kv::Facts().Processor();
        const std::int32_t level = local.level;
        text.Line(std::string(" processor of ") + (local.architecture == 0 ? "INTEL or compatible" : "？？？"));
        text.Line(" processor Type :" + TypeText(local.processorType));
        text.Line(" processor Level :" + LevelLine(level));
        global::CpuName = NameOfLevel(level);
        global::CpuLevel = level;
        text.Line(" processor rev :" + conv::HexText(static_cast<std::int16_t>(local.revision)));
        text.Line(" page size :" + conv::SignText(SysInfo.pageSize) + "byte");
        text.Line(" Minimum Application Address : " + AddressHex(SysInfo.minimumApplicationAddress) + "(hex)");
        text.Line(" Maximum Application Address : " + AddressHex(SysInfo.maximumApplicationAddress) + "(hex)");
        text.Line(" active processor mask bit : " + AddressHex(SysInfo.activeProcessorMask) + " (hex)");
        text.Line(" number of processor :" + conv::SignText(SysInfo.numberOfProcessors));
        text.Line(" memory Allocation Granularity :" + conv::SignText(SysInfo.allocationGranularity) + " byte");
        global::ClockMHz = EstimateClock();
        text.Line(" estimate clock: " + conv::FormatAt(conv::IntText(global::ClockMHz), 4) + " MHz ( at PENTIUM III )");
        text.Deliver(InfoMode);
    } catch (const std::exception&) {
        // A run-time error ends the routine silently with what it had set.
    }
}
