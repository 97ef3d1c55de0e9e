// Every reader of outside input fed generated garbage in bulk: skin layouts,
// the settings and language INI files, the dial-table records and the values
// of a (simulated) tuning library. The generator is seeded, so a failing case
// comes back on every run; each reader must neither crash nor hang, and must
// leave a log line for every input it refuses.
#include <gtest/gtest.h>
#include <windows.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "GarbledRun.h"
#include "support/LogCapture.h"
#include "duilib/ControlUI.h"
#include "duilib/DialogBuilder.h"
#include "duilib/PaintManagerUI.h"
#include "mainframe/CpuDialTable.h"
#include "mainframe/ToolkitLogSink.h"
#include "remote/PipeCodec.h"
#include "settings/LanguageFile.h"
#include "settings/SettingsFile.h"
#include "settings/SettingsKeys.h"
#include "state/AppState.h"
#include "support/StandInSwitch.h"
#include "support/TestPaths.h"
#include "tuning/CpuMonitorThread.h"
#include "tuning/GetCpuInfoThread.h"
#include "tuning/OverClockSdkInterface.h"
#include "tuning/OverClockThread.h"
#include "tuning/OverclockingSdk.h"

namespace {

// The case count goes to the program's output and to garbled-input.txt
// beside it, which `make test` shows (ctest keeps a passing test's output).
class CountReport : public ::testing::Environment {
public:
    void TearDown() override {
        std::string line = "garbled input: " + GarbledRun::Get().Counts() + "\n";
        std::fputs(line.c_str(), stdout);
        std::fflush(stdout);
        TestPaths::WriteFileBytes(TestPaths::Join(TestPaths::TestDir(), L"garbled-input.txt"), line);
    }
};
::testing::Environment* const g_report = ::testing::AddGlobalTestEnvironment(new CountReport);

size_t CountContaining(const std::vector<std::string>& texts, const std::string& part) {
    size_t n = 0;
    for (const std::string& t : texts)
        if (t.find(part) != std::string::npos) ++n;
    return n;
}

// Which cases a count over a block was taken from.
std::string Span(int first, int end) { return "cases " + std::to_string(first) + " to " + std::to_string(end - 1); }

std::wstring CaseFolder() {
    std::wstring dir = TestPaths::Join(TestPaths::TestDir(), L"garbled");
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

// ------------------------------------------------------------------ skins

const std::vector<std::string> kElements = {"VerticalLayout", "HorizontalLayout", "Container", "Label", "Button",
                                            "Option", "Edit", "Progress", "Text", "List", "TabLayout", "Sparkle"};
const std::vector<std::string> kAttributes = {"name", "text", "width", "height", "pos", "padding", "bkcolor",
                                              "textcolor", "font", "visible", "float", "normalimage", "min",
                                              "max", "value", "inset", "selected", "align", "shine"};

std::string SkinText(Garbage& g, bool* mustRefuse) {
    *mustRefuse = false;
    std::string body;
    switch (g.Int(0, 4)) {
        case 0: {  // deeply nested
            int depth = g.Int(65, 2500);
            std::string open = "<" + g.Pick(kElements) + ">";
            std::string close = open;
            close.insert(1, "/");
            body = g.Repeat(open, depth) + (g.OneIn(4) ? "" : g.Repeat(close, depth));
            *mustRefuse = true;
            break;
        }
        case 1: {  // huge attributes
            std::string value = g.Repeat(g.OneIn(2) ? "A" : "\xE4\xB8\xAD", g.Int(1000, 20000));
            body = "<" + g.Pick(kElements) + " " + g.Pick(kAttributes) + "=\"" + value + "\"/>";
            if (g.OneIn(3)) body = "<Label " + g.Repeat("a", g.Int(500, 5000)) + "=\"1\"/>";
            break;
        }
        case 2: {  // bad numbers
            for (int i = g.Int(1, 4); i > 0; --i) {
                body += "<" + g.Pick(kElements) + " ";
                static const std::vector<std::string> numeric = {"width", "height", "pos", "padding", "bkcolor",
                                                                 "font", "min", "max", "value", "inset"};
                body += g.Pick(numeric) + "=\"" + g.Number() + "," + g.Number() + "\"/>";
            }
            break;
        }
        default: {  // a plausible layout, then broken at random
            for (int i = g.Int(1, 6); i > 0; --i) {
                std::string e = g.Pick(kElements);
                body += "<" + e + " " + g.Pick(kAttributes) + "=\"" + g.Number() + "\">";
                body += "<Label text=\"x&amp;y\" width=\"" + g.Number() + "\"/></" + e + ">";
            }
            for (int k = g.Int(1, 8); k > 0 && !body.empty(); --k) {
                size_t at = (size_t)g.Int(0, (int)body.size() - 1);
                static const std::vector<std::string> junk = {"<", ">", "&", "\"", "'", "</", "/>", "<!--",
                                                              "\xFF\xFE", "\x01", "<?xml", "]]>", "&#0;"};
                if (g.OneIn(3)) body.erase(at, (size_t)g.Int(1, 20));
                else body.insert(at, g.OneIn(4) ? g.Bytes(g.Int(1, 8)) : g.Pick(junk));
            }
            break;
        }
    }
    std::string head = "<Window size=\"" + (g.OneIn(4) ? g.Number() : std::string("100,100")) + "\">";
    std::string text = head + body + "</Window>";
    if (g.OneIn(10)) text.resize((size_t)g.Int(0, (int)text.size()));
    if (g.OneIn(20)) text = g.Bytes(g.Int(0, 400));
    // The builder takes a C string: what a NUL cuts off never reaches it.
    text = text.c_str();
    return text;
}

TEST(GarbledInput, SkinBuilderRefusesWithOneLogLinePerFile) {
    // The toolkit's reports reach the program's log as they do in the program.
    CToolkitLogSink::Install();
    GarbledRun& run = GarbledRun::Get();
    DuiLib::CPaintManagerUI pm;
    run.Run("skin", [&](int first, int end) {
        LogCapture log;
        int refused = 0;
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            bool mustRefuse = false;
            std::string text = SkinText(g, &mustRefuse);
            run.Keep(i, ".xml", text);
            wchar_t name[32];
            std::swprintf(name, 32, L"garbled-%d.xml", i);
            DuiLib::CDialogBuilder builder;
            std::unique_ptr<DuiLib::CControlUI> root(builder.CreateFromText(name, text.c_str(), nullptr, &pm));
            if (mustRefuse) {
                EXPECT_FALSE(builder.Problems().empty()) << "case " << i;
            }
            if (!builder.Problems().empty()) ++refused;
        }
        // One line per file with problems, and it names the file.
        std::vector<std::string> texts = log.AllTexts();
        EXPECT_EQ((size_t)refused, CountContaining(texts, "skin \"garbled-")) << Span(first, end);
        if (!run.FullBlock(first, end)) return;
        EXPECT_GT(refused, (end - first) / 4);
        EXPECT_GT(CountContaining(texts, "nested deeper than"), 0u);
    });
}

// ------------------------------------------------------------- INI files

std::string IniText(Garbage& g, const std::vector<std::string>& keys) {
    std::string s;
    switch (g.Int(0, 5)) {
        case 0: break;                                          // section missing
        case 1: s += "[OverClockingKe]\r\n"; break;             // another section
        case 2: s += "[" + g.Bytes(g.Int(0, 12)) + "\r\n"; break;  // broken header
        default: s += (g.OneIn(5) ? "[overclockingkey]\r\n" : "[OverClockingKey]\r\n"); break;
    }
    for (const std::string& k : keys) {
        if (g.OneIn(4)) continue;
        std::string value;
        switch (g.Int(0, 3)) {
            case 0: value = g.Repeat(g.OneIn(2) ? "9" : "\xE4\xB8\xAD", g.Int(200, 3000)); break;  // huge
            case 1: value = g.Bytes(g.Int(1, 40)); break;
            default: value = g.Number(); break;
        }
        // A value's own line breaks would start new lines, which is garbage too.
        s += (g.OneIn(8) ? " " : "") + k + (g.OneIn(8) ? " = " : "=") + value + "\r\n";
    }
    if (g.OneIn(6)) s = "\xEF\xBB\xBF" + s;  // UTF-8 mark
    bool wide = false;
    if (g.OneIn(6)) {                         // UTF-16, with or without its mark, sometimes odd-sized
        std::string text = g.OneIn(2) ? "\xFF\xFE" : "";
        for (char c : s) text += std::string(1, c) + '\0';
        if (g.OneIn(3)) text.pop_back();  // half of the last line break
        s = text;
        wide = true;
    }
    if (g.OneIn(10)) {
        size_t cut = (size_t)g.Int(0, (int)s.size());
        // Wine decodes a dangling byte inside a value with whatever lies
        // after it in memory, so one file could read two ways; a UTF-16
        // text is cut between characters.
        if (wide) cut &= ~(size_t)1;
        s.resize(cut);
    }
    return s;
}

// The settings reader's rule, said here on its own so that the two do not
// share a mistake: optional sign, digits, within int.
bool StrictInt(const std::wstring& t) {
    const size_t digits = !t.empty() && (t[0] == L'-' || t[0] == L'+') ? 1 : 0;
    if (t.size() == digits || t.find_first_not_of(L"0123456789", digits) != std::wstring::npos) return false;
    errno = 0;
    long long v = std::wcstoll(t.c_str(), nullptr, 10);
    return errno != ERANGE && v >= INT_MIN && v <= INT_MAX;
}

TEST(GarbledInput, SettingsReaderFallsBackAndLogsEveryBadNumber) {
    GarbledRun& run = GarbledRun::Get();
    const std::vector<std::string> keys = {"autoStart", "stopover", "minmode", "MonitorTime", "quickkey"};
    const wchar_t* intKeys[] = {kKeyAutoStart, kKeyStopOver, kKeyMinMode, kKeyMonitorTime};
    const int defaults[] = {kDefaultAutoStart, kDefaultStopOver, kDefaultMinMode, kDefaultMonitorTime};
    run.Run("ini", [&](int first, int end) {
        LogCapture log;
        size_t badNumbers = 0, negativePeriods = 0;
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            // A file of its own per case: a profile cache keyed on the name and
            // the time stamp could otherwise serve one read the previous text.
            wchar_t name[32];
            std::swprintf(name, 32, L"settings-%d.ini", i);
            std::wstring path = TestPaths::Join(CaseFolder(), name);
            std::string text = IniText(g, keys);
            run.Keep(i, ".ini", text);
            ASSERT_TRUE(TestPaths::WriteFileBytes(path, text));
            CSettingsFile file;
            file.SetPath(path);
            for (int k = 0; k < 4; ++k) {
                std::wstring raw = file.ReadString(intKeys[k], L"");
                EXPECT_LE(raw.size(), 255u);
                int got = file.ReadInt(intKeys[k], defaults[k]);
                if (!raw.empty() && !StrictInt(raw)) {
                    ++badNumbers;
                    EXPECT_EQ(defaults[k], got) << "case " << i;
                }
            }
            int period = file.GetMonitorTime();
            EXPECT_GE(period, 0);
            std::wstring raw = file.ReadString(kKeyMonitorTime, L"");
            if (StrictInt(raw) && _wtoi64(raw.c_str()) < 0) ++negativePeriods;
            if (!raw.empty() && !StrictInt(raw)) ++badNumbers;  // GetMonitorTime's own read
            EXPECT_FALSE(file.GetQuickKey().empty());
            DeleteFileW(path.c_str());
        }
        std::vector<std::string> texts = log.AllTexts();
        EXPECT_EQ(badNumbers, CountContaining(texts, "is not a valid number, using")) << Span(first, end);
        EXPECT_EQ(negativePeriods, CountContaining(texts, "is negative, using")) << Span(first, end);
        if (run.FullBlock(first, end)) {
            EXPECT_GT(badNumbers, (size_t)(end - first));
        }
    });
}

