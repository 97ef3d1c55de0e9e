#pragma once
// Registered with the tuning library on every overclock run; the worker reads
// the proposal results from ProposeChange itself, so the callback is empty.
#include "tuning/OverclockingSdk.h"

class MyOnProposeChangesListener : public ITuningLibrary::OnProposeChangesListener {
public:
    void OCSDK_CALL OnProposeChanges(const ClientTuningProposalResult*, uint32_t) override {}
};
