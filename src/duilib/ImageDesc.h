#pragma once
// An image description: a plain path, or
// "file='png/x.png' source='l,t,r,b' dest='l,t,r,b' corner='l,t,r,b' fade='255' tint='#AARRGGBB'".
// source is in image pixels; dest is relative to the control's rectangle;
// corner keeps that many border pixels unstretched; tint draws the image's
// shape alone in that colour (a glyph in a system colour).
#include <windows.h>

#include "duilib/DuiString.h"

namespace DuiLib {

class CImageDesc {
public:
    // False (with CAttrParse's error set) for a description it cannot read.
    bool Parse(LPCWSTR description);

    CDuiString sFile;
    RECT rcSource = {0, 0, 0, 0};
    bool bSource = false;
    RECT rcDest = {0, 0, 0, 0};
    bool bDest = false;
    RECT rcCorner = {0, 0, 0, 0};
    BYTE uFade = 255;
    DWORD dwTint = 0;  // 0: the image's own colours
};

}  // namespace DuiLib
