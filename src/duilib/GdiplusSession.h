#pragma once
// GDI+ started once for the process, before the first window paints.
namespace DuiLib {

class CGdiplusSession {
public:
    static void Ensure();
};

}  // namespace DuiLib
