// The operating system's version, for the information window and the report.
#include "app/conventions.h"
#include "app/global.h"
#include "platform/errors.h"
#include "platform/system_facts.h"
#include "sysinfo/info.h"
#include "sysinfo/info_text.h"

#include <exception>

namespace {

// The version record the OS routine fills on every call.
kv::OsVersionRecord OsVersionInfo;

struct PlatformRow {
    const char* text;     // after " Platform     :"
    const char* report;   // the report's first line
};

PlatformRow RowOf(std::int32_t platformId)
{
    switch (platformId) {
    case 0: return {" Windows3.1 & Win32s", " Platform     :   Windows3.1 & Win32s"};
    case 1: return {" Windows95/98/Me and later", " Platform     :  Windows95/98/Me and later"};
    case 2: return {" WindowsNT or Windows 2000 and later", " Platform     : WindowsNT or Windows 2000 and later"};
    default: return {" Unknown", " Platform     :    Unknown"};
    }
}

// The service-pack text as the classic record holds it: 128 characters,
// NUL-padded after the text.
std::string CsdField(const std::string& csd)
{
    std::string field = conv::Left(csd, 127);
    field.append(static_cast<std::size_t>(128 - conv::Len(field)), '\0');
    return field;
}

} // namespace

std::string RemoveNulls(const std::string& text)
{
    // The position counter is 16 bits wide.
    if (conv::Len(text) > 32767) throw kv::RuntimeError(kv::ErrOverflow, "overflow");
    std::string result;
    for (char ch : text)
        if (ch != '\0') result += ch;
    return result;
}

void GetOsInfo(std::int32_t& InfoMode)
{
    try {
        InfoText text("[ OS infomation ]");
        OsVersionInfo = kv::Facts().OsVersion();
        const PlatformRow row = RowOf(OsVersionInfo.platformId);
        text.Line(std::string(" Platform     :") + row.text);
        global::OsReportText = std::string(row.report) + "\r\n";
        const std::string version = conv::SignText(OsVersionInfo.majorVersion) + "."
            + conv::Trim(conv::SignText(OsVersionInfo.minorVersion));
        text.Line(" OS Version   :" + version);
        global::OsReportText += "OS Version   :" + version + "\r\n";
        const std::string build = conv::SignText(OsVersionInfo.buildNumber);
        text.Line(" BUILD Number :" + build);
        global::OsReportText += "BUILD Number :" + build + "\r\n";
        const std::string trimmed = conv::Trim(CsdField(OsVersionInfo.csdVersion));
        const std::string more = RemoveNulls(conv::Left(trimmed, conv::Len(trimmed) - 1));
        text.Line("more :" + more);
        global::OsReportText += "more :" + more + "\r\n";
        text.Deliver(InfoMode);
    } catch (const std::exception&) {
        // A run-time error ends the routine silently with what it had set.
    }
}
