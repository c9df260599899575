// The day count of civil dates, against GNU date's count of the same days
// (`date -u -d 2000-03-01 +%s` divided by 86400).
#include <gtest/gtest.h>

#include "base/Calendar.h"

using namespace mrv;

TEST(Calendar, DaysAndDatesAsGnuDateCountsThem) {
  struct Day {
    std::int64_t year;
    unsigned month, day;
    std::int64_t days;
  };
  const Day days[] = {
      {1970, 1, 1, 0},           {2000, 2, 29, 11016}, {2000, 3, 1, 11017},
      {1899, 12, 30, -25569},    {2026, 12, 8, 20795}, {1601, 1, 1, -134774},
  };
  for (const Day& d : days) {
    EXPECT_EQ(DaysFromCivil(d.year, d.month, d.day), d.days) << d.year << "-" << d.month << "-" << d.day;
    const CivilDate c = CivilFromDays(d.days);
    EXPECT_EQ(c.year, d.year) << d.days;
    EXPECT_EQ(c.month, d.month) << d.days;
    EXPECT_EQ(c.day, d.day) << d.days;
  }
  EXPECT_EQ(kUnixEpochDateTime, -DaysFromCivil(1899, 12, 30));
  // 1900 is no leap year, 2000 is: the day after February 28th
  EXPECT_EQ(CivilFromDays(DaysFromCivil(1900, 2, 28) + 1).month, 3u);
  EXPECT_EQ(CivilFromDays(DaysFromCivil(2000, 2, 28) + 1).day, 29u);
}
