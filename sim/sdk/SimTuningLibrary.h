#pragma once
// Reads, proposes and applies the simulated processor's tuning controls.
#include "tuning/OverclockingSdk.h"

class CSimTuningLibrary : public ITuningLibrary {
public:
    static CSimTuningLibrary* Instance();

    SdkBool OCSDK_CALL GetAvailableControls(ClientTuningControl* controls, uint32_t capacity,
                                            uint32_t* count) override;
    SdkBool OCSDK_CALL GetControl(uint32_t id, ClientTuningControl* control) override;
    void OCSDK_CALL Reserved2() override {}
    SdkBool OCSDK_CALL IsProcessorCoreTunable() override;
    void OCSDK_CALL Reserved4() override {}
    void OCSDK_CALL Reserved5() override {}
    void OCSDK_CALL Reserved6() override {}
    void OCSDK_CALL Reserved7() override {}
    void OCSDK_CALL SetOnApplyChangesListener(OnApplyChangesListener* listener) override;
    SdkBool OCSDK_CALL ApplyChanges(SdkBool bRestartRequired) override;
    void OCSDK_CALL SetOnProposeChangesListener(OnProposeChangesListener* listener) override;
    SdkBool OCSDK_CALL ProposeChange(const ClientTuningProposal* proposals, uint32_t count,
                                     ClientTuningProposalResult* results,
                                     SdkBool bValidateOnly) override;
};
