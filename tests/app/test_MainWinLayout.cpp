// What the operator sees of the main window at its start size, in both builds: log lines wrap
// instead of running past the memo's edge, the button row ends with the whole port list, the
// Main Flash view shows every column, and Space or Enter on a focused option box starts Auto
// without changing the box. Narrowed, the window keeps each hex grid in its page, scrolling
// sideways, and the log's scroll bar on screen.
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTextBlock>

#include <algorithm>

#include "tests/app/MainWinFixture.h"

namespace {

class Layout : public ::testing::TestWithParam<TBuildLang> {
protected:
    Layout() : f(GetParam()) { f.Show(); }
    bool English() const { return GetParam() == TBuildLang::English; }
    // The widget's rectangle in the window's coordinates.
    QRect InWindow(const QWidget* w) const { return QRect(w->mapTo(f.win.get(), QPoint(0, 0)), w->size()); }
    MainWinFixture f;
};

TEST_P(Layout, LogWrapsLongLinesAndSavesEachAsOneLine)
{
    QPlainTextEdit* memo = f.win->InfoMemo;
    const QString text = QStringLiteral("Control Setting: ") + QStringLiteral("芯片1 ：写Security Data操作成功！ ").repeated(8);
    f.win->LogLine(text);
    QApplication::processEvents();
    const QTextBlock block = memo->document()->lastBlock();
    ASSERT_EQ(block.text(), QStringLiteral("> 14:05:09 ") + text);
    EXPECT_GT(block.layout()->lineCount(), 2);
    EXPECT_EQ(memo->horizontalScrollBar()->maximum(), 0);  // nothing runs past the right edge
    // Still two lines (greeting and this one) for the six-line rule and in the saved log.
    EXPECT_EQ(f.win->LogLineCount(), 2);
    const std::string path = f.appDir + "saved.log";
    ASSERT_TRUE(f.win->SaveToFile(path));
    QFile saved(QString::fromStdString(path));
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(saved.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], QStringLiteral("> 14:05:09 ") + text);
}

TEST_P(Layout, ButtonRowEndsWithTheWholePortListInsideTheWindow)
{
    QComboBox* ports = f.win->ComboBoxCOM;
    ASSERT_EQ(ports->currentText(), QStringLiteral("No Device Availiable!"));
    const QRect window = f.win->rect();
    EXPECT_TRUE(window.contains(InWindow(ports))) << InWindow(ports).right() << " > " << window.right();
    EXPECT_GE(ports->lineEdit()->width(), ports->lineEdit()->fontMetrics().horizontalAdvance(ports->currentText()));
    // Every caption of the row is shown whole: no button squeezed below its size.
    for (QWidget* w : f.win->PanelBtns->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (!w->isVisible() || w == ports)
            continue;
        EXPECT_GE(w->width(), w->sizeHint().width()) << w->objectName().toStdString();
        EXPECT_TRUE(window.contains(InWindow(w))) << w->objectName().toStdString();
    }
}

TEST_P(Layout, MainFlashShowsSixteenByteColumnsAndTheTextColumn)
{
    // A 16 KB PSoC 1 image whose rows hold every printable character.
    CurChip.FamilyCode = 0x2C;
    for (std::size_t i = 0; i < 0x4000; ++i) ImageBufs.MainFlashBuf[i] = static_cast<std::uint8_t>(0x20 + i % 0x60);
    f.win->ShowMainFlash(0, 0x3FFF);
    f.win->ViewPageCtrl->setCurrentWidget(f.win->TabSheetMain);
    QApplication::processEvents();
    QTableView* view = f.win->HexViewer;
    ASSERT_EQ(view->model()->rowCount(), 1024);
    ASSERT_EQ(view->model()->columnCount(), 18);
    ASSERT_TRUE(view->verticalScrollBar()->isVisible());
    EXPECT_EQ(view->horizontalScrollBar()->maximum(), 0);
    const int last = view->columnViewportPosition(17) + view->columnWidth(17);
    EXPECT_LE(last, view->viewport()->width());
    // No cell text (with the margins the style draws it in) and no column header is cut.
    const QFontMetrics cells = view->fontMetrics();
    const QFontMetrics header = view->horizontalHeader()->fontMetrics();
    const int margins = 2 * (view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1);
    for (int c = 0; c < 18; ++c) {
        int widest = header.horizontalAdvance(view->model()->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < 8; ++r)
            widest = std::max(widest, cells.horizontalAdvance(view->model()->index(r, c).data().toString()) + margins);
        EXPECT_GE(view->columnWidth(c), widest) << "column " << c;
    }
    EXPECT_EQ(view->model()->index(3, 17).data().toString(), QStringLiteral("PQRSTUVWXYZ[\\]^_"));
}

