#pragma once
// The texts of the certificate: the report of every result, the headline,
// the version line and the record appended to the report file.
#include <ctime>
#include <string>

// The report, built from the shared state; every line ends in CR LF.
std::string ReportText();

// The headline: the overall score's level text and title.
std::string CertifiedRankLine();

// "MM-DD-YYYY HH:MM:SS   KORVELINE 2002  Ver 1.01" for the moment `at`.
std::string VersionLine(const std::tm& at);

// One record of the report file: its "z" line, the version line of `at`,
// the certified rank, the separator, then `boxText` (the report as the box
// holds it) unchanged.
std::string ReportRecord(const std::string& boxText, const std::tm& at);

// The report file's name in the data folder.
inline constexpr const char* ReportFileName = "KV_REP.txt";
