#pragma once
// Date-time values (days since 1899-12-30, the time of day as the fraction) and the texts the
// record writes them as, "yyyy/mm/dd hh:mm:ss".
#include <cstdint>
#include <string>
#include <string_view>

namespace mrv {

// Two digits at least: 7 gives "07".
std::string TwoDigits(int n);
// A civil date and time as "yyyy/mm/dd hh:mm:ss".
std::string CivilDateTimeText(std::int64_t year, int month, int day, int hour, int minute, int second);
// Seconds since 1970-01-01 as a date-time value: days since 1899-12-30 with the time of day as
// the fraction. No time-zone shift.
double UnixTimeToDateTime(std::int64_t seconds);
// A date-time value as "yyyy/mm/dd hh:mm:ss".
std::string DateTimeText(double dateTime);
// "yyyy/mm/dd hh:mm:ss" (or a date alone) back to a date-time value; false when it is not one.
bool ParseDateTimeText(std::string_view text, double& dateTime);

}  // namespace mrv
