// The screen size, and the free USER and GDI resources that the resource
// program KV_16.EXE answers in KV_16.TXT.
#include "app/conventions.h"
#include "app/global.h"
#include "app/init.h"
#include "platform/errors.h"
#include "platform/files.h"
#include "platform/notice.h"
#include "platform/process.h"
#include "platform/system_facts.h"
#include "sysinfo/info.h"
#include "sysinfo/info_text.h"


namespace {

constexpr std::uint32_t PollMs = 100;
// The program answers within milliseconds; a few seconds is a hang.
constexpr std::uint32_t AnswerLimitMs = 5000;
// The answer is one short line; a file far longer is a bad answer.
constexpr std::size_t AnswerLimitBytes = 4096;

// Runs the resource program and returns its answer, leaving no answer file.
// Throws RuntimeError when there is no answer (0: the program gave none).
std::string AskResourceProgram(const std::string& program, const std::string& answerPath)
{
    // Its path and the folder as two arguments, so blanks in them are safe.
    kv::ChildProcess child(kv::NativePath(program), {kv::NativePath(global::ExeFolder)});
    const auto arrived = [&] { return FileExists(answerPath); };
    if (kv::WaitForDelivery(child, arrived, PollMs, AnswerLimitMs) != kv::WaitOutcome::Arrived)
        throw kv::RuntimeError(kv::ErrNone, "no answer from " + program);
    std::string answer;
    try {
        answer = kv::ReadWholeFile(answerPath, AnswerLimitBytes);
    } catch (const kv::RuntimeError&) {
        kv::DeleteFile(answerPath);   // a bad answer is not left behind either
        throw;
    }
    kv::DeleteFile(answerPath);
    return answer;
}

} // namespace

void GetScreenInfo(std::int32_t& InfoMode)
{
    InfoText text("[ Screen infomation ]");
    const kv::ScreenSize screen = kv::Facts().Screen();
    global::ScreenWidth = screen.width;
    global::ScreenHeight = screen.height;

    const std::string answerPath = global::ExeFolder + "\\KV_16.TXT";
    const std::string program = global::ExeFolder + "\\KV_16.EXE";
    std::string answer;
    try {
        // An answer of an earlier run is never read.
        if (FileExists(answerPath)) kv::DeleteFile(answerPath);
        if (!FileExists(program)) {
            kv::Notice("エラーの為、処理を中止しました。(Err=0)");
            return;
        }
        answer = AskResourceProgram(program, answerPath);
    } catch (const kv::RuntimeError& e) {
        kv::ErrorNotice("エラーの為、リソース情報を読み込めませんでした(Err=", e.Number());
        return;
    }
    global::UserResFree = conv::Mid(answer, 15, 5);
    global::GdiResFree = conv::Mid(answer, 22, 5);

    text.Line("Screen Size: " + conv::IntText(global::ScreenWidth) + "*" + conv::IntText(global::ScreenHeight));
    text.Line("USER Resource free : " + global::UserResFree + "%");
    text.Line("GDI  Resource free : " + global::GdiResFree + "%");
    text.Deliver(InfoMode);
}
