// ProgEntry: the programmer application's entry: the application object, its
// title, the windows in their order, and the message loop.
#include "app/ProgEntry.h"

#include <QApplication>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "app/MainTL200Cy.h"
#include "app/MainTL200CyFiles.h"
#include "chips/ChipSelCY.h"

namespace {

int g_signalPipe[2] = {-1, -1};

void OnTerminateSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

// SIGTERM and SIGINT close the main window the way a user would, so the exit
// path (closing the port, saving the log) runs as it does on a window close.
// The handler is installed before anything else: a signal that arrives while
// the windows are still being built waits in the socket until the loop runs.
void InstallTerminateSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
        return;
    struct sigaction sa {};
    sa.sa_handler = OnTerminateSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
}

void CloseOnTerminateSignal(QWidget* window)
{
    if (g_signalPipe[0] < 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, window);
    QObject::connect(notifier, &QSocketNotifier::activated, window, [window] {
        char byte;
        [[maybe_unused]] ssize_t n = ::read(g_signalPipe[0], &byte, 1);
        window->close();
    });
}

} // namespace

QString ApplicationTitle(TBuildLang lang)
{
    return lang == TBuildLang::English ? QStringLiteral("Telvic200Cy-English Flash MCU Programmer")
                                       : QStringLiteral("Telvic200Cy Flash MCU Programmer");
}

int RunTelvic200Cy(int argc, char** argv, TBuildLang lang)
{
    InstallTerminateSignals();
    QApplication app(argc, argv);
    app.setApplicationName(ApplicationTitle(lang));
    // The four windows in their order: the main window, the chip dialog, the
    // About box and the fixed-content serial-number dialog.
    TTelvic200CyPrg mainWindow(lang);
    TChipSelForm chipSelForm(lang, mainWindow, &mainWindow);
    mainWindow.OpenChipDialog = [&chipSelForm](int x, int y) { chipSelForm.Execute(x, y); };
    mainWindow.AboutBox();
    mainWindow.Files().ConfigSNForm();
    CloseOnTerminateSignal(&mainWindow);
    mainWindow.show();
    return app.exec();
}
