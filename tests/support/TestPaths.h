#pragma once
// Where a test program finds the build's folders. Test programs live in
// <build>/tests; the install layout is <build>/dist.
#include <string>

namespace TestPaths {
std::wstring TestDir();   // the folder of the running test program
std::wstring DistDir();   // <build>/dist
std::wstring Join(const std::wstring& a, const std::wstring& b);
std::string Narrow(const std::wstring& text, unsigned codePage = 0);  // 0: the ANSI code page (CP_ACP)
std::string ReadFileBytes(const std::wstring& path);  // empty when missing
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
}  // namespace TestPaths
