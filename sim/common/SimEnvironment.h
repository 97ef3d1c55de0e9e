#pragma once
// Shared by the stand-in libraries (linked into each one): their folder,
// their switches and their records. A stand-in takes its switches from
// "<module>.ini" beside itself, section [StandIn], never from the
// environment: it runs inside an elevated program, and its folder is one
// that only an administrator can write once installed.
#include <string>

namespace simcommon {

// The folder of the module this code is linked into, without a trailing
// backslash; empty when it cannot be had.
std::wstring OwnFolder();
// That module's file name without folder and extension ("p2spd").
std::wstring OwnName();

// "<own folder>\<module>.ini", the switch file of `module` (default: the
// module this code is linked into).
std::wstring SwitchFile(const std::wstring& module = OwnName());
// The [StandIn] value `key` of that file; empty when unset.
std::wstring Switch(const wchar_t* key, const std::wstring& module = OwnName());
// The same as a number; 0 when unset.
int SwitchInt(const wchar_t* key, const std::wstring& module = OwnName());
// A path switch: relative to the own folder, or a full path inside it. A
// value that leads outside the own folder is refused with a line in the
// module's record ("<module>.calls.log"); `fallbackName` (a name in the own
// folder) applies then, and when the switch is unset.
std::wstring SwitchPath(const wchar_t* key, const std::wstring& fallbackName, const std::wstring& module = OwnName());
// The full form of `path` when it lies inside `folder`; empty otherwise.
std::wstring InsideFolder(const std::wstring& folder, const std::wstring& path);

// Appends `line` and CR LF to the record file at `path` (created when
// missing); the tests read these files while the library is loaded. A record
// of kRecordCapBytes or more is first renamed to "<path>.old".
constexpr unsigned long kRecordCapBytes = 1024 * 1024;
void AppendLine(const std::wstring& path, const std::string& line);
// The module's own record, "<own folder>\<module>.calls.log".
std::wstring RecordFile(const std::wstring& module = OwnName());

}  // namespace simcommon
