#pragma once
// Tests wait for what they need to see, never for a fixed time: a test that
// sleeps is slow on a quiet machine and fails on a loaded one.
#include <windows.h>

#include <functional>

// Polls `condition` until it holds (true) or `timeoutMs` has passed (false,
// after one last look). The timeout is a safety net, not a measurement.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs);
