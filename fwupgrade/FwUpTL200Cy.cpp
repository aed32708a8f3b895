// FwUpTL200Cy: the firmware upgrade tool of the programmer units.
// Program entry: production link, timers and boxes, then the main window.
#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "fwupgrade/FTDI2xxFwUpCy.h"
#include "fwupgrade/FwUpHost.h"
#include "fwupgrade/MainFwUpCy.h"
#include "fwupgrade/TelvicCY_FmWrV3_RV27.h"

namespace {
int g_quitPipe[2] = {-1, -1};
void OnTerminateSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_quitPipe[1], &byte, 1);
}
} // namespace

int main(int argc, char** argv)
{
    // SIGTERM/SIGINT close the window as the operator would. The handler comes
    // first, so a signal during start-up waits in the socket for the loop.
    const bool quitPipe = ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_quitPipe) == 0;
    if (quitPipe) {
        std::signal(SIGTERM, OnTerminateSignal);
        std::signal(SIGINT, OnTerminateSignal);
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Telvic200Cy Firmware Upgrade"));

    std::unique_ptr<TFtdiDriver> driver = CreateLibFtdiDriver();
    std::unique_ptr<TFwTimerFactory> timers = CreateQtTimerFactory();
    std::unique_ptr<TFwMessages> messages = CreateQtMessages(nullptr);
    const TFwUpServices services{*driver, BuiltInFirmwareImage(), *messages, *timers, BlockingSleep()};
    TFirmWareUG mainWindow(services);

    if (quitPipe) {
        auto* notifier = new QSocketNotifier(g_quitPipe[0], QSocketNotifier::Read, &mainWindow);
        QObject::connect(notifier, &QSocketNotifier::activated, &mainWindow, [&mainWindow] { mainWindow.close(); });
    }
    mainWindow.show();
    return app.exec();
}
