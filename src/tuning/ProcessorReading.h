#pragma once
// What the processor holds now, read through the tuning SDK for whoever asks
// from outside the window (the command pipe): its maximum turbo and each
// core's active turbo ratio. Reads only; safe on any thread once the SDK is up.
#include <vector>

class IOverClockSdkInterface;

class CProcessorReading {
public:
    double maxTurboMHz = 0;     // 0: not known
    std::vector<double> ratios;  // by core index, one per control of the core ratio table

    // False when the SDK is not up; what could be read is kept either way.
    // `loader` null: the process-wide SDK loader.
    bool Read(IOverClockSdkInterface* loader = nullptr);
};