TEST(GarbledInput, LanguageReaderLogsEveryMissingText) {
    GarbledRun& run = GarbledRun::Get();
    const std::vector<std::string> keys = {"STR_OK", "STR_EXIT", "STR_TITLE", "STR_VERSION", "STR_N"};
    std::wstring app = TestPaths::Join(CaseFolder(), L"app");
    CreateDirectoryW(app.c_str(), nullptr);
    CreateDirectoryW((app + L"\\skin").c_str(), nullptr);
    CreateDirectoryW((app + L"\\skin\\lan").c_str(), nullptr);
    run.Run("language", [&](int first, int end) {
        LogCapture log;
        size_t missing = 0;
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            CLanguageFile lang(app);
            ASSERT_TRUE(lang.SelectLanguageFile());
            std::string text = IniText(g, keys);
            // The language files use their own section.
            size_t at = text.find("OverClockingKey");
            if (at != std::string::npos) text.replace(at, 15, "LANSTR");
            run.Keep(i, ".ini", text);
            if (!g.OneIn(12)) ASSERT_TRUE(TestPaths::WriteFileBytes(lang.GetPath(), text));
            else DeleteFileW(lang.GetPath().c_str());  // no language file at all
            for (const std::string& k : keys) {
                std::wstring key(k.begin(), k.end());
                std::wstring s = lang.GetLanguageString(key.c_str());
                EXPECT_LE(s.size(), 255u);
                if (s == L"-_-") ++missing;
            }
            if (lang.GetLanguageString(L"") == L"-_-") ++missing;
        }
        std::vector<std::string> texts = log.AllTexts();
        EXPECT_EQ(missing, CountContaining(texts, "[LANSTR] no text for key") + CountContaining(texts, " missing in "))
            << Span(first, end);
        if (run.FullBlock(first, end)) {
            EXPECT_GT(missing, (size_t)(end - first));
        }
    });
}