// Narrowed below its start width, the window keeps each hex grid (main, security, ECC/WFlash,
// EEP/SFlash) inside its page, and the columns that no longer fit are reached by scrolling
// sideways; at the start width every column shows without scrolling.
TEST_P(Layout, HexGridsStayInTheirPagesAndScrollWhenTheWindowNarrows)
{
    // The chip set-up shows the ECC and EEP pages only for chips that have them.
    f.win->SetControlVisible("TabSheetECC", true);
    f.win->SetControlVisible("TabSheetEEP", true);
    const struct {
        QWidget* page;
        QTableView* grid;
    } grids[] = {{f.win->TabSheetMain, f.win->HexViewer},
                 {f.win->TabSheetSecu, f.win->SecuDataView},
                 {f.win->TabSheetECC, f.win->ECCDataView},
                 {f.win->TabSheetEEP, f.win->EepDataView}};
    const struct {
        int width;  // 0: the start width
        bool columnsFit;
    } widths[] = {{0, true}, {866, false}, {700, false}};
    for (const auto& w : widths) {
        if (w.width) f.win->resize(w.width, f.win->height());
        for (const auto& g : grids) {
            SCOPED_TRACE(g.grid->objectName().toStdString() + " at " + std::to_string(f.win->width()));
            f.win->ViewPageCtrl->setCurrentWidget(g.page);
            QApplication::processEvents();
            ASSERT_EQ(f.win->ViewPageCtrl->currentWidget(), g.page);
            EXPECT_TRUE(g.page->rect().contains(g.grid->geometry())) << g.grid->geometry().right() << " > " << g.page->width();
            EXPECT_TRUE(f.win->rect().contains(InWindow(g.page)));
            const int columns = g.grid->horizontalHeader()->length();
            EXPECT_EQ(columns <= g.grid->viewport()->width(), w.columnsFit) << columns << " in " << g.grid->viewport()->width();
            EXPECT_EQ(g.grid->horizontalScrollBar()->maximum() > 0, !w.columnsFit);
        }
    }
}

// The log's scroll bar stays on screen down to the narrowest window each build allows: the
// Chinese build its minimum width, the English build any width, here one narrower than the
// log alone. While there is room, the pages give way and the log keeps its width.
TEST_P(Layout, LogScrollBarStaysInsideTheWindowAtEveryWidth)
{
    const QWidget* log = f.win->findChild<QWidget*>(QStringLiteral("PanelLog"));
    ASSERT_NE(log, nullptr);
    const QScrollBar* bar = f.win->InfoMemo->verticalScrollBar();
    const int logWidth = log->width();
    const struct {
        int width;
        bool logKeepsItsWidth;
    } widths[] = {{f.win->width(), true}, {866, true}, {700, true},
                  {English() ? 300 : TTelvic200CyPrg::kMinWidthAsked, false}};
    for (const auto& w : widths) {
        f.win->resize(w.width, f.win->height());
        QApplication::processEvents();
        ASSERT_EQ(f.win->width(), w.width);
        EXPECT_TRUE(bar->isVisible()) << w.width;
        EXPECT_TRUE(f.win->rect().contains(InWindow(bar))) << w.width << ": " << InWindow(bar).right();
        if (w.logKeepsItsWidth) EXPECT_EQ(log->width(), logWidth) << w.width;
    }
}

INSTANTIATE_TEST_SUITE_P(Builds, Layout, ::testing::Values(TBuildLang::Chinese, TBuildLang::English),
                         [](const auto& info) { return std::string(LangName(info.param)); });

// Space or Enter on a focused check box or radio button: the automatic sequence starts (with no
// chip chosen it logs its start line and asks for the chip), and the box stays as it was, never
// drawn pressed.
TEST(OptionBoxKeys, SpaceOrEnterStartsAutoAndLeavesTheBoxAlone)
{
    const struct {
        const char* control;
        Qt::Key key;
    } cases[] = {
        {"ChkBoxEnID", Qt::Key_Space}, {"ChkBoxXres", Qt::Key_Return},     {"ChkBoxBlkEr", Qt::Key_Enter},
        {"RadioGpVoltItem0", Qt::Key_Space}, {"RadioGpVoltItem2", Qt::Key_Return},
    };
    for (TBuildLang lang : {TBuildLang::Chinese, TBuildLang::English}) {
        MainWinFixture f(lang);
        f.Show();
        f.win->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(f.win.get()));
        const QString startLine = lang == TBuildLang::English
                                      ? QStringLiteral("...........................................")
                                      : QStringLiteral("> 14:05:09 ---------------------------------------------------");
        int runs = 0;
        for (const auto& c : cases) {
            SCOPED_TRACE(std::string(LangName(lang)) + " " + c.control);
            auto* box = f.win->findChild<QAbstractButton*>(QLatin1String(c.control));
            ASSERT_NE(box, nullptr);
            const bool before = box->isChecked();
            box->setFocus();
            ASSERT_EQ(QApplication::focusWidget(), box);
            QTest::keyPress(box, c.key);
            EXPECT_FALSE(box->isDown());
            QTest::keyRelease(box, c.key);
            EXPECT_EQ(box->isChecked(), before);
            EXPECT_FALSE(box->isDown());
            EXPECT_EQ(f.Lines().count(startLine), ++runs);
        }
    }
}

} // namespace
