// FwUpHost: what the upgrade tool's windows take from their surroundings:
// form timers, message boxes and the short waits, so tests can drive them.
#pragma once

#include <QString>
#include <functional>
#include <memory>

class QObject;

// A form timer: fires OnTimer every Interval ms while enabled, on the GUI thread.
class TFwTimer {
public:
    virtual ~TFwTimer() = default;
    virtual void SetInterval(int ms) = 0;
    virtual int Interval() const = 0;
    virtual void SetEnabled(bool enabled) = 0;
    virtual bool Enabled() const = 0;
    std::function<void()> OnTimer;
};

class TFwTimerFactory {
public:
    virtual ~TFwTimerFactory() = default;
    virtual std::unique_ptr<TFwTimer> Create(const QString& name, QObject* owner) = 0;
};

// Message boxes and the beep of a good result.
class TFwMessages {
public:
    virtual ~TFwMessages() = default;
    virtual void Information(const QString& text) = 0;
    virtual void Error(const QString& text) = 0;
    virtual void Beep() = 0;
};

using TFwSleep = std::function<void(int ms)>;

// Production implementations: QTimer, QMessageBox, a plain blocking sleep.
std::unique_ptr<TFwTimerFactory> CreateQtTimerFactory();
std::unique_ptr<TFwMessages> CreateQtMessages(QObject* parentWindow);
TFwSleep BlockingSleep();
