// The library's one export, found by name with GetProcAddress.
#include "SimProcessor.h"
#include "SimRoot.h"

extern "C" __declspec(dllexport) IOverclockingSdk* OCSDK_CALL GetInterface(void) {
    CSimProcessor& processor = CSimProcessor::Instance();
    // The profile in use may have been switched since the last call.
    processor.Refresh(false);
    processor.Enter("GetInterface");
    return processor.HasRoot() ? CSimRoot::Instance() : nullptr;
}
