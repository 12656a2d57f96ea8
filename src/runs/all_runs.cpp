// ALL and the missing-tests run.
#include "runs/all_runs.h"

#include "app/global.h"
#include "app/main1.h"
#include "platform/errors.h"
#include "platform/notice.h"
#include "platform/pump.h"

#include <array>

namespace {

constexpr kv::Color Lit = 0x0080FFFF;         // pale yellow
constexpr kv::Color AtRest = 0x0000C0C0;      // the path's design colour
constexpr kv::Color AllRunning = 0x000000FF;  // "ALL" while a sequence runs
constexpr kv::Color AllAtRest = 0x000000C0;

// A std::array: GCC 12's bounds sanitizer misreads the index into a plain
// array of member-function pointers.
using RowRun = void (Main1Form::*)();
constexpr std::array<RowRun, TestCount> Rows = {&Main1Form::Command1_Click, &Main1Form::Command3_Click,
                                                &Main1Form::Command4_Click, &Main1Form::Command5_Click,
                                                &Main1Form::Command6_Click, &Main1Form::Command7_Click};

// The mark at the left end of a row. CALC's is a shape of its own; the
// array's five elements belong to CPU, Mem, HDD, TEXT and Graph.
kv::Shape& MarkOf(Main1Form& m, int test)
{
    return test == Calc ? m.Shape3 : m.Shape2[test == Cpu ? 0 : test - 1];
}

// The band under the rows, the CPU mark and the bar joining the marks light
// together when a sequence starts.
void LightStart(Main1Form& m)
{
    m.Label4.ForeColor(AllRunning);
    m.Shape4.FillColor(Lit);
    m.Shape2[0].FillColor(Lit);
    m.Shape1.FillColor(Lit);
}

void RestorePath(Main1Form& m)
{
    m.Shape4.FillColor(AtRest);
    for (int test = Cpu; test < TestCount; ++test) MarkOf(m, test).FillColor(AtRest);
    m.Shape1.FillColor(AtRest);
}

// A row run that fails ends the sequence; the user learns why, and finds the
// main window usable again.
void EndAfterFailure(Main1Form& m, int number)
{
    RestorePath(m);
    m.Label4.ForeColor(AllAtRest);
    m.Command8.Enabled(true);
    m.Enabled(true);
    m.Visible(true);
    kv::RunTimeErrorNotice(number);
}

// Runs `sequence`; true when it ended normally. Any failure inside it is
// caught here and ends the sequence as above.
template <class Sequence>
bool Guarded(Main1Form& m, Sequence&& sequence)
{
    int number = 0;
    try {
        sequence();
        return true;
    } catch (...) {
        number = kv::CurrentErrNumber();
    }
    EndAfterFailure(m, number);
    return false;
}

} // namespace

void RunAllTests()
{
    Main1Form& m = Main1.Get();
    const bool ended = Guarded(m, [&m] {
        m.Command8.Enabled(false);
        LightStart(m);
        for (int test = Cpu; test < TestCount; ++test) {
            if (test != Cpu) MarkOf(m, test).FillColor(Lit);
            (m.*Rows[test])();
            kv::DoEvents();
        }
    });
    if (!ended) return;
    m.Label4.ForeColor(AllAtRest);
    RestorePath(m);
    m.Command8.Enabled(true);
}

bool RunMissingTests()
{
    Main1Form& m = Main1.Get();
    const bool ended = Guarded(m, [&m] {
        LightStart(m);
        for (int test = Cpu; test < TestCount; ++test) {
            if (test != Cpu) MarkOf(m, test).FillColor(Lit);
            // Measured means anything but -1: a 0 from a failed test counts.
            if (global::TestIndex[test] == NotMeasured) (m.*Rows[test])();
        }
    });
    if (!ended) return false;
    // Unlike ALL, the button comes back before the colours do.
    m.Command8.Enabled(true);
    m.Label4.ForeColor(AllAtRest);
    RestorePath(m);
    return true;
}

void Main1Form::Command8_Click() { RunAllTests(); }
