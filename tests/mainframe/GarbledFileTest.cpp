// The garbled-input suite's readers of files and answers that come from
// elsewhere: the skin's PNG images (the toolkit's own decoder) and the
// update engine's answer to a check (its URL and the installer's hash,
// and the file name made from that URL). Each must neither crash nor
// hang; a decoded image has the size its header gave, and the file name
// stays inside the download folder whatever the URL held.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <string>
#include <vector>

#include "GarbledRun.h"
#include "duilib/PngDecoder.h"
#include "support/PngBytes.h"
#include "support/TestPaths.h"
#include "update/InstallerFileName.h"
#include "update/UpdateProcessor.h"
#include "update/UpdateTestSupport.h"

namespace {

using DuiLib::CPngDecoder;
using PngBytes::BigEndian;
using PngBytes::Chunk;

// ------------------------------------------------------------------ images

// The shipped skin's images, the files most cases start from.
std::vector<std::string> SkinImages() {
    std::vector<std::string> files;
    const std::wstring dir = TestPaths::Join(TestPaths::DistDir(), L"skin\\png");
    WIN32_FIND_DATAW fd;
    HANDLE find = ::FindFirstFileW(TestPaths::Join(dir, L"*.png").c_str(), &fd);
    if (find == INVALID_HANDLE_VALUE) return files;
    do files.push_back(TestPaths::ReadFileBytes(TestPaths::Join(dir, fd.cFileName)));
    while (::FindNextFileW(find, &fd));
    ::FindClose(find);
    return files;
}

uint32_t OddNumber(Garbage& g) {
    static const std::vector<uint32_t> odd = {0, 1, 2, 3, 7, 8, 16, 255, 256, 16384, 16385, 65535, 0x7fffffff,
                                              0x80000000, 0xffffffff};
    return g.OneIn(2) ? g.Pick(odd) : static_cast<uint32_t>(g.Int(0, 300));
}

// A small image of any colour type and bit depth the header may name, its
// rows stored uncompressed, sometimes too short or too long.
std::string MadeImage(Garbage& g) {
    static const std::vector<int> types = {0, 2, 3, 4, 6, 1, 5, 7};
    const int w = g.Int(0, 40), h = g.Int(0, 40), type = g.Pick(types);
    const int channels = type == 2 ? 3 : type == 4 ? 2 : type == 6 ? 4 : 1;
    int rows = h * (1 + w * channels);
    if (g.OneIn(4)) rows += g.Int(-rows, 20);
    std::string before;
    if (type == 3 || g.OneIn(8)) before += Chunk("PLTE", g.Bytes(3 * g.Int(0, 260)));
    if (g.OneIn(3)) before += Chunk("tRNS", g.Bytes(g.Int(0, 300)));
    std::string png = PngBytes::MakePng(w, h, static_cast<char>(type), g.Bytes(std::max(rows, 0)), before);
    if (g.OneIn(4)) png[24] = static_cast<char>(g.Pick(std::vector<int>{1, 2, 4, 16, 0, 3, 255}));  // bit depth
    if (g.OneIn(8)) png[28] = 1;  // interlaced
    PngBytes::Reseal(png, "IHDR");
    return png;
}

std::string ImageCase(Garbage& g, const std::vector<std::string>& skin) {
    std::string png = skin.empty() || g.OneIn(2) ? MadeImage(g) : g.Pick(skin);
    for (int k = g.Int(0, 6); k > 0 && !png.empty(); --k) {
        const size_t at = static_cast<size_t>(g.Int(0, static_cast<int>(png.size()) - 1));
        switch (g.Int(0, 5)) {
            case 0: png[at] = static_cast<char>(png[at] ^ (1 << g.Int(0, 7))); break;
            case 1: png.replace(at, 4, BigEndian(OddNumber(g))); break;  // a length, a size, a CRC
            case 2: png.resize(at); break;
            case 3: png.insert(at, g.Bytes(g.Int(1, 16))); break;
            case 4: png.insert(at, png.substr(at, static_cast<size_t>(g.Int(1, 64)))); break;
            default: {  // a header field, made to look right
                const size_t field = static_cast<size_t>(g.Pick(std::vector<int>{16, 20, 24, 25, 26, 27, 28}));
                if (field + 4 <= png.size()) png.replace(field, field < 24 ? 4 : 1, field < 24 ? BigEndian(OddNumber(g))
                                                                                           : g.Bytes(1));
                break;
            }
        }
    }
    // Most edits are made to pass the checksums, so the decoding itself meets them.
    if (!g.OneIn(4))
        for (const char* type : {"IHDR", "PLTE", "tRNS", "IDAT"}) PngBytes::Reseal(png, type);
    return png;
}

TEST(GarbledInput, PngDecoderTakesOnlyWholeImages) {
    GarbledRun& run = GarbledRun::Get();
    const std::vector<std::string> skin = SkinImages();
    EXPECT_FALSE(skin.empty()) << "no skin images in the dist folder";
    run.Run("png", [&](int first, int end) {
        int decoded = 0, refused = 0;
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            const std::string png = ImageCase(g, skin);
            run.Keep(i, ".png", png);
            CPngDecoder decoder;
            if (decoder.Open(reinterpret_cast<const uint8_t*>(png.data()), png.size()) != CPngDecoder::Result::kOk) {
                ++refused;
                continue;
            }
            ASSERT_TRUE(decoder.Width() > 0 && decoder.Height() > 0) << "case " << i;
            // The decoder allows far larger images than these cases can hold
            // data for; such a header fails in Decode, which is not worth a
            // quarter of a gigabyte per case.
            const size_t stride = static_cast<size_t>(decoder.Width()) * 4 + static_cast<size_t>(g.Int(0, 1)) * 4;
            if (stride * static_cast<size_t>(decoder.Height()) > (size_t(1) << 24)) continue;
            std::vector<uint8_t> pixels(stride * static_cast<size_t>(decoder.Height()));
            if (decoder.Decode(pixels.data(), stride) == CPngDecoder::Result::kOk) ++decoded;
            else ++refused;
        }
        if (!run.FullBlock(first, end)) return;
        EXPECT_GT(decoded, 0);
        EXPECT_GT(refused, (end - first) / 4);
    });
}