// ---------------------------------------------------------- dial records

TEST(GarbledInput, DialRecordsRefusedWithALogLineAndNeverHang) {
    GarbledRun& run = GarbledRun::Get();
    run.Run("dial", [&](int first, int end) {
        LogCapture log;
        size_t refused = 0;
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            std::wstring record;
            int pieces = g.Int(0, 20);
            for (int p = 0; p < pieces; ++p) {
                if (p) {
                    static const std::vector<std::wstring> seps = {L"@@@@@", L"@@@@@", L"@@@@@", L"@@@@", L"@@@@@@",
                                                                   L"@@@@@@@@@@", L"@ @@@@"};
                    record += g.Pick(seps);
                }
                std::string n = g.OneIn(6) ? g.Bytes(g.Int(0, 12)) : g.Number();
                for (unsigned char c : n) record += (wchar_t)(c ? c : L'?');
                if (g.OneIn(50)) record += std::wstring((size_t)g.Int(1000, 20000), L'\x4E2D');
            }
            run.Keep(i, ".txt", TestPaths::Narrow(record, CP_UTF8));
            CpuCustomData entry;
            if (!CCpuDialTable::ParseRecord(record, entry)) {
                ++refused;
                continue;
            }
            CCpuDialTable table;
            table.Append(entry);
            table.BuildAngles(entry);
            // 0.1 GHz steps from 0 to 10 GHz at most, whatever the record said.
            EXPECT_LE(table.Angles().size(), 2100u) << "case " << i;
            int angle = 0;
            table.AngleOf(entry.floatDefaultFrenquency, angle);
        }
        EXPECT_EQ(refused, CountContaining(log.AllTexts(), "dial record refused: "))
            << Span(first, end);
        if (run.FullBlock(first, end)) {
            EXPECT_GT(refused, (size_t)(end - first) / 4);
        }
    });
}

