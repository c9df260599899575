#include "collect/DateTimeText.h"

#include <cmath>
#include <cstdio>
#include <string>

#include "base/Calendar.h"
#include "base/Text.h"

namespace mrv {

std::string CivilDateTimeText(std::int64_t year, int month, int day, int hour, int minute, int second) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%04lld/%02d/%02d %02d:%02d:%02d", static_cast<long long>(year), month, day, hour,
                minute, second);
  return buf;
}

std::string TwoDigits(int n) { return n <= 9 ? "0" + std::to_string(n) : std::to_string(n); }

double UnixTimeToDateTime(std::int64_t seconds) {
  return static_cast<double>(seconds / 86400 + kUnixEpochDateTime) + static_cast<double>(seconds % 86400) / 86400.0;
}

std::string DateTimeText(double dateTime) {
  if (!std::isfinite(dateTime) || std::fabs(dateTime) > 3.0e6) return {};
  std::int64_t days = static_cast<std::int64_t>(std::floor(dateTime));
  std::int64_t ms = std::llround((dateTime - static_cast<double>(days)) * 86400000.0);
  if (ms >= 86400000) {
    ++days;
    ms -= 86400000;
  }
  const CivilDate c = CivilFromDays(days - kUnixEpochDateTime);
  const std::int64_t secs = ms / 1000;
  return CivilDateTimeText(c.year, static_cast<int>(c.month), static_cast<int>(c.day), static_cast<int>(secs / 3600),
                      static_cast<int>(secs / 60 % 60), static_cast<int>(secs % 60));
}

bool ParseDateTimeText(std::string_view text, double& dateTime) {
  int part[6] = {0, 0, 0, 0, 0, 0};
  int count = 0;
  std::size_t i = 0;
  const std::string t = trim(text);
  while (i < t.size() && count < 6) {
    std::size_t j = i;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
    if (j == i || j - i > 6) return false;
    part[count++] = std::stoi(t.substr(i, j - i));
    if (j == t.size()) {
      i = j;
      break;
    }
    const char sep = t[j];
    const char want = count < 3 ? '/' : (count == 3 ? ' ' : ':');
    if (sep != want) return false;
    i = j + 1;
  }
  if (i != t.size() || (count != 3 && count != 5 && count != 6)) return false;
  const int y = part[0], mo = part[1], d = part[2], h = part[3], mi = part[4], s = part[5];
  if (mo < 1 || mo > 12 || d < 1 || d > 31 || h > 23 || mi > 59 || s > 59) return false;
  const std::int64_t days = DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d));
  if (CivilFromDays(days).month != static_cast<unsigned>(mo)) return false;  // 31 in a shorter month
  dateTime = static_cast<double>(days + kUnixEpochDateTime) + (h * 3600 + mi * 60 + s) / 86400.0;
  return true;
}

}  // namespace mrv
