#pragma once
// Runs this thread's message loop while a test waits: windows the test owns
// (and the toolkit's timers) only move while their messages are dispatched.
#include <windows.h>

#include <functional>

// Dispatches this thread's messages until `condition` holds (true) or
// `timeoutMs` has passed (false). The timeout is a safety net.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000);
// The same; `afterEachMessage` also runs after every message dispatched, to
// catch a state that lasts for one message only.
bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs,
               const std::function<void()>& afterEachMessage);
// Dispatches every message posted to this thread before the call: for a test
// that looks for what did not happen once all it asked for was handled.
// False after the safety net.
bool PumpQueued(DWORD timeoutMs = 5000);
// Dispatches this thread's messages for `ms`.
void PumpFor(DWORD ms);
