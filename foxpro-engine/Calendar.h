#pragma once
// Dates and date-times: Julian day numbers (as T fields store them), validity, text forms.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "Value.h"

namespace fox {

// Julian Day Number of a Gregorian date (proleptic), and back.
std::int64_t julianDay(int year, int month, int day);
Date dateFromJulianDay(std::int64_t jdn);
bool validDate(int year, int month, int day);  // 0001-01-01 … 9999-12-31

// A date-time from a T field's day number and milliseconds, rounded to the nearest second
// (a value of 23:59:59.999 moves to the next day).
DateTime dateTimeFromJulian(std::int64_t jdn, std::int64_t milliseconds);
// The same with the milliseconds kept, as a T field holds them (`milliseconds` within the day).
DateTime exactDateTimeFromJulian(std::int64_t jdn, std::int64_t milliseconds);
// The date-time rounded to the nearest second (9999-12-31 23:59:59.5 and later stay in the year).
DateTime roundedToSecond(const DateTime& t);

// Text forms accepted when a text value goes into a D or T field:
// "2026-12-06", "2026/12/06", "2026.12.06", "20261206", FoxPro's "{^2026-12-06}" and American
// "12/06/2026"; a time may follow after a blank or "T": "13:45", "13:45:00", "13:45:00.5",
// "01:45:00 PM". Returns nothing when the text is not such a date (or names no real day).
// An empty or blank text is the empty date.
std::optional<DateTime> parseDateTime(std::string_view text, bool* hadTime = nullptr);

// Canonical text: "2026-12-06" and "2026-12-06 13:45:00" ("13:45:00.25" with milliseconds);
// empty dates give "".
std::string formatDate(const Date& d);
std::string formatDateTime(const DateTime& t);

}  // namespace fox
