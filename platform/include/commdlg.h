// Common dialogs. The print dialog arrives with the printing work.
#pragma once

#include "windows.h"