// ---------------------------------------------------- the command pipe's records

// A record as a console of any kind might send it (or a program answer it):
// a good one with bytes changed or cut, or bytes of any length. Only a whole
// record with every field in range is taken, and it reads back the same;
// every other is refused with a reason for the log.
template <typename Record, size_t Size>
void FeedPipeRecord(Garbage& g, const Record& good, int& accepted) {
    uint8_t encoded[Size];
    remote::CPipeCodec::Encode(good, encoded);
    std::string data = g.OneIn(2) ? std::string(reinterpret_cast<char*>(encoded), Size) : g.Bytes(g.Int(0, 600));
    for (int f = g.Int(0, 3); f > 0 && !data.empty(); --f) data[(size_t)g.Int(0, (int)data.size() - 1)] = (char)g.Int(0, 255);
    if (g.OneIn(8) && !data.empty()) data.resize((size_t)g.Int(0, (int)data.size()));
    Record decoded;
    std::string why;
    if (!remote::CPipeCodec::Decode(reinterpret_cast<const uint8_t*>(data.data()), data.size(), decoded, why)) {
        EXPECT_FALSE(why.empty());
        return;
    }
    ++accepted;
    ASSERT_EQ(data.size(), Size);
    remote::CPipeCodec::Encode(decoded, encoded);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(encoded), Size), data) << "read back as sent";
}

