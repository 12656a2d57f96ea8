#include "results/report_text.h"

#include "app/conventions.h"
#include "app/global.h"

namespace {

constexpr const char* CrLf = "\r\n";
constexpr const char* Indent = "              ";  // 14 blanks, under the labels

// 39 horizontal bars (U+2015).
std::string Separator() { return conv::String(39, U'\u2015'); }

// The index in hundreds, truncated, right-aligned in seven; then the level.
std::string IndexLine(const char* label, TestKind test)
{
    const std::string field = conv::FormatAt(conv::IntText(conv::IntDiv(global::TestIndex[test], 100)), 7);
    return label + field + "     " + global::TestLevel[test] + CrLf;
}

} // namespace

std::string ReportText()
{
    using conv::FormatAt;
    using conv::IntText;
    const std::string sep = Separator() + CrLf;
    std::string t;
    t += IndexLine("CPU index   : ", Cpu);
    t += std::string(Indent) + "estimate clock= " + FormatAt(IntText(global::ClockMHz), 4) + " MHz ( at PENTIUM III )" + CrLf;
    t += std::string(Indent) + "processor = " + global::CpuName + CrLf;
    t += sep;
    t += IndexLine("CALC index  : ", Calc);
    t += sep;
    t += IndexLine("Memory index: ", Mem);
    t += std::string(Indent) + "Total Memory = " + FormatAt(IntText(global::TotalMemMB), 6) + "MByte" + CrLf;
    t += sep;
    t += IndexLine("HDD index   : ", Hdd);
    t += std::string(Indent) + "Test Drive= " + global::TestDrive + CrLf;
    t += sep;
    t += IndexLine("TEXT index  : ", Text);
    t += sep;
    t += IndexLine("Graph index : ", Graph);
    t += sep;
    // The OS text's own lines end in CR LF, so this leaves an empty line.
    t += conv::Trim(global::OsReportText) + CrLf;
    t += sep;
    t += "ScreenSize: " + IntText(global::ScreenWidth) + "x" + IntText(global::ScreenHeight) + CrLf + CrLf;
    t += "USER Resource free : " + global::UserResFree + "%" + CrLf;
    t += "GDI  Resource free : " + global::GdiResFree + "%" + CrLf;
    t += sep;
    t += std::string(CrLf) + CrLf;
    t += "総合戦闘力 : " + IntText(global::FightingCapacity) + CrLf;
    return t;
}

std::string CertifiedRankLine() { return global::LevelText + "  " + global::RankTitle; }

std::string VersionLine(const std::tm& at)
{
    return conv::DateText(at) + " " + conv::TimeText(at) + "   KORVELINE 2002  Ver " + VersionText;
}

std::string ReportRecord(const std::string& boxText, const std::tm& at)
{
    std::string r = std::string(78, 'z') + CrLf;
    r += VersionLine(at) + CrLf + CrLf;
    r += "　　　　認定段位: " + CertifiedRankLine() + CrLf + CrLf;
    r += CrLf;
    r += Separator() + CrLf;
    r += boxText;
    return r;
}
