// Test helpers for the upgrade tool's windows: timers that fire only when the
// test says so, and message boxes that are recorded instead of shown.
#pragma once

#include <QString>
#include <QStringList>
#include <map>
#include <memory>

#include "fwupgrade/FwUpHost.h"

class TManualTimer final : public TFwTimer {
public:
    void SetInterval(int ms) override { interval_ = ms; }
    int Interval() const override { return interval_; }
    void SetEnabled(bool enabled) override { enabled_ = enabled; }
    bool Enabled() const override { return enabled_; }
    // One tick, as the form timer gives while enabled.
    bool Fire()
    {
        if (!enabled_ || !OnTimer) return false;
        ++fired;
        OnTimer();
        return true;
    }
    int fired = 0;

private:
    int interval_ = 0;
    bool enabled_ = false;
};

class TManualTimers final : public TFwTimerFactory {
public:
    std::unique_ptr<TFwTimer> Create(const QString& name, QObject*) override
    {
        auto timer = std::make_unique<TManualTimer>();
        byName[name] = timer.get();
        return timer;
    }
    TManualTimer& operator[](const QString& name) { return *byName.at(name); }
    std::map<QString, TManualTimer*> byName;
};

class TRecordedMessages final : public TFwMessages {
public:
    void Information(const QString& text) override { information << text; }
    void Error(const QString& text) override { errors << text; }
    void Beep() override { ++beeps; }
    QStringList information;
    QStringList errors;
    int beeps = 0;
};