TEST(GarbledInput, PipeRecordsAreTakenOnlyWhole) {
    GarbledRun& run = GarbledRun::Get();
    remote::Request request;
    request.command = remote::Command::Overclock;
    request.timeoutMs = 60000;
    remote::Answer answer;
    answer.status = 2;
    answer.coreCount = 4;
    answer.ratiosCenti[0] = 4300;
    wcscpy(answer.version, L"1.0.0.0");
    int requests = 0, answers = 0;
    run.Run("pipe", [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            if (i % 2) FeedPipeRecord<remote::Request, remote::CPipeCodec::kRequestSize>(g, request, requests);
            else FeedPipeRecord<remote::Answer, remote::CPipeCodec::kAnswerSize>(g, answer, answers);
        }
        if (!run.FullBlock(first, end)) return;
        EXPECT_GT(requests, 0);
        EXPECT_GT(answers, 0);
    });
}

// ---------------------------------------------------- the tuning library

// No zeros: a maximum turbo of 0 is read again after a pause, which would
// only make the run slow without reaching new code.
std::string SdkNumber(Garbage& g, bool blank = true) {
    static const std::vector<std::string> odd = {"nan", "-nan", "inf", "-inf", "-1", "1e308", "-1e308", "40",
                                                 "45", "0.5", "4000", "3e38"};
    if (blank && g.OneIn(8)) return g.OneIn(2) ? "" : "garbage";
    return g.Pick(odd);
}

std::string SdkProfile(Garbage& g) {
    static const std::vector<std::string> cores = {"4", "4", "4", "12", "0", "-1", "-2147483648", "", "nan"};
    static const std::vector<std::string> huge = {"257", "2147483647", "99999999999"};
    static const std::vector<std::string> brands = {
        "Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", "", "CPU @", "CPU @ CPU @ CPU @", " ", "\xE4\xB8\xAD CPU @ nan"};
    std::string p = "[Processor]\r\nBrandString=" +
                    (g.OneIn(10) ? std::string(900, 'B') + " CPU @ 1GHz" : g.Pick(brands)) +
                    "\r\nCoreCount=" + (g.OneIn(15) ? g.Pick(huge) : g.Pick(cores)) + "\r\nOverclockEnabled=1\r\nCoreTunable=1\r\n\r\n";
    static const std::vector<std::string> ids = {"29", "30", "31", "32", "42", "0xD0000002", "0xD0000005",
                                                 "0xD0000002", "0xD0000005"};
    for (int c = g.Int(0, 8); c > 0; --c) {
        p += "[C" + std::to_string(c) + "]\r\nId=" + g.Pick(ids) + "\r\n";
        p += "Name=" + (g.OneIn(3) ? std::string() : g.OneIn(2) ? std::string(200, 'N') : std::string("Ratio")) +
             "\r\n";
        p += "Default=" + SdkNumber(g, false) + "\r\n";
        for (const char* key : {"Active", "Proposed"})
            if (!g.OneIn(4)) p += std::string(key) + "=" + SdkNumber(g) + "\r\n";
        if (g.OneIn(2)) p += "Values=" + SdkNumber(g) + "," + SdkNumber(g) + "," + SdkNumber(g) + "\r\n";
        else p += "Min=" + SdkNumber(g) + "\r\nMax=" + SdkNumber(g) + "\r\nStep=" + SdkNumber(g) + "\r\n";
        p += "\r\n";
    }
    p += "[Faults]\r\n";
    static const std::vector<std::string> counts = {"0", "3", "1024", "1025", "4000000000", "4294967295", "-1"};
    if (g.OneIn(3)) p += "ControlCount=" + g.Pick(counts) + "\r\n";
    return p;
}

bool Finite(const std::string& number) {
    double v = std::strtod(number.c_str(), nullptr);
    return std::isfinite(v) && number.find("nan") == std::string::npos && number.find("inf") == std::string::npos;
}

