// The in-memory folder and counters behind the page loader's stand-in calls.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

namespace fuzz {

std::map<std::string, std::vector<unsigned char>>& Files();
int& BoxCount();
int OpenHandles();
void Reset();

}  // namespace fuzz
