// Ticks of the plot's time axis. The axis keys are log times (days since
// 1899-12-30) or, for a log whose times cannot place its records, record
// indices (see data::Timeline). Ticks of log times fall on round seconds,
// minutes, hours or days; each tick is labelled with the text a caller gives
// for the time there (the viewer uses the general date text).
#pragma once

#include <functional>
#include <optional>

#include <QString>
#include <qcustomplot.h>

namespace corvex::viewer {

// One second of log time, in days.
inline constexpr double kLogSecond = 1.0 / 86400.0;

class TimeTicker final : public QCPAxisTicker {
public:
    // The label of a log time.
    using TimeText = std::function<QString(double time)>;
    // The log time at a key, when the keys are record indices; none where
    // no record lies.
    using TimeAtKey = std::function<std::optional<double>(double key)>;

    explicit TimeTicker(TimeText text) : text_(std::move(text)) {}

    // Keys are log times (an empty function) or record indices.
    void set_time_at_key(TimeAtKey time_at_key) { time_at_key_ = std::move(time_at_key); }

protected:
    double getTickStep(const QCPRange& range) override;
    int getSubTickCount(double tickStep) override;
    QString getTickLabel(double tick, const QLocale& locale, QChar formatChar, int precision) override;

private:
    TimeText text_;
    TimeAtKey time_at_key_;
};

}  // namespace corvex::viewer
