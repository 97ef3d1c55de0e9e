#pragma once
// "/RestoreOverclocking": brings the SDK up and puts every core ratio back
// to its default on the calling thread, without a window, and says where
// the processor stands afterwards (read back, not taken from the SDK's
// answer to the apply).
class IOverClockSdkInterface;

class CRestoreWithoutWindow {
public:
    enum class Outcome { AtDefaults, Failed, SdkUnavailable };
    // `loader` null: the process-wide SDK loader.
    static Outcome Run(IOverClockSdkInterface* loader = nullptr);
};
