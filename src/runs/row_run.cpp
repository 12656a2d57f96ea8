#include "runs/row_run.h"

#include "app/conventions.h"
#include "app/layout.h"
#include "app/main1.h"
#include "platform/sound.h"
#include "runs/gauge.h"
#include "analyze/analyze.h"
#include "analyze/rank.h"
#include "analyze/test_windows.h"

#include <array>

namespace {

std::array<std::function<std::int32_t()>, TestCount> g_replacedTests;

// The rows differ in nothing but these controls and their test.
struct Row {
    std::int32_t (*test)();
    kv::ControlArray<kv::Line, 65>& bars;
    kv::Label& name;
    kv::Label& value;
    kv::Label& comment;
};

Row RowOf(TestKind test)
{
    Main1Form& m = Main1.Get();
    switch (test) {
    case Cpu: return {AnalyzeCpu, m.Line1, m.Label8, m.Label3, m.Label5};
    case Calc: return {AnalyzeCalc, m.Line2, m.Label9, m.Label7, m.Label11};
    case Mem: return {AnalyzeMem, m.Line3, m.Label12, m.Label13, m.Label15};
    case Hdd: return {AnalyzeHdd, m.Line4, m.Label16, m.Label19, m.Label25};
    case Text: return {AnalyzeText, m.Line5, m.Label17, m.Label20, m.Label26};
    case Graph: break;
    }
    return {AnalyzeGraph, m.Line6, m.Label18, m.Label21, m.Label27};
}

// What a run changes on its row, so a failed run can put it back.
struct RowLook {
    std::int32_t index;
    kv::Color name;
    std::string value, comment;
    std::array<kv::Color, 65> bars;
};

RowLook LookOf(TestKind test, const Row& row)
{
    RowLook look{global::TestIndex[test], row.name.ForeColor(), row.value.Caption(), row.comment.Caption(), {}};
    for (int i = 0; i < 65; ++i) look.bars[i] = row.bars[i].BorderColor();
    return look;
}

void PutBack(TestKind test, const Row& row, const RowLook& look)
{
    global::TestIndex[test] = look.index;
    row.name.ForeColor(look.name);
    row.value.Caption(look.value);
    row.comment.Caption(look.comment);
    for (int i = 0; i < 65; ++i) row.bars[i].BorderColor(look.bars[i]);
}

void RunRow(TestKind test, const Row& row)
{
    // Locked for the whole run: the pump runs inside it, and no other button
    // may start a second run meanwhile.
    Main1->Enabled(false);
    kv::PlaySoundAsync(global::ExeFolder + "\\CHIME2.WAV");

    for (int i = 0; i < 65; ++i) row.bars[i].BorderColor(Black);
    row.name.ForeColor(Yellow);
    row.value.Caption("...");
    row.comment.Caption("");

    const auto& replaced = g_replacedTests[test];
    const std::int32_t index = replaced ? replaced() : row.test();
    global::TestIndex[test] = index;

    LightGauge(row.bars, GaugeSegments(index));
    row.value.Caption(conv::IntText(conv::IntDiv(index, 100)));

    CertifyRank(index, global::LevelText);
    row.comment.Caption(global::DisplayMode == 1 ? global::LevelText
                                                 : ComparCaption(index, global::ComparIndex[test]));
    global::TestLevel[test] = global::LevelText;

    row.name.ForeColor(DarkYellow);
    Main1->Enabled(true);
}

} // namespace

void RunTest(TestKind test)
{
    const Row row = RowOf(test);
    const RowLook before = LookOf(test, row);
    try {
        RunRow(test, row);
    } catch (...) {
        // The row shows what it showed before, the test's own window is gone
        // and the main window is usable again; the caller (a sequence, or the
        // start button) says why.
        PutBack(test, row, before);
        if (test == Text) TextTest.Unload();
        if (test == Graph) GraphTest.Unload();
        Main1->Enabled(true);
        Main1->Visible(true);
        throw;
    }
}

std::string ComparCaption(std::int32_t index, std::int32_t comparIndex)
{
    if (comparIndex <= 0) return "Error";
    const auto percentage = static_cast<float>(static_cast<double>(index) / comparIndex * 100);
    const auto difference = static_cast<float>(conv::IntDiv(std::int64_t{index} - comparIndex, 100));
    // A negative difference brings its own minus sign.
    const std::string sign = difference > 0 ? "+" : "";
    return conv::FormatFixed1(percentage) + "%" + " (" + sign
         + conv::FormatAt(conv::SingleText(difference), 6) + ")";
}

void SetRowTestForTest(TestKind test, std::function<std::int32_t()> fn)
{
    g_replacedTests[test] = std::move(fn);
}

void Main1Form::Command1_Click() { RunTest(Cpu); }
void Main1Form::Command3_Click() { RunTest(Calc); }
void Main1Form::Command4_Click() { RunTest(Mem); }
void Main1Form::Command5_Click() { RunTest(Hdd); }
void Main1Form::Command6_Click() { RunTest(Text); }
void Main1Form::Command7_Click() { RunTest(Graph); }
