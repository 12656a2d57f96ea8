// 段位認定モジュール: rank certification.
#include "analyze/rank.h"

// The leading blanks differ on purpose: one ideographic blank (U+3000) before
// the one-digit grades and 初段, two ASCII blanks before ３段, none before
// １０段, １０級 and 破門. Row 1's level is "??" (escaped so it never reads as
// a trigraph).
const std::array<RankRow, 21> RankTable{{
    {1000000, "１０段(LEVEL \?\?)", "摩訶不思議"},
    {900000, "　９段(LEVEL 20)", "神王"},
    {800000, "　８段(LEVEL 19)", "神"},
    {700000, "　７段(LEVEL 18)", "天空人"},
    {500000, "　６段(LEVEL 17)", "仙人"},
    {400000, "　５段(LEVEL 16)", "超人"},
    {300000, "　４段(LEVEL 15)", "達人"},
    {200000, "  ３段(LEVEL 14)", "名人"},
    {100000, "　２段(LEVEL 13)", "強者"},
    {50000, "　初段(LEVEL 12)", "芸達者"},
    {30000, "　１級(LEVEL 11)", "凡人"},
    {10000, "　２級(LEVEL 10)", "半凡人"},
    {9000, "　３級(LEVEL 9)", "軟弱者"},
    {7000, "　４級(LEVEL 8)", "時代遅れ"},
    {5000, "　５級(LEVEL 7)", "世捨て人"},
    {3000, "　６級(LEVEL 6)", "天然記念物"},
    {2000, "　７級(LEVEL 5)", "恐竜"},
    {1000, "　８級(LEVEL 4)", "三葉虫"},
    {500, "　９級(LEVEL 3)", "化石"},
    {300, "１０級(LEVEL 2)", "ゴミ"},
    {INT32_MIN, "破門(LEVEL 0)", "なめてる？"},
}};

std::string CertifyRank(const std::int32_t& Score, std::string& LevelText)
{
    for (const RankRow& row : RankTable) {
        if (Score >= row.threshold) {
            LevelText = row.levelText;
            return row.title;
        }
    }
    // Unreachable: the last row's threshold is the smallest 32-bit value.
    LevelText = RankTable.back().levelText;
    return RankTable.back().title;
}
