#include <gtest/gtest.h>

#include <string>

#include "mainframe/CpuDialTable.h"

namespace {

// model, D, T, L, s1s, s1e, s2s, s2e, a0, aD, aT, aL, aE, bg, pointer, step
std::wstring Record(const std::wstring& model, const std::wstring& d, const std::wstring& l,
                    const std::wstring& tail = L"") {
    return model + L"@@@@@" + d + L"@@@@@4.2@@@@@" + l +
           L"@@@@@0@@@@@4@@@@@4@@@@@5@@@@@0@@@@@120@@@@@126@@@@@170@@@@@240"
           L"@@@@@png/marks.png@@@@@png/pointer.png@@@@@0.2" + tail;
}

CCpuDialTable TableWith(const std::wstring& record) {
    CCpuDialTable t;
    CpuCustomData e;
    EXPECT_TRUE(CCpuDialTable::ParseRecord(record, e));
    t.Append(e);
    return t;
}

int Angle(const CCpuDialTable& t, float f) {
    int a = -999;
    EXPECT_TRUE(t.AngleOf(f, a)) << f;
    return a;
}

}  // namespace

TEST(CpuDialRecord, ParsesEveryFieldInOrder) {
    CpuCustomData e;
    ASSERT_TRUE(CCpuDialTable::ParseRecord(Record(L"V7-4760K", L"4.0", L"4.5"), e));
    EXPECT_EQ(L"V7-4760K", e.strCPU_Model);
    EXPECT_FLOAT_EQ(4.0f, e.floatDefaultFrenquency);
    EXPECT_FLOAT_EQ(4.2f, e.floatTurboFrenquency);
    EXPECT_FLOAT_EQ(4.5f, e.floatOverclockingFrenquencyLimit);
    EXPECT_FLOAT_EQ(5.0f, e.floatScale2_End);
    EXPECT_EQ(0, e.iAngle_Start);
    EXPECT_EQ(126, e.iAngle_TurboFrenquency);
    EXPECT_EQ(240, e.iAngle_End);
    EXPECT_EQ(L"png/marks.png", e.strImgBg);
    EXPECT_EQ(L"png/pointer.png", e.strImgPointer);
    EXPECT_FLOAT_EQ(0.2f, e.floatOverclockingStep);
}

TEST(CpuDialRecord, ExtraPiecesIgnoredMissingOrEmptyPiecesRefused) {
    CpuCustomData e;
    EXPECT_TRUE(CCpuDialTable::ParseRecord(Record(L"A", L"4", L"5", L"@@@@@extra@@@@@more"), e));
    EXPECT_FLOAT_EQ(0.2f, e.floatOverclockingStep);
    // Two separators in a row drop a piece: 15 pieces, refused.
    std::wstring r = Record(L"A", L"4", L"5");
    r.replace(r.find(L"@@@@@4.2"), 8, L"@@@@@@@@@@");
    EXPECT_FALSE(CCpuDialTable::ParseRecord(r, e));
    EXPECT_FALSE(CCpuDialTable::ParseRecord(L"", e));
    EXPECT_FALSE(CCpuDialTable::ParseRecord(L"garbage \x00ff\x4E2D with no separators", e));
}

TEST(CpuDialRecord, MalformedNumbersReadAsTheirValidPrefix) {
    CpuCustomData e;
    ASSERT_TRUE(CCpuDialTable::ParseRecord(Record(L"A", L" 3.7GHz", L"abc"), e));
    EXPECT_FLOAT_EQ(3.7f, e.floatDefaultFrenquency);
    EXPECT_FLOAT_EQ(0.0f, e.floatOverclockingFrenquencyLimit);
}

TEST(CpuDialTable, FindsTheFirstWholeModelIgnoringCase) {
    CCpuDialTable t;
    CpuCustomData a, b;
    CCpuDialTable::ParseRecord(Record(L"AB-12K", L"4.0", L"4.5"), a);
    CCpuDialTable::ParseRecord(Record(L"ab-12k", L"3.0", L"3.5"), b);
    t.Append(a);
    t.Append(b);
    CpuCustomData out;
    ASSERT_TRUE(t.Find(L"ab-12k", out));
    EXPECT_FLOAT_EQ(4.0f, out.floatDefaultFrenquency);
    EXPECT_FALSE(t.Find(L"AB-12", out));
    EXPECT_FALSE(t.Find(L"AB-12KF", out));
    EXPECT_FALSE(t.Find(L"", out));
}

TEST(CpuDialTable, BuildsTheReferenceExampleTable) {
    CCpuDialTable t = TableWith(Record(L"A", L"4.0", L"4.5"));
    EXPECT_EQ(0u, t.BuildAngles(t.Entries()[0]));
    EXPECT_EQ(101u, t.Angles().size());
    EXPECT_EQ(0, Angle(t, 0.0f));
    EXPECT_EQ(3, Angle(t, 0.1f));
    EXPECT_EQ(60, Angle(t, 2.0f));
    EXPECT_EQ(120, Angle(t, 4.0f));
    EXPECT_EQ(130, Angle(t, 4.1f));
    EXPECT_EQ(160, Angle(t, 4.4f));
    EXPECT_EQ(170, Angle(t, 4.5f));
    EXPECT_EQ(240, Angle(t, 4.6f));
    EXPECT_EQ(240, Angle(t, 10.0f));
    int a = 12345;
    EXPECT_FALSE(t.AngleOf(4.25f, a));
    EXPECT_FALSE(t.AngleOf(10.1f, a));
    EXPECT_EQ(12345, a);  // not written on a miss
}

TEST(CpuDialTable, DefaultThatIsNoWholeTenthGivesOffGridKeys) {
    CCpuDialTable t = TableWith(Record(L"A", L"3.45", L"4.45"));
    t.BuildAngles(t.Entries()[0]);
    EXPECT_EQ(118, Angle(t, 3.4f));  // 120 * 34 / 34.5, truncated
    EXPECT_EQ(120, Angle(t, 3.45f));
    int a;
    EXPECT_FALSE(t.AngleOf(3.5f, a));
}

TEST(CpuDialTable, LimitAboveTenGHzLeavesNoThirdPass) {
    CCpuDialTable t = TableWith(Record(L"A", L"4.0", L"9.95"));
    t.BuildAngles(t.Entries()[0]);
    int a;
    EXPECT_FALSE(t.AngleOf(10.0f, a));
}

TEST(CpuDialTable, PassesThatWouldDivideByZeroAreSkipped) {
    CCpuDialTable zeroDefault = TableWith(Record(L"A", L"0", L"4.5"));
    EXPECT_EQ(unsigned(CCpuDialTable::kSkippedToDefault), zeroDefault.BuildAngles(zeroDefault.Entries()[0]));
    for (auto& kv : zeroDefault.Angles()) EXPECT_TRUE(kv.second >= 0 && kv.second <= 240) << kv.first;

    CCpuDialTable flat = TableWith(Record(L"A", L"4.0", L"4.0"));
    EXPECT_EQ(unsigned(CCpuDialTable::kSkippedToLimit), flat.BuildAngles(flat.Entries()[0]));
    EXPECT_EQ(120, Angle(flat, 4.0f));
    EXPECT_EQ(240, Angle(flat, 4.1f));
}

TEST(CpuDialTable, AbsurdRecordBuildsNothingInsteadOfHanging) {
    CCpuDialTable t = TableWith(Record(L"A", L"-3e30", L"1e12"));
    EXPECT_EQ(unsigned(CCpuDialTable::kOutOfRange), t.BuildAngles(t.Entries()[0]));
    EXPECT_TRUE(t.Angles().empty());
}
