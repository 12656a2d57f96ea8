#include "results/compar_file.h"

#include "app/conventions.h"
#include "platform/errors.h"

namespace {
constexpr std::string_view CrLf = "\r\n";
}

std::string ComparisonFileText(const std::array<std::int32_t, TestCount>& indices)
{
    std::string text(ComparHeader);
    text += CrLf;
    for (std::int32_t index : indices) text += conv::IntText(index) + std::string(CrLf);
    return text;
}

void LoadComparisonValues(std::string_view text)
{
    // CR and LF never occur inside a UTF-8 sequence, so the line ends can be
    // found byte by byte.
    std::size_t end = text.find(CrLf);
    if (end == std::string_view::npos || text.substr(0, end) != ComparHeader)
        throw kv::RuntimeError(kv::ErrNone, "not a comparison-data file");
    std::array<std::int32_t, TestCount> values{};
    for (std::int32_t& value : values) {
        const std::size_t from = end + CrLf.size();
        end = text.find(CrLf, from);
        if (end == std::string_view::npos) throw kv::RuntimeError(kv::ErrNone, "comparison data cut short");
        value = conv::ToInt32(conv::Val(text.substr(from, end - from)));
    }
    global::ComparIndex = values;
}
