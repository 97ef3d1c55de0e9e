#include "SimTuningLibrary.h"

#include "SimProcessor.h"

CSimTuningLibrary* CSimTuningLibrary::Instance() {
    static CSimTuningLibrary instance;
    return &instance;
}

SdkBool CSimTuningLibrary::GetAvailableControls(ClientTuningControl* controls, uint32_t capacity,
                                                uint32_t* count) {
    CSimProcessor::Instance().Enter("GetAvailableControls");
    return CSimProcessor::Instance().GetAvailableControls(controls, capacity, count) ? 1 : 0;
}

SdkBool CSimTuningLibrary::GetControl(uint32_t id, ClientTuningControl* control) {
    CSimProcessor::Instance().Enter("GetControl");
    return CSimProcessor::Instance().GetControl(id, control) ? 1 : 0;
}

SdkBool CSimTuningLibrary::IsProcessorCoreTunable() {
    CSimProcessor::Instance().Enter("IsProcessorCoreTunable");
    return CSimProcessor::Instance().IsProcessorCoreTunable() ? 1 : 0;
}

void CSimTuningLibrary::SetOnApplyChangesListener(OnApplyChangesListener* listener) {
    CSimProcessor::Instance().Enter("SetOnApplyChangesListener");
    CSimProcessor::Instance().SetApplyListener(listener);
}

SdkBool CSimTuningLibrary::ApplyChanges(SdkBool /*bRestartRequired*/) {
    // Settings take effect at once here; a required restart is only reported
    // through the propose results.
    CSimProcessor::Instance().Enter("ApplyChanges");
    return CSimProcessor::Instance().ApplyChanges() ? 1 : 0;
}

void CSimTuningLibrary::SetOnProposeChangesListener(OnProposeChangesListener* listener) {
    CSimProcessor::Instance().Enter("SetOnProposeChangesListener");
    CSimProcessor::Instance().SetProposeListener(listener);
}

SdkBool CSimTuningLibrary::ProposeChange(const ClientTuningProposal* proposals, uint32_t count,
                                         ClientTuningProposalResult* results, SdkBool bValidateOnly) {
    CSimProcessor::Instance().Enter("ProposeChange");
    return CSimProcessor::Instance().ProposeChange(proposals, count, results, bValidateOnly != 0) ? 1 : 0;
}
