// FwUpHost: what the upgrade tool's windows take from their surroundings:
// form timers, message boxes and the short waits, so tests can drive them.
#include "fwupgrade/FwUpHost.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <thread>

namespace {

const char kBoxTitle[] = "Telvic200Cy Firmware Upgrade";

class TQtTimer final : public TFwTimer {
public:
    TQtTimer(const QString& name, QObject* owner) : timer_(owner)
    {
        timer_.setObjectName(name);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            if (OnTimer) OnTimer();
        });
    }
    void SetInterval(int ms) override { timer_.setInterval(ms); }
    int Interval() const override { return timer_.interval(); }
    void SetEnabled(bool enabled) override
    {
        if (enabled)
            timer_.start();
        else
            timer_.stop();
    }
    bool Enabled() const override { return timer_.isActive(); }

private:
    QTimer timer_;
};

class TQtTimerFactory final : public TFwTimerFactory {
public:
    std::unique_ptr<TFwTimer> Create(const QString& name, QObject* owner) override
    {
        return std::make_unique<TQtTimer>(name, owner);
    }
};

class TQtMessages final : public TFwMessages {
public:
    explicit TQtMessages(QObject* parent) : parent_(qobject_cast<QWidget*>(parent)) {}
    void Information(const QString& text) override
    {
        QMessageBox::information(parent_, QString::fromUtf8(kBoxTitle), text);
    }
    void Error(const QString& text) override
    {
        QMessageBox::critical(parent_, QString::fromUtf8(kBoxTitle), text);
    }
    void Beep() override { QApplication::beep(); }

private:
    QWidget* parent_;
};

} // namespace

std::unique_ptr<TFwTimerFactory> CreateQtTimerFactory()
{
    return std::make_unique<TQtTimerFactory>();
}

std::unique_ptr<TFwMessages> CreateQtMessages(QObject* parentWindow)
{
    return std::make_unique<TQtMessages>(parentWindow);
}

TFwSleep BlockingSleep()
{
    return [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };
}
