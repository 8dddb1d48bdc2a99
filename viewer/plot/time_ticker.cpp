#include "viewer/plot/time_ticker.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace corvex::viewer {

namespace {

constexpr double kMinute = 60 * kLogSecond;
constexpr double kHour = 60 * kMinute;

// Steps between ticks of log times, in days; each divides the next round
// unit of time, so ticks fall on whole minutes, hours and days.
constexpr std::array<double, 22> kSteps{
    kLogSecond,      2 * kLogSecond,  5 * kLogSecond, 10 * kLogSecond, 15 * kLogSecond, 30 * kLogSecond,
    kMinute,         2 * kMinute,     5 * kMinute,    10 * kMinute,    15 * kMinute,    30 * kMinute,
    kHour,           2 * kHour,       3 * kHour,      6 * kHour,       12 * kHour,      1.0,
    2.0,             7.0,             14.0,           28.0};

}  // namespace

double TimeTicker::getTickStep(const QCPRange& range) {
    if (time_at_key_) return std::max(1.0, QCPAxisTicker::getTickStep(range));  // whole records
    const double wanted = range.size() / std::max(1, mTickCount);
    for (const double step : kSteps) {
        if (step >= wanted) return step;
    }
    // Beyond four weeks: a round number of days.
    return QCPAxisTicker::getTickStep(range);
}

int TimeTicker::getSubTickCount(double tickStep) {
    if (time_at_key_) return QCPAxisTicker::getSubTickCount(tickStep);
    const double seconds = std::round(tickStep / kLogSecond);
    for (const int parts : {5, 4, 6, 3, 2}) {
        if (std::fmod(seconds, parts) == 0) return parts - 1;
    }
    return 0;
}

QString TimeTicker::getTickLabel(double tick, const QLocale&, QChar, int) {
    if (!time_at_key_) return text_(tick);
    const std::optional<double> time = time_at_key_(tick);
    return time ? text_(*time) : QString();
}

}  // namespace corvex::viewer
