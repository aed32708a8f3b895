// bench_projects: times the main view refresh, the main checksums and the
// project save and load over a 4 MiB image, and the resident memory of the
// main window with that image in all views. Prints figures; asserts nothing.
#include <QApplication>
#include <QTableView>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <random>
#include <string>

#include "app/MainTL200CyFiles.h"
#include "app/MainTL200Cy.h"
#include "link/DefinCyX4.h"
#include "link/LinkSinks.h"

namespace {

constexpr int kRounds = 5;

class TNullLog : public TLogSink {
public:
    void LogLine(const std::string&) override {}
    void AddLine(const std::string&) override {}
    bool SaveToFile(const std::string&) override { return true; }
};

class TNullBoxes : public TMessageBoxes {
public:
    void Information(QWidget*, const QString&) override {}
    void Warning(QWidget*, const QString&) override {}
    void Plain(QWidget*, const QString&) override {}
    void Error(QWidget*, const QString&) override {}
};

class TQuietMessages : public TPrjMessages {
public:
    void PlainMessage(const std::string&) override {}
    void ErrorMessage(const std::string& t) override { std::printf("load error: %s\n", t.c_str()); }
};

// Best of a few rounds, in milliseconds.
double BestMs(const std::function<void()>& step, const std::function<void()>& prepare = [] {})
{
    double best = 1e9;
    for (int i = 0; i < kRounds; ++i) {
        prepare();
        const auto t0 = std::chrono::steady_clock::now();
        step();
        const auto t1 = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(t1 - t0).count());
    }
    return best;
}

void FillImage(std::uint32_t seed)
{
    std::mt19937 rng(seed);
    for (auto& b : ImageBufs.MainFlashBuf) b = static_cast<std::uint8_t>(rng());
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ResetSharedStateForTest();
    const std::uint32_t last = kMainFlashBufSize - 1;
    CurChip.FamilyCode = 0xC0;
    CurChip.FlashSizeKB = 4096;
    CurChip.SecuSize = 256;
    CurChip.EepSize = 2048;
    CurChip.EccSize = 0x8000;
    CurChip.ChipName = "BENCH-4MiB";
    ImageInfo.TargetEndAddr = last;
    ObjFileLoaded = 1;

    {
        TNullLog log;
        TChecksumViews views(TBuildLang::Chinese, &log, nullptr, nullptr);
        QTableView grid;
        grid.setModel(&views.MainView());
        grid.resize(800, 600);
        grid.show();
        FillImage(1);
        const double first = BestMs([&] {
            views.ShowMainFlash(0, last);
            app.processEvents();
        }, [&] { views.ShowMainFlash(0, 0xFFF); });
        std::uint32_t seed = 2;
        const double changed = BestMs([&] {
            views.ShowMainFlash(0, last);
            app.processEvents();
        }, [&] { FillImage(seed++); });
        const double same = BestMs([&] {
            views.ShowMainFlash(0, last);
            app.processEvents();
        });
        std::printf("main view after a 4 MiB load: new layout %.2f ms, every row changed %.2f ms, "
                    "nothing changed %.2f ms (goal < 50 ms)\n", first, changed, same);
        const double sums = BestMs([&] { views.CalcMainChecksums(0, last); });
        std::printf("CalcMainChecksums over 4 MiB: %.2f ms (goal < 10 ms)\n", sums);
    }

    QTemporaryDir dir;
    const std::string path = dir.filePath("bench.PTV").toStdString();
    const TPrjRandom random = DefaultPrjRandom();
    const double save = BestMs([&] { SaveProjectFile(path, kPrjModelCode, random); });
    TQuietMessages quiet;
    std::uint8_t result = 0;
    const double load = BestMs([&] { result = LoadProjectFile(path, quiet); });
    std::printf("project save of 4 MiB: %.2f ms, load: %.2f ms, result %u (goal < 200 ms each)\n", save, load,
                static_cast<unsigned>(result));

    {
        TTelvic200CyPrg window(TBuildLang::Chinese);
        TNullBoxes boxes;
        window.SetMessageBoxes(&boxes);
        window.Timer1->stop();
        TMainFiles& hookup = window.Files();
        window.show();
        app.processEvents();
        FillImage(9);
        hookup.Views().CalcMainChecksums(0, last);
        hookup.Views().ShowMainFlash(0, last);
        hookup.Views().ShowEccWFlash();
        hookup.Views().ShowEepSFlash();
        for (QTableView* grid : {window.HexViewer, window.SecuDataView, window.ECCDataView, window.EepDataView}) {
            window.ViewPageCtrl->setCurrentWidget(grid->parentWidget());
            app.processEvents();
        }
        std::printf("resident memory, main window with a 4 MiB image in all views: %.1f MB (goal < 150 MB)\n",
                    ResidentKiB() / 1024.0);
    }
    return 0;
}
