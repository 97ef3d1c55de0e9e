// Broken skins: every skin file shipped under skin/, cut short and garbled,
// still gives a window (or a clean failure) and one log line naming the
// file and the line; a missing image is logged once.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <random>

#include "DuiTestUtil.h"
#include "duilib/ControlUI.h"
#include "support/TestPaths.h"

using namespace DuiLib;
using namespace DuiTest;

namespace {

void CollectSkins(const std::wstring& root, const std::wstring& rel, std::vector<std::wstring>& out) {
    WIN32_FIND_DATAW fd;
    HANDLE h = ::FindFirstFileW((root + L"\\" + rel + L"*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) CollectSkins(root, rel + name + L"\\", out);
        else if (name.size() > 4 && _wcsicmp(name.c_str() + name.size() - 4, L".xml") == 0) out.push_back(rel + name);
    } while (::FindNextFileW(h, &fd));
    ::FindClose(h);
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
    std::wstring src = from + L"\\*" + L'\0';
    std::wstring dst = to + L'\0';
    SHFILEOPSTRUCTW op = {};
    op.wFunc = FO_COPY;
    op.pFrom = src.c_str();
    op.pTo = dst.c_str();
    op.fFlags = FOF_NO_UI;
    ::SHFileOperationW(&op);
}

std::string BaseName(const std::wstring& rel) {
    size_t slash = rel.find_last_of(L'\\');
    return TestPaths::Narrow(slash == std::wstring::npos ? rel : rel.substr(slash + 1));
}

// Opens the broken skin; the window must come up or fail cleanly, and the
// log must gain at most `maxLines` lines, all naming the file and a line.
int OpenBroken(const std::wstring& rel, int* linesNamed) {
    std::string before = ReadLog();
    {
        CHostWnd host;
        bool opened = host.Open(rel.c_str());
        if (opened) {
            EXPECT_TRUE(::IsWindow(host.GetHWND()));
            host.GetPaintManager().UpdateLayout();
            ::RedrawWindow(host.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
            PumpFor(30);
            ::DestroyWindow(host.GetHWND());
        }
    }
    std::string added = ReadLog().substr(before.size());
    int lines = static_cast<int>(std::count(added.begin(), added.end(), '\n'));
    *linesNamed = CountLines(added, BaseName(rel));
    return lines;
}

}  // namespace

TEST(BadSkins, TruncatedAndGarbledCopiesOfEveryShippedSkin) {
    EnableLog();
    std::wstring shipped = TestPaths::Join(TestPaths::DistDir(), L"skin");
    std::vector<std::wstring> skins;
    CollectSkins(shipped, L"", skins);
    ASSERT_FALSE(skins.empty()) << "no skin files found under " << TestPaths::Narrow(shipped);
    std::wstring dir = MakeResourceFolder(L"res_bad");
    CopyTree(shipped, dir);
    std::mt19937 rng(20261207);
    for (const std::wstring& rel : skins) {
        SCOPED_TRACE(TestPaths::Narrow(rel));
        std::string good = TestPaths::ReadFileBytes(TestPaths::Join(shipped, rel));
        ASSERT_GT(good.size(), 20u);
        std::wstring target = TestPaths::Join(dir, rel);

        // The shipped file: problems of a whole load share one line. (Skins
        // with the program's own elements need its factory, which this
        // generic host lacks: those are reported, as any unknown element.)
        ASSERT_TRUE(WriteText(target, good));
        int named = 0;
        int baseline = OpenBroken(rel, &named);
        EXPECT_LE(baseline, 1);
        if (rel == L"Velotune_xml\\MsgBox.xml") {
            EXPECT_EQ(0, baseline) << "the message box skin is clean";
        }

        for (double cut : {0.25, 0.5, 0.9}) {
            std::string broken = good.substr(0, static_cast<size_t>(good.size() * cut));
            ASSERT_TRUE(WriteText(target, broken));
            int lines = OpenBroken(rel, &named);
            EXPECT_EQ(1, lines) << "cut at " << cut;
            EXPECT_EQ(1, named);
            EXPECT_NE(std::string::npos, ReadLog().rfind(" line ")) << "names the line";
        }
        for (int round = 0; round < 6; ++round) {
            std::string broken = good;
            for (int k = 0; k < 8; ++k) {
                size_t at = rng() % broken.size();
                broken[at] = static_cast<char>("<>\"'=&/\x01\xff#x9"[rng() % 12]);
            }
            ASSERT_TRUE(WriteText(target, broken));
            int lines = OpenBroken(rel, &named);
            EXPECT_LE(lines, 1) << "round " << round;
            EXPECT_EQ(lines, named);
        }
        ASSERT_TRUE(WriteText(target, good));
    }
}

TEST(BadSkins, MissingFilesAndMissingImages) {
    EnableLog();
    std::wstring dir = MakeResourceFolder(L"res_missing");
    int named = 0;
    EXPECT_EQ(1, OpenBroken(L"nothere.xml", &named)) << "a missing skin file: window comes up empty, one line";
    EXPECT_EQ(1, named);

    ASSERT_TRUE(WriteText(dir + L"\\img.xml",
                          "<Window size=\"120,80\">\n<VerticalLayout>\n"
                          "<Label name=\"l\" bkimage=\"file='png/gone.png' source='0,0,4,4'\"/>\n"
                          "</VerticalLayout>\n</Window>\n"));
    EXPECT_EQ(1, OpenBroken(L"img.xml", &named));
    std::string log = ReadLog();
    EXPECT_NE(std::string::npos, log.find("line 3: image file 'png/gone.png' not found"));

    // Set from code at run time: logged once, at the first paint that needs it.
    ASSERT_TRUE(WriteText(dir + L"\\plain.xml", "<Window size=\"120,80\"><Label name=\"l\"/></Window>"));
    std::string before = ReadLog();
    CHostWnd host;
    ASSERT_TRUE(host.Open(L"plain.xml"));
    host.Find(L"l")->SetBkImage(L"png/late.png");
    for (int i = 0; i < 3; ++i) {
        ::RedrawWindow(host.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        PumpFor(20);
    }
    std::string added = ReadLog().substr(before.size());
    EXPECT_EQ(1, CountLines(added, "png/late.png")) << added;
    ::DestroyWindow(host.GetHWND());
}