// ------------------------------------------------------------ update check

// What the engine answers to the case under way.
struct Answer {
    int result = 0;
    std::string url;  // copied without its end when it fills the buffer
    bool hashGiven = false;
    std::string hash;
} g_answer;

int Check(bool, char* szUrl) {
    const size_t n = std::min(g_answer.url.size(), static_cast<size_t>(CUpdateProcessor::kUrlBufferSize));
    std::memcpy(szUrl, g_answer.url.data(), n);
    if (n < static_cast<size_t>(CUpdateProcessor::kUrlBufferSize)) szUrl[n] = 0;
    return g_answer.result;
}

bool Hash(const char*, char* szSha256) {
    const size_t n = std::min(g_answer.hash.size(), static_cast<size_t>(CUpdateProcessor::kHashBufferSize));
    std::memcpy(szSha256, g_answer.hash.data(), n);
    if (n < static_cast<size_t>(CUpdateProcessor::kHashBufferSize)) szSha256[n] = 0;
    return g_answer.hashGiven;
}

std::string UrlText(Garbage& g) {
    static const std::vector<std::string> parts = {
        "http://", "https://", "file:///C:/", "\\\\server\\share\\", "..", ".", "/", "\\", "?", "#", "CON",
        "com1", "LPT9.exe", "nul.txt", "AUX  .exe", " ", ":", "*", "\"", "<", ">", "|", "\x01", "\x7f",
        "\xE4\xB8\xAD", "\xB9", "setup.exe", "%2e%2e", "~1", "...", ". .", "a:b", "x\\..\\..\\y"};
    std::string url;
    if (g.OneIn(10)) return g.Bytes(g.Int(0, 600));
    for (int k = g.Int(0, 12); k > 0; --k) url += g.Pick(parts);
    if (g.OneIn(15)) url += std::string(static_cast<size_t>(g.Int(400, 700)), 'u');
    return url;
}

// The file name, joined to a folder as the window joins it, names a file
// directly inside that folder.
bool StaysInside(const std::wstring& name) {
    const std::wstring folder = L"C:\\download\\";
    wchar_t full[MAX_PATH * 2] = {};
    DWORD n = ::GetFullPathNameW((folder + name).c_str(), MAX_PATH * 2, full, nullptr);
    if (n == 0 || n >= MAX_PATH * 2) return name.size() > MAX_PATH;  // too long to make: no file at all
    const std::wstring got(full, n);
    return got.size() > folder.size() && got.compare(0, folder.size(), folder) == 0 &&
           got.find_first_of(L"\\/", folder.size()) == std::wstring::npos;
}

TEST(GarbledInput, UpdateCheckAnswersGiveAPlainFileName) {
    GarbledRun& run = GarbledRun::Get();
    CUpdateProcessorTestBinding::Bind(&Check, &Hash);
    static const std::vector<int> results = {0, 1, 2, 3, 4, -1, 5, 99, INT_MIN, INT_MAX};
    run.Run("update", [&](int first, int end) {
        for (int i = first; i < end; ++i) {
            Garbage g = run.Case(i);
            g_answer.result = g.Pick(results);
            g_answer.url = UrlText(g);
            g_answer.hashGiven = !g.OneIn(4);
            g_answer.hash = g.OneIn(3) ? g.Bytes(g.Int(0, 80)) : std::string(static_cast<size_t>(g.Int(0, 70)), 'a');
            run.Keep(i, ".txt", g_answer.url + "\n" + g_answer.hash);
            char url[CUpdateProcessor::kUrlBufferSize];
            ASSERT_EQ(g_answer.result, CUpdateProcessor::ManualCheckUpdate(true, url)) << "case " << i;
            const size_t length = strnlen(url, sizeof(url));
            ASSERT_LT(length, sizeof(url)) << "case " << i << ": the URL runs past its buffer";
            EXPECT_LE(CUpdateProcessor::InstallerHash(url).size(), 64u) << "case " << i;
            // As the window takes the URL: in the ANSI code page.
            std::wstring wide(length, L'\0');
            wide.resize(static_cast<size_t>(::MultiByteToWideChar(CP_ACP, 0, url, static_cast<int>(length), &wide[0],
                                                                  static_cast<int>(length))));
            const std::wstring name = InstallerFileName(wide);
            EXPECT_TRUE(StaysInside(name)) << "case " << i << ": \"" << TestPaths::Narrow(name, CP_UTF8) << "\"";
        }
    });
    CUpdateProcessorTestBinding::Unbind();
}

}  // namespace