TEST(GarbledInput, TuningReadersRefuseValuesNoProcessorHas) {
    GarbledRun& run = GarbledRun::Get();
    std::wstring profile = TestPaths::Join(CaseFolder(), L"sdk-profile.ini");
    std::wstring state = TestPaths::Join(CaseFolder(), L"sdk-state.ini");
    ScopedStandInSwitch stateSwitch(L"OverclockingSdkWrapper", L"STATE", state);
    ScopedStandInSwitch profileSwitch(L"OverclockingSdkWrapper", L"PROFILE", profile);
    IOverClockSdkInterface* loader = IOverClockSdkInterface::Instance();
    ASSERT_TRUE(loader->LoadDll()) << "the simulated processor is not beside the test";
    GetAppState().hMainWnd = nullptr;
    run.Run("sdk", [&](int first, int end) {
        LogCapture log;
        int monitorRuns = 0;
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            DeleteFileW(state.c_str());  // a freshly started machine each time
            std::string text = SdkProfile(g);
            run.Keep(i, ".ini", text);
            ASSERT_TRUE(TestPaths::WriteFileBytes(profile, text));
            // Init reads the profile again. A profile without a processor leaves
            // no library to talk to: the readers below must take that too.
            loader->BringUpSdk();

            CGetCpuInfoThread reader;
            reader.GetCPUInformation();
            double turbo = reader.GetCpuInfo()->m_dMaxTurboMHz;
            EXPECT_TRUE(std::isfinite(turbo) && turbo >= 0) << "case " << i << ": " << turbo;

            COverClockThread worker;
            GetAppState().nStatus = g.OneIn(2) ? STATUS_OVERCLOCK_ING : STATUS_REOVERCLOCK_ING;
            worker.Overclocking(true);
            GetAppState().nStatus = STATUS_OVERCLOCK_INIT;

            if (g.OneIn(3)) {
                // One reading: the stop request is there before the first wait.
                CCpuMonitorThread monitor;
                monitor.SetSettingsPathSource(nullptr);
                ASSERT_TRUE(monitor.Start(nullptr));
                monitor.Stop(60000);
                ++monitorRuns;
            }
        }
        std::vector<std::string> texts = log.AllTexts();
        // Every value that came through is a number a processor can have.
        size_t readings = 0;
        for (const std::string& t : texts) {
            size_t at = t.rfind(" GHZ");
            if (at == std::string::npos || at + 4 != t.size()) continue;
            if (t.find("refused") != std::string::npos) continue;
            ++readings;
            EXPECT_TRUE(Finite(t.substr(0, at))) << t;
        }
        for (const std::string& t : texts) {
            if (t.rfind("[AppendControlOverclocking] new_value=", 0) == 0) {
                EXPECT_TRUE(Finite(t.substr(38))) << t;
            }
            if (t.rfind("Max_Turbo_Boost_CPU ", 0) == 0) {
                EXPECT_TRUE(Finite(t.substr(20))) << t;
            }
        }
        // Each monitor run took one reading (shown, refused, not ready or
        // failed), or found no library to read from.
        EXPECT_EQ((size_t)monitorRuns, readings + CountContaining(texts, "GHZ refused") +
                                           CountContaining(texts, "MonitorIsReady  FALSE") +
                                           CountContaining(texts, "[CpuMonitor]  [catch]") +
                                           CountContaining(texts, "[CpuMonitor] NULL == pSdk") +
                                           CountContaining(texts, "[CpuMonitor] IsInitOK FALSE") +
                                           CountContaining(texts, "[CpuMonitor] pMonitoringLib = NULL"))
            << Span(first, end);
        // The refusals this garbage must provoke.
        if (!run.FullBlock(first, end)) return;
        EXPECT_GT(CountContaining(texts, "refused, stays"), 0u);
        EXPECT_GT(CountContaining(texts, "] refused") + CountContaining(texts, "refused, using"), 0u);
        EXPECT_GT(CountContaining(texts, "GetAvailableControls count"), 0u);
        EXPECT_GT(CountContaining(texts, "GHZ refused"), 0u);
        EXPECT_GT(CountContaining(texts, "for control 0x"), 0u);
    });
}

}  // namespace
