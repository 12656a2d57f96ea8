// Physical memory, the page file (the commit limit) and the virtual address
// space: total, free and used.
#include "app/conventions.h"
#include "app/global.h"
#include "platform/errors.h"
#include "platform/system_facts.h"
#include "sysinfo/info.h"
#include "sysinfo/info_text.h"

#include <exception>

namespace {

// The record the memory routine fills on every call.
kv::MemoryRecord MemStatus;

double MB(double bytes) { return bytes / 1024 / 1024; }

// "######" of the MB, so a count below half a MB shows no digits.
std::string M(double bytes) { return conv::FormatHashes(MB(bytes)); }

// The used share in whole percent, ties to the even one.
std::string P(double used, double total)
{
    if (total == 0) throw kv::RuntimeError(kv::ErrDivisionByZero, "division by zero");
    return conv::IntText(conv::ToInt32(used / total * 100));
}

// The three lines of one kind. The counts are 64-bit: memory beyond 2 GiB
// is counted, not read as negative.
void Lines(InfoText& text, const char* total, const char* free, const char* used, std::uint64_t t, std::uint64_t f)
{
    const double u = static_cast<double>(static_cast<std::int64_t>(t - f));
    text.Line(total + M(static_cast<double>(t)) + " MB");
    text.Line(free + M(static_cast<double>(f)) + " MB");
    text.Line(used + M(u) + " MB (" + P(u, static_cast<double>(t)) + "%)");
}

} // namespace

void GetMemoryInfo(std::int32_t& InfoMode)
{
    try {
        InfoText text("[ Memory infomation ]");
        MemStatus = kv::Facts().Memory();
        global::TotalMemMB = conv::ToInt32(MB(static_cast<double>(MemStatus.totalPhys)));
        Lines(text, " Total memory            : ", " Free  memory            : ", " Used  memory            : ",
              MemStatus.totalPhys, MemStatus.availPhys);
        Lines(text, " Total pagefile          : ", " Free  pagefile          : ", " Used  pagefile          : ",
              MemStatus.totalPageFile, MemStatus.availPageFile);
        Lines(text, " Total Virtual memory    : ", " Free  Virtual memory    : ", " Used  Virtual memory    : ",
              MemStatus.totalVirtual, MemStatus.availVirtual);
        text.Deliver(InfoMode);
    } catch (const std::exception&) {
        // A run-time error ends the routine silently with what it had set.
    }
}
