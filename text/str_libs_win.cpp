#include <windows.h>

#include "text/str_libs.h"

namespace zeldrium {

TDateTime LocalNow() {
  SYSTEMTIME st{};
  GetLocalTime(&st);
  DateTimeParts p;
  p.Year = st.wYear;
  p.Month = st.wMonth;
  p.Day = st.wDay;
  p.Hour = st.wHour;
  p.Minute = st.wMinute;
  p.Second = st.wSecond;
  p.Msec = st.wMilliseconds;
  TDateTime now = 0;
  EncodeDateTime(p, &now);
  return now;
}

}  // namespace zeldrium
