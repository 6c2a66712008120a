#include "system/UtcTime.h"

bool UtcCalendarTime(std::time_t seconds, std::tm& out) {
  return gmtime_r(&seconds, &out) != nullptr;
}
