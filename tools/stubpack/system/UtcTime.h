// A moment in seconds since 1970 as the UTC calendar's fields.
#pragma once
#include <ctime>

bool UtcCalendarTime(std::time_t seconds, std::tm& out);
