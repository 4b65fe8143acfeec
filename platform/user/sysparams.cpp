// System parameters: the metrics and colours of the classic look the layer draws in.
#include "core/display.h"
#include "user/wnd.h"

namespace tw::user {
namespace {

COLORREF SysColor(int index) {
    switch (index) {
    case 1: return RGB(0, 128, 128);    // COLOR_BACKGROUND
    case 2: return RGB(0, 0, 128);      // COLOR_ACTIVECAPTION
    case 3: return RGB(128, 128, 128);  // COLOR_INACTIVECAPTION
    case COLOR_WINDOW: return RGB(255, 255, 255);
    case COLOR_WINDOWFRAME: return RGB(0, 0, 0);
    case 7: return RGB(0, 0, 0);  // COLOR_MENUTEXT
    case COLOR_WINDOWTEXT: return RGB(0, 0, 0);
    case 9: return RGB(255, 255, 255);  // COLOR_CAPTIONTEXT
    case COLOR_BTNFACE: return RGB(192, 192, 192);
    case COLOR_BTNSHADOW: return RGB(128, 128, 128);
    case 17: return RGB(128, 128, 128);  // COLOR_GRAYTEXT
    case COLOR_BTNTEXT: return RGB(0, 0, 0);
    case COLOR_BTNHIGHLIGHT: return RGB(255, 255, 255);
    case COLOR_3DDKSHADOW: return RGB(0, 0, 0);
    case 22: return RGB(192, 192, 192);  // COLOR_3DLIGHT
    case 4: return RGB(192, 192, 192);   // COLOR_MENU
    default: return RGB(0, 0, 0);
    }
}

}  // namespace
}  // namespace tw::user

using namespace tw;
using namespace tw::user;

int WINAPI GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN: return display::Width();
    case SM_CYSCREEN: return display::Height();
    case SM_CXBORDER:
    case SM_CYBORDER: return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME: return 3;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR: return 32;
    case SM_CYCAPTION: return 19;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK: return 4;
    default: return 0;
    }
}

DWORD WINAPI GetSysColor(int index) { return SysColor(index); }

HBRUSH WINAPI GetSysColorBrush(int index) {
    if (index < 0 || index > 30) return nullptr;
    static HBRUSH brushes[31] = {};
    if (!brushes[index] || GetObjectType(brushes[index]) != OBJ_BRUSH) brushes[index] = CreateSolidBrush(SysColor(index));
    return brushes[index];
}
