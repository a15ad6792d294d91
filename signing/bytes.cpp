#include "signing/bytes.h"

namespace lw {

namespace {

// Days since 1 January 1970 of a proleptic Gregorian date, and back, by
// whole 400-year eras (146097 days each) so that leap years need no loop.
int64_t daysFromCivil(int64_t year, int month, int day) {
  year -= month <= 2;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, UtcTime* out) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra =
      (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t shiftedMonth = (5 * dayOfYear + 2) / 153;  // March is 0
  out->day = static_cast<int>(dayOfYear - (153 * shiftedMonth + 2) / 5 + 1);
  out->month = static_cast<int>(shiftedMonth < 10 ? shiftedMonth + 3 : shiftedMonth - 9);
  out->year = static_cast<int>(yearOfEra + era * 400 + (out->month <= 2));
}

}  // namespace

UtcTime daysBefore(const UtcTime& when, int days) {
  UtcTime result = when;
  civilFromDays(daysFromCivil(when.year, when.month, when.day) - days, &result);
  return result;
}

}  // namespace lw
