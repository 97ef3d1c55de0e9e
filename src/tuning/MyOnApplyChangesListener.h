#pragma once
// Registered with the tuning library on every overclock run; the worker takes
// the outcome from ApplyChanges itself, so the callback is empty.
#include "tuning/OverclockingSdk.h"

class MyOnApplyChangesListener : public ITuningLibrary::OnApplyChangesListener {
public:
    void OCSDK_CALL OnApplyChanges(SdkBool) override {}
};
