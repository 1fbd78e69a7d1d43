#include "platform/lumo/DateTime.hpp"

#include <cstdio>

namespace Lumo {

namespace {

using namespace std::chrono;

// Reads exactly `count` decimal digits at `pos`, advancing it; nullopt on anything else.
std::optional<int> ReadDigits(std::string_view text, size_t& pos, size_t count)
{
    if (text.size() < pos + count) {
        return std::nullopt;
    }
    int value = 0;
    for (size_t i = 0; i < count; ++i) {
        char c = text[pos + i];
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + (c - '0');
    }
    pos += count;
    return value;
}

bool Expect(std::string_view text, size_t& pos, char c)
{
    if (pos < text.size() && text[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

// Milliseconds of a fraction of 1 to 9 digits at `pos` (after the '.'); extra digits are dropped.
std::optional<int> ReadFraction(std::string_view text, size_t& pos)
{
    size_t start = pos;
    int millis = 0;
    while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9') {
        if (pos - start < 3) {
            millis = millis * 10 + (text[pos] - '0');
        }
        ++pos;
    }
    size_t digits = pos - start;
    if (digits == 0 || digits > 9) {
        return std::nullopt;
    }
    for (size_t i = digits; i < 3; ++i) {
        millis *= 10;
    }
    return millis;
}

// The zone designator: "Z" or "+HH:MM" / "-HH:MM"; returns the offset east of UTC.
std::optional<minutes> ReadZone(std::string_view text, size_t& pos)
{
    if (Expect(text, pos, 'Z')) {
        return minutes(0);
    }
    if (pos >= text.size() || (text[pos] != '+' && text[pos] != '-')) {
        return std::nullopt;
    }
    int sign = text[pos] == '-' ? -1 : 1;
    ++pos;
    auto hh = ReadDigits(text, pos, 2);
    if (!hh || !Expect(text, pos, ':')) {
        return std::nullopt;
    }
    auto mm = ReadDigits(text, pos, 2);
    if (!mm || *hh > 23 || *mm > 59) {
        return std::nullopt;
    }
    return minutes(sign * (*hh * 60 + *mm));
}

}  // namespace

DateTime DateTime::GetUtcDateTime() { return DateTime(floor<milliseconds>(system_clock::now())); }

std::optional<DateTime> DateTime::Create(std::string_view text)
{
    size_t pos = 0;
    auto y = ReadDigits(text, pos, 4);
    bool ok = y && Expect(text, pos, '-');
    auto mo = ok ? ReadDigits(text, pos, 2) : std::nullopt;
    ok = mo && Expect(text, pos, '-');
    auto d = ok ? ReadDigits(text, pos, 2) : std::nullopt;
    ok = d && Expect(text, pos, 'T');
    auto h = ok ? ReadDigits(text, pos, 2) : std::nullopt;
    ok = h && Expect(text, pos, ':');
    auto mi = ok ? ReadDigits(text, pos, 2) : std::nullopt;
    ok = mi && Expect(text, pos, ':');
    auto s = ok ? ReadDigits(text, pos, 2) : std::nullopt;
    if (!s) {
        return std::nullopt;
    }
    int millis = 0;
    if (Expect(text, pos, '.')) {
        auto fraction = ReadFraction(text, pos);
        if (!fraction) {
            return std::nullopt;
        }
        millis = *fraction;
    }
    auto zone = ReadZone(text, pos);
    if (!zone || pos != text.size()) {
        return std::nullopt;
    }
    year_month_day date{year(*y), month(static_cast<unsigned>(*mo)), day(static_cast<unsigned>(*d))};
    if (!date.ok() || *h > 23 || *mi > 59 || *s > 59) {
        return std::nullopt;
    }
    auto local = sys_days(date) + hours(*h) + minutes(*mi) + seconds(*s) + milliseconds(millis);
    auto utc = local - *zone;
    // An offset may push the time out of the years the text form can carry.
    auto utcYear = static_cast<int>(year_month_day(floor<days>(utc)).year());
    if (utcYear < 0 || utcYear > 9999) {
        return std::nullopt;
    }
    return DateTime(utc);
}

DateTime DateTime::FromUnixSeconds(int64_t unixSeconds) { return DateTime(TimePoint(seconds(unixSeconds))); }

std::string DateTime::ToString() const
{
    auto dayPoint = floor<days>(time_);
    year_month_day date(dayPoint);
    hh_mm_ss<milliseconds> clock(time_ - dayPoint);
    const int year = static_cast<int>(date.year());
    if (year < 0 || year > 9999) {
        char text[40];
        std::snprintf(text, sizeof(text), "%04d-%02u-%02uT%02d:%02d:%02d.%03dZ", year,
                      static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                      static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                      static_cast<int>(clock.seconds().count()), static_cast<int>(clock.subseconds().count()));
        return text;
    }
    // The common case digit by digit: lists print thousands of times, where a format costs
    // more than the rest of the conversion.
    std::string text = "0000-00-00T00:00:00.000Z";
    auto put = [&text](size_t end, unsigned value, size_t width) {
        for (size_t i = 0; i < width; ++i, value /= 10) {
            text[end - i] = static_cast<char>('0' + value % 10);
        }
    };
    put(3, static_cast<unsigned>(year), 4);
    put(6, static_cast<unsigned>(date.month()), 2);
    put(9, static_cast<unsigned>(date.day()), 2);
    put(12, static_cast<unsigned>(clock.hours().count()), 2);
    put(15, static_cast<unsigned>(clock.minutes().count()), 2);
    put(18, static_cast<unsigned>(clock.seconds().count()), 2);
    put(22, static_cast<unsigned>(clock.subseconds().count()), 3);
    return text;
}

}  // namespace Lumo
