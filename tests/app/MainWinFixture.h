// MainWinFixture: the real main window offscreen, with a fixed clock, a
// temporary application folder, no ports, and message boxes that record what
// they were asked to show instead of waiting for a click.
#pragma once

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/MainTL200Cy.h"
#include "app/MsgBoxes.h"
#include "link/DefinCyX4.h"
#include "link/VcpPortLister.h"

struct TShownBox {
    char Kind;  // 'I'nformation, 'W'arning, 'P'lain, 'E'rror
    QString Text;
    bool operator==(const TShownBox& o) const { return Kind == o.Kind && Text == o.Text; }
};

inline void PrintTo(const TShownBox& b, std::ostream* os)
{
    *os << b.Kind << ":" << b.Text.toStdString();
}

class TRecordingBoxes : public TMessageBoxes {
public:
    void Information(QWidget*, const QString& t) override { Shown.push_back({'I', t}); }
    void Warning(QWidget*, const QString& t) override { Shown.push_back({'W', t}); }
    void Plain(QWidget*, const QString& t) override { Shown.push_back({'P', t}); }
    void Error(QWidget*, const QString& t) override { Shown.push_back({'E', t}); }
    std::vector<TShownBox> Shown;
};

class MainWinFixture {
public:
    // 2024/10/28 14:05:09, the moment every test window lives in.
    static QDateTime FixedNow() { return QDateTime(QDate(2024, 10, 28), QTime(14, 5, 9)); }

    explicit MainWinFixture(TBuildLang lang, std::vector<std::string> ports = {}) : lister(std::move(ports))
    {
        ResetSharedStateForTest();
        appDir = dir.path().toStdString() + "/";
        win = std::make_unique<TTelvic200CyPrg>(lang);
        win->SetMessageBoxes(&boxes);
        win->SetClock([] { return FixedNow(); });
        win->SetAppDirOverride(appDir);
        win->SetPortLister(&lister);
    }
    ~MainWinFixture()
    {
        if (win) win->Timer1->stop();
        win.reset();
        ResetSharedStateForTest();
    }

    void Show()
    {
        win->show();
        QApplication::processEvents();
    }
    QStringList Lines() const { return win->LogText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    // The log text after the first `skip` lines.
    QStringList LinesFrom(int skip) const { return Lines().mid(skip); }

    QTemporaryDir dir;
    std::string appDir;
    TFixedPortLister lister;
    TRecordingBoxes boxes;
    std::unique_ptr<TTelvic200CyPrg> win;
};

inline const char* LangName(TBuildLang lang)
{
    return lang == TBuildLang::English ? "English" : "Chinese";
}
