// The toolkit's own PNG reader: the shipped skin's images and one image of
// every colour type come out as GDI+ gave them, broken files fail without
// harm, and a painted skin leaves the codec library unloaded.
#include <gtest/gtest.h>

#include "duilib/GdiplusHeaders.h"

#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "DuiTestUtil.h"
#include "duilib/GdiplusSession.h"
#include "duilib/PaintManagerUI.h"
#include "duilib/PngDecoder.h"
#include "duilib/SkinImage.h"
#include "support/ChildRun.h"
#include "support/PngBytes.h"
#include "support/TestPaths.h"

namespace {

using DuiLib::CPngDecoder;
using DuiLib::CSkinImage;
using Result = CPngDecoder::Result;
using PngBytes::BigEndian;
using PngBytes::Chunk;
using PngBytes::MakePng;
using PngBytes::Reseal;

constexpr DWORD kChildPassed = 0x600D;

std::wstring SkinDir() { return TestPaths::Join(TestPaths::DistDir(), L"skin"); }

std::vector<std::wstring> SkinPngs() {
    std::vector<std::wstring> files;
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW(TestPaths::Join(SkinDir(), L"png\\*.png").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return files;
    do files.push_back(std::wstring(L"png\\") + fd.cFileName);
    while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return files;
}

std::vector<BYTE> Bytes(const std::string& s) { return std::vector<BYTE>(s.begin(), s.end()); }

// The image's pixels, premultiplied BGRA.
std::vector<DWORD> Pixels(const CSkinImage& image) {
    std::vector<DWORD> pixels(static_cast<size_t>(image.GetWidth()) * image.GetHeight());
    Gdiplus::Rect all(0, 0, image.GetWidth(), image.GetHeight());
    Gdiplus::BitmapData data;
    if (image.GetBitmap()->LockBits(&all, Gdiplus::ImageLockModeRead, PixelFormat32bppPARGB, &data) != Gdiplus::Ok)
        return {};
    for (int y = 0; y < image.GetHeight(); ++y)
        memcpy(&pixels[y * image.GetWidth()], static_cast<BYTE*>(data.Scan0) + y * data.Stride, image.GetWidth() * 4);
    image.GetBitmap()->UnlockBits(&data);
    return pixels;
}

// Decodes the file both ways: the toolkit's reader, and GDI+ as skins were
// read before it; the largest difference of a channel, or -1 when either
// fails or the sizes differ.
int LargestDifference(const std::wstring& file) {
    DuiLib::CGdiplusSession::Ensure();
    const std::string bytes = TestPaths::ReadFileBytes(file);
    CPngDecoder png;
    if (png.Open(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()) != Result::kOk) return -1;
    std::unique_ptr<CSkinImage> mine = CSkinImage::Decode(Bytes(bytes));
    Gdiplus::Bitmap file_(file.c_str());
    std::unique_ptr<CSkinImage> before = CSkinImage::FromImage(file_);
    if (!mine || !before) return -1;
    const std::vector<DWORD> a = Pixels(*mine), b = Pixels(*before);
    if (a.empty() || a.size() != b.size() || mine->GetWidth() != before->GetWidth()) return -1;
    int largest = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int shift = 0; shift < 32; shift += 8)
            largest = std::max(largest, std::abs(static_cast<int>((a[i] >> shift) & 0xFF) - static_cast<int>((b[i] >> shift) & 0xFF)));
    return largest;
}

}  // namespace

// The shipped skin's images, and one made of every colour type (the RGBA
// one holds every colour under every opacity, for the premultiplying's
// rounding).
TEST(PngDecoder, EveryImageDecodesToThePixelsGdiplusGives) {
    std::vector<std::wstring> files;
    for (const std::wstring& rel : SkinPngs()) files.push_back(TestPaths::Join(SkinDir(), rel));
    ASSERT_GE(files.size(), 20u);
    std::string rgba;
    for (int a = 0; a < 256; ++a) {
        rgba += '\0';
        for (int c = 0; c < 256; ++c) rgba += {static_cast<char>(c), static_cast<char>(255 - c), static_cast<char>(c / 2), static_cast<char>(a)};
    }
    const std::string palette = Chunk("PLTE", std::string("\xff\0\0\0\xff\0\0\0\xff\x80\x80\x80", 12)) +
                                Chunk("tRNS", std::string("\x00\x80", 2));
    const std::string made[] = {
        MakePng(256, 256, 6, rgba),
        MakePng(3, 2, 2, std::string("\0\x10\x20\x30\xff\0\x7f\x01\x02\x03\0\x40\x50\x60\x70\x80\x90\xa0\xb0\xc0", 20)),
        MakePng(4, 1, 0, std::string("\0\x00\x7f\x80\xff", 5)),
        MakePng(3, 1, 4, std::string("\0\xff\x80\x40\x01\xc8\xff", 7)),
        MakePng(4, 1, 3, std::string("\0\x00\x01\x02\x03", 5), palette),
    };
    const std::wstring dir = DuiTest::MakeResourceFolder(L"res_png");
    for (size_t i = 0; i < std::size(made); ++i) {
        files.push_back(TestPaths::Join(dir, L"type" + std::to_wstring(i) + L".png"));
        ASSERT_TRUE(DuiTest::WriteText(files.back(), made[i]));
    }
    for (const std::wstring& file : files) EXPECT_EQ(0, LargestDifference(file)) << TestPaths::Narrow(file);
}

