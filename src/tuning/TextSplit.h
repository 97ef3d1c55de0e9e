#pragma once
// Splits a text at every exact (case-sensitive) occurrence of a separator.
// Empty pieces never appear: "CPU @ 3.0" split at "CPU @" gives one piece.
#include <string>
#include <vector>

// Clears `pieces` first; returns the number of pieces. An empty separator
// leaves the whole text as the only piece (when it is not empty).
size_t SplitText(const std::wstring& text, const std::wstring& separator,
                 std::vector<std::wstring>& pieces);
