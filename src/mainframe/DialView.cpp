#include "mainframe/DialView.h"

#include <cstdio>
#include <cstdlib>

#include "duilib/ContainerUI.h"
#include "log/BaseLog.h"
#include "speeddial/SpeedPanleUI.h"
#include "state/AppState.h"

using namespace DuiLib;

bool CDialView::ReadList(CControlUI* found) {
    CContainerUI* list = found ? static_cast<CContainerUI*>(found->GetInterface(L"Container")) : nullptr;
    if (!list) return false;
    for (int i = 0; i < list->GetCount(); ++i) {
        CControlUI* item = list->GetItemAt(i);
        if (!item) continue;
        CDuiString text = item->GetText();
        VLOG("%S", text.GetData());
        CpuCustomData entry;
        if (CCpuDialTable::ParseRecord(text.GetData(), entry)) m_dialTable.Append(entry);
    }
    return true;
}

bool CDialView::InitCustomData(const std::wstring& model) {
    if (model.empty()) return false;
    CpuCustomData entry;
    if (!m_dialTable.Find(model, entry)) return false;
    CCpuDialTable::Trace(entry);

    unsigned skipped = m_dialTable.BuildAngles(entry);
    if (skipped & CCpuDialTable::kOutOfRange)
        VLOG("dial table entry %S: frequencies out of range, no angle table", entry.strCPU_Model.c_str());
    if (skipped & CCpuDialTable::kSkippedToDefault)
        VLOG("dial table entry %S: pass to the default frequency skipped (D = 0)", entry.strCPU_Model.c_str());
    if (skipped & CCpuDialTable::kSkippedToLimit)
        VLOG("dial table entry %S: pass from the default to the limit skipped (L = D)", entry.strCPU_Model.c_str());

    if (m_pLabelMarks) m_pLabelMarks->SetBkImage(entry.strImgBg.c_str());
    if (m_pPanel && m_pPanel->m_sPointImage != entry.strImgPointer.c_str()) {
        m_pPanel->m_sPointImage = entry.strImgPointer.c_str();
        m_pPanel->m_bPointImageChanged = true;
        m_pPanel->Invalidate();
    }
    AppState& state = GetAppState();
    // A run on the worker may read the entry as soon as the flag is up.
    state.stCustomData = entry;
    state.g_bThisCPUHaveCustomData.store(true, std::memory_order_release);
    return true;
}

bool CDialView::GetAngleByFrequency(float floatFrequency, int& angle) const {
    int found = 0;
    const bool known = m_dialTable.AngleOf(floatFrequency, found);
    VLOG("%S", CCpuDialTable::TraceLookup(floatFrequency, known, found).c_str());
    if (known) angle = found;
    return known;
}

void CDialView::SetPanel(const std::wstring& strFrequency, bool bDefault) {
    VLOG("CMainFrame::SetPanel: strFrequency=%S", strFrequency.c_str());
    int offset;
    if (GetAppState().g_bThisCPUHaveCustomData) {
        float f = strFrequency.empty() ? 0.0f : (float)_wtof(strFrequency.c_str());
        VLOG("CMainFrame::SetPanel: floatFrequency=%0.2f", f);
        int angle = 0;
        if (!GetAngleByFrequency(f, angle)) return;
        offset = angle + 30;
    } else {
        // Texts shorter than " d.d" have no tenths digit to read: offset 0.
        int nImageNum = 0;
        if (strFrequency.size() >= 4) nImageNum = 10 * strFrequency[1] + strFrequency[3] - 528;
        VLOG("CMainFrame::SetPanel: nImageNum=%d", nImageNum);
        offset = nImageNum * 4;
    }
    if (bDefault) {
        VLOG("SetDefaultAngle : %d", offset);
        if (m_pPanel) m_pPanel->SetDefaultAngle(offset);
        m_bPanelDefaultSet = true;
    }
    if (m_bPanelDefaultSet) {
        VLOG("SetEndAngle:%d", offset);
        if (m_pPanel) {
            // The dial starts no walk where the pointer stays, and none while
            // the window is hidden, minimised or covered.
            m_pPanel->m_nStep = 1;
            m_pPanel->WalkTo(offset);
        }
    }
}

void CDialView::ShowReading(double ghz) {
    wchar_t text[32];
    std::swprintf(text, 32, L"%.1f GHz", ghz);
    if (m_pPanel) m_pPanel->SetAccessibleValue(text);
    if (m_pReadout && m_pReadout->GetText() != text) m_pReadout->SetText(text);
}
