#pragma once
// 段位認定モジュール, the rank-certification module: any score, a test index or
// the overall score, maps to a level text and a title.
#include <array>
#include <cstdint>
#include <string>

struct RankRow {
    std::int32_t threshold;   // lowest score of the row; the last row takes the rest
    const char* levelText;    // UTF-8
    const char* title;        // UTF-8
};

// Ordered by falling threshold; the first row a score reaches is its rank.
extern const std::array<RankRow, 21> RankTable;

// Writes the rank's level text into LevelText and returns its title.
std::string CertifyRank(const std::int32_t& Score, std::string& LevelText);
