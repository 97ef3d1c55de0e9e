// Velotune.com: the console companion. It runs as its caller, asks the
// running program through its command pipe, prints the answer and ends with
// an exit code a script can act on (ConsoleExit.h).
#include <windows.h>

#include <string>

#include "base/Win32Owners.h"
#include "console/ConsoleCommand.h"
#include "console/ConsoleExit.h"
#include "console/ConsoleOutput.h"
#include "console/PipeClient.h"
#include "console/StatusText.h"
#include "remote/CallerCheck.h"
#include "settings/AppInfo.h"
#include "settings/ProgramSwitches.h"
#include "settings/Settings.h"
#include "tuning/RestoreExit.h"
#include "tuning/SafeLoadLibrary.h"

namespace {

// A status answer, and a run's answer beyond its time limit, may take this long.
constexpr DWORD kStatusWithinMs = 10000;

void Say(const wchar_t* key) { CConsoleOutput::Line(GetLanguageString(key)); }

// The usage's command lines, indented.
const wchar_t* const kUsageKeys[] = {L"STR_CLI_HELP2", L"STR_CLI_HELP3", L"STR_CLI_HELP4", L"STR_CLI_HELP5"};

int Help() {
    Say(L"STR_CLI_HELP1");
    for (const wchar_t* key : kUsageKeys) CConsoleOutput::Line(L"  " + GetLanguageString(key));
    Say(L"STR_CLI_HELP6");
    return kExitStock;
}

bool IsElevatedAdministrator() {
    // An administrator's test switch beside the program: this console counts
    // as one without administrator rights, which Wine cannot give a process.
    if (ProgramSwitches::IsSet(L"TEST_CALLER_NOT_ADMIN")) return false;
    vt::UniqueHandle process, token;
    return OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY | TOKEN_DUPLICATE, process.Put()) &&
           DuplicateToken(process.Get(), SecurityIdentification, token.Put()) &&
           CCallerCheck::TokenIsElevatedAdministrator(token.Get());
}

// No program runs: the restore it would do at exit, as the uninstaller runs
// it, from this folder's Velotune.exe.
int RestoreWithoutProgram() {
    if (!IsElevatedAdministrator()) {
        Say(L"STR_CLI_NEEDADMIN");
        return kExitRefused;
    }
    const std::wstring program = GetAppFolder() + L"\\Velotune.exe";
    std::wstring line = L"\"" + program + L"\" /RestoreOverclocking";
    STARTUPINFOW si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    if (!CreateProcessW(program.c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) {
        Say(L"STR_CLI_SDKFAILED");
        return kExitFailed;
    }
    vt::UniqueHandle process(pi.hProcess), thread(pi.hThread);
    WaitForSingleObject(process.Get(), INFINITE);
    DWORD code = kRestoreFailed;
    GetExitCodeProcess(process.Get(), &code);
    switch (code) {
        case kRestoreAtDefaults: Say(L"STR_CLI_STOCK"); return kExitStock;
        case kRestoreSdkUnavailable: Say(L"STR_CLI_SDKFAILED"); return kExitFailed;
        case kRestoreAnotherInstance: Say(L"STR_CLI_BUSY"); return kExitBusy;
        default: Say(L"STR_CLI_RESTOREFAILED"); return kExitFailed;
    }
}

int NotAnswered(CPipeClient::Reach reach, const CConsoleCommand& command, const std::string& why) {
    if (reach == CPipeClient::Reach::NotRunning) {
        if (command.verb == CConsoleCommand::Verb::Restore) return RestoreWithoutProgram();
        if (command.json) CConsoleOutput::Line(CStatusText::JsonNotRunning());
        else Say(command.verb == CConsoleCommand::Verb::Overclock ? L"STR_CLI_MUSTRUN" : L"STR_CLI_NOTRUNNING");
        return kExitNotRunning;
    }
    const std::wstring detail(why.begin(), why.end());
    if (reach == CPipeClient::Reach::NotVelotune) {
        CConsoleOutput::Line(GetLanguageString(L"STR_CLI_NOTVELOTUNE") + L" (" + detail + L")");
        return kExitNotVelotune;
    }
    CConsoleOutput::Line(GetLanguageString(L"STR_CLI_TIMEOUT") + L" (" + detail + L")");
    return kExitTimedOut;
}

int Print(const CConsoleCommand& command, const remote::Answer& answer) {
    const bool overclock = command.verb == CConsoleCommand::Verb::Overclock;
    const int atRest = answer.status == 2 ? kExitOverclocked : kExitStock;
    switch (answer.outcome) {
        case remote::Outcome::Done:
            if (command.verb == CConsoleCommand::Verb::Status) {
                CConsoleOutput::Line(command.json ? CStatusText::Json(answer) : CStatusText::Line(answer));
                return answer.runInProgress ? kExitBusy : atRest;
            }
            CConsoleOutput::Line(CStatusText::AfterRun(answer, overclock ? L"STR_CLI_OVERCLOCKED" : L"STR_CLI_STOCK"));
            return atRest;
        case remote::Outcome::AlreadyThere:
            CConsoleOutput::Line(CStatusText::AfterRun(answer, overclock ? L"STR_CLI_ALREADYOC" : L"STR_CLI_ALREADYSTOCK"));
            return atRest;
        case remote::Outcome::Busy: Say(L"STR_CLI_BUSY"); return kExitBusy;
        case remote::Outcome::Refused: Say(L"STR_CLI_REFUSED"); return kExitRefused;
        case remote::Outcome::Failed: Say(overclock ? L"STR_CLI_OCFAILED" : L"STR_CLI_RESTOREFAILED"); return kExitFailed;
        case remote::Outcome::TimedOut: Say(L"STR_CLI_TIMEOUT"); return kExitTimedOut;
    }
    return kExitFailed;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    RestrictDllSearchPath();
    CConsoleCommand command;
    std::wstring why;
    if (!command.Parse(argc, argv, why)) {
        CConsoleOutput::ErrorLine(GetLanguageString(L"STR_CLI_BADARG") + L" " + why);
        for (const wchar_t* key : kUsageKeys) CConsoleOutput::ErrorLine(L"  " + GetLanguageString(key));
        return kExitUsage;
    }
    if (command.verb == CConsoleCommand::Verb::Help) return Help();

    remote::Request request;
    request.command = command.verb == CConsoleCommand::Verb::Status      ? remote::Command::Status
                      : command.verb == CConsoleCommand::Verb::Overclock ? remote::Command::Overclock
                                                                         : remote::Command::Restore;
    request.timeoutMs = command.timeoutMs;
    remote::Answer answer;
    std::string problem;
    // The program holds a run's request up to the time given; its answer may
    // take a little longer to come through. A status is read at once.
    const DWORD answerWithinMs = command.verb == CConsoleCommand::Verb::Status ? kStatusWithinMs
                                                                                : command.timeoutMs + kStatusWithinMs;
    const CPipeClient::Reach reach = CPipeClient::Ask(request, answerWithinMs, answer, problem);
    if (reach != CPipeClient::Reach::Answered) return NotAnswered(reach, command, problem);
    return Print(command, answer);
}
