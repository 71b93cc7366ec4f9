#include <sys/time.h>
#include <time.h>

#include "text/str_libs.h"

namespace zeldrium {

TDateTime LocalNow() {
  timeval tv{};
  gettimeofday(&tv, nullptr);
  const time_t seconds = tv.tv_sec;
  tm local{};
  localtime_r(&seconds, &local);
  DateTimeParts p;
  p.Year = local.tm_year + 1900;
  p.Month = local.tm_mon + 1;
  p.Day = local.tm_mday;
  p.Hour = local.tm_hour;
  p.Minute = local.tm_min;
  // A leap second (60) would make the date invalid.
  p.Second = local.tm_sec > 59 ? 59 : local.tm_sec;
  p.Msec = static_cast<int>(tv.tv_usec / 1000);
  TDateTime now = 0;
  EncodeDateTime(p, &now);
  return now;
}

}  // namespace zeldrium
