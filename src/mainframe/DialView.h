#pragma once
// The speed dial as the main window drives it: the CPU dial table read from
// the layout, the running processor's entry (face and pointer images, the
// frequency-to-angle table) and the pointer moved to each reading.
#include <string>

#include "mainframe/CpuDialTable.h"

namespace DuiLib {
class CControlUI;
class CSpeedPanleUI;
}  // namespace DuiLib

class CDialView {
public:
    void SetControls(DuiLib::CSpeedPanleUI* panel, DuiLib::CControlUI* marks, DuiLib::CControlUI* readout) {
        m_pPanel = panel;
        m_pLabelMarks = marks;
        m_pReadout = readout;
    }
    // The table's records are the texts of the list's items ("hl_CPU_List");
    // false without the list.
    bool ReadList(DuiLib::CControlUI* list);
    const CCpuDialTable& Table() const { return m_dialTable; }

    // The processor's entry, if listed: images, angle table, application state.
    bool InitCustomData(const std::wstring& model);
    bool GetAngleByFrequency(float floatFrequency, int& angle) const;
    // The pointer to the frequency text; `bDefault` sets the reference angle.
    void SetPanel(const std::wstring& strFrequency, bool bDefault);
    // A reading as words: the dial's value to a screen reader and the text
    // under it, once per reading rather than with every frame of the needle.
    void ShowReading(double ghz);

private:
    DuiLib::CSpeedPanleUI* m_pPanel = nullptr;
    DuiLib::CControlUI* m_pLabelMarks = nullptr;
    DuiLib::CControlUI* m_pReadout = nullptr;
    CCpuDialTable m_dialTable;
    bool m_bPanelDefaultSet = false;
};
