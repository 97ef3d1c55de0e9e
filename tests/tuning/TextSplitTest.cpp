#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tuning/TextSplit.h"

namespace {
std::vector<std::wstring> Split(const std::wstring& text, const std::wstring& sep) {
    std::vector<std::wstring> pieces{L"left over"};
    size_t n = SplitText(text, sep, pieces);
    EXPECT_EQ(n, pieces.size());
    return pieces;
}
using V = std::vector<std::wstring>;
}  // namespace

TEST(TextSplit, BrandStringAtCpuMarker) {
    EXPECT_EQ((V{L"Dizaz(R) Velox(TM) V7-4760K ", L" 3.60GHz"}),
              Split(L"Dizaz(R) Velox(TM) V7-4760K CPU @ 3.60GHz", L"CPU @"));
    EXPECT_EQ((V{L"Dizaz(R)", L"Velox(TM)", L"V7-4760K"}), Split(L"Dizaz(R) Velox(TM) V7-4760K ", L" "));
}

TEST(TextSplit, EmptyPiecesNeverAppear) {
    EXPECT_EQ((V{L" 3.60GHz"}), Split(L"CPU @ 3.60GHz", L"CPU @"));
    EXPECT_EQ((V{L"a", L"b"}), Split(L"  a   b  ", L" "));
    EXPECT_EQ((V{L"x", L"y"}), Split(L"@@@@@x@@@@@@@@@@y@@@@@", L"@@@@@"));
    EXPECT_EQ(V{}, Split(L"CPU @", L"CPU @"));
    EXPECT_EQ(V{}, Split(L"", L" "));
}

TEST(TextSplit, MatchIsExactAndCaseSensitive) {
    EXPECT_EQ((V{L"Name cpu @ 2GHz"}), Split(L"Name cpu @ 2GHz", L"CPU @"));
    EXPECT_EQ((V{L"Name ", L" 2GHz"}), Split(L"Name CPU @ 2GHz", L"CPU @"));
    // Overlapping candidates: the first occurrence is taken, then the search goes on after it.
    EXPECT_EQ((V{L"a", L"@b"}), Split(L"a@@@@@@b", L"@@@@@"));
}

TEST(TextSplit, EmptySeparatorKeepsTheWholeText) {
    EXPECT_EQ((V{L"abc"}), Split(L"abc", L""));
    EXPECT_EQ(V{}, Split(L"", L""));
}