TEST(PngDecoder, BrokenFilesFailWithoutHarm) {
    const std::string good = TestPaths::ReadFileBytes(TestPaths::Join(SkinDir(), L"png\\msgbox_close.png"));
    ASSERT_GT(good.size(), 100u);
    const size_t idat = good.find("IDAT");
    ASSERT_NE(std::string::npos, idat);
    auto edit = [&](size_t at, const std::string& with, const char* reseal) {
        std::string s = good;
        s.replace(at, with.size(), with);
        if (reseal) Reseal(s, reseal);
        return s;
    };
    auto flip = [&](size_t at) { return std::string(1, static_cast<char>(good[at] ^ 0x5A)); };
    const size_t adler = good.size() - 12 - 4 - 1;  // its last byte, before the data's CRC and the end chunk
    struct Case {
        std::string name;
        std::string png;
    };
    std::vector<Case> cases = {
        {"byte flipped in the header", edit(17, flip(17), nullptr)},
        {"byte flipped in the image data", edit(idat + 40, flip(idat + 40), nullptr)},
        {"byte flipped in the image data, CRC made right", edit(idat + 40, flip(idat + 40), "IDAT")},
        {"checksum of the data flipped, CRC made right", edit(adler, flip(adler), "IDAT")},
        {"byte flipped in a CRC", edit(29, flip(29), nullptr)},
        {"header length 0x7fffffff", edit(8, "\x7f\xff\xff\xff", nullptr)},
        {"image data length 0x7fffffff", edit(idat - 4, "\x7f\xff\xff\xff", nullptr)},
        {"width 0", edit(16, std::string(4, '\0'), "IHDR")},
        {"width 100000", edit(16, BigEndian(100000), "IHDR")},
        {"too little image data for its height", edit(20, BigEndian(36 * 3 + 1), "IHDR")},
        {"too much image data for its height", edit(20, BigEndian(36 * 3 - 1), "IHDR")},
        {"no image data", good.substr(0, idat - 4) + Chunk("IEND", "")},
        {"data before the header", good.substr(0, 8) + good.substr(idat - 4)},
    };
    // Cut after the signature, in and after the header, in the image data,
    // before and in the end chunk.
    for (size_t cut : {size_t(8), size_t(20), size_t(33), idat + (good.size() - idat) / 2, good.size() - 12,
                       good.size() - 1})
        cases.push_back({"cut at " + std::to_string(cut), good.substr(0, cut)});
    auto outcome = [](const std::string& png) {
        CPngDecoder decoder;
        const Result r = decoder.Open(reinterpret_cast<const uint8_t*>(png.data()), png.size());
        if (r != Result::kOk) return r;
        std::vector<uint8_t> pixels(static_cast<size_t>(decoder.Width()) * decoder.Height() * 4);
        return decoder.Decode(pixels.data(), static_cast<size_t>(decoder.Width()) * 4);
    };
    DuiLib::CGdiplusSession::Ensure();
    for (const auto& c : cases) {
        EXPECT_EQ(Result::kFailed, outcome(c.png)) << c.name;
        EXPECT_EQ(nullptr, CSkinImage::Decode(Bytes(c.png))) << c.name << ": not handed on to GDI+ either";
    }
    // Every byte of the compressed data garbled in turn, its CRC made right:
    // the inflater meets every kind of broken stream. Only the unused bits
    // at the end of the last code may change unseen.
    int decoded = 0;
    for (size_t at = idat + 4; at < adler; ++at) decoded += outcome(edit(at, flip(at), "IDAT")) == Result::kOk;
    EXPECT_LE(decoded, 1);
}

// Run in a process of its own by the next test: nothing else may have
// loaded the codec library before.
TEST(PngDecoderChild, DISABLED_PaintsTheShippedSkinWithoutTheCodecLibrary) {
    ASSERT_EQ(nullptr, ::GetModuleHandleW(L"windowscodecs.dll")) << "loaded before the skin was painted";
    DuiLib::CPaintManagerUI::SetResourcePath(SkinDir().c_str());
    DuiTest::CHostWnd host;
    ASSERT_TRUE(host.Open(L"Velotune_xml\\MsgBox.xml"));
    ::RedrawWindow(host.GetHWND(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    for (const std::wstring& rel : SkinPngs())
        EXPECT_NE(nullptr, host.GetPaintManager().GetImage(rel.c_str())) << TestPaths::Narrow(rel);
    EXPECT_EQ(nullptr, ::GetModuleHandleW(L"windowscodecs.dll"));
    ::DestroyWindow(host.GetHWND());
    // A filter that matched nothing would end the program with 0 too.
    if (!::testing::Test::HasFailure()) ::ExitProcess(kChildPassed);
}

TEST(PngDecoder, APaintedSkinLeavesTheCodecLibraryUnloaded) {
    wchar_t self[MAX_PATH] = {};
    ASSERT_GT(::GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
    EXPECT_EQ(kChildPassed, ChildRun::ExitCodeOf(self, L" --gtest_also_run_disabled_tests "
                                                      L"--gtest_filter=PngDecoderChild.*"));
}
