#pragma once
// The program's test switches: "Velotune.switches.ini" in the program's own
// folder, section [Switches]. The end-to-end tests use them to reach what
// cannot be caused from outside (a refused worker start, a restart that
// must not happen). They live in a file of the install folder, which only
// an administrator can write, and never in the environment, which an
// unelevated process of the same user can set for the elevated program.
#include <string>

namespace ProgramSwitches {

constexpr const wchar_t* kFileName = L"Velotune.switches.ini";
constexpr const wchar_t* kSection = L"Switches";

// The switch's value; empty when unset or when the file is absent.
std::wstring Value(const wchar_t* key);
bool IsSet(const wchar_t* key);
// Reads the switch and removes it from the file: a switch that holds for
// one start only, not for the copy that start hands over to.
bool Take(const wchar_t* key);

}  // namespace ProgramSwitches
