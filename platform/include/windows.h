// The Win32 API as the program sees it on hosts other than Windows.
// Names, values, structure layouts and signatures follow the real headers; only the subset
// the program calls is declared. Each API area has its own header under tw/.
#pragma once

#include "tw/wintypes.h"
#include "tw/winbase.h"
#include "tw/wingdi.h"
#include "tw/winuser.h"
#include "shellapi.h"
