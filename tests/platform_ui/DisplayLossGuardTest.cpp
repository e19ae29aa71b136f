#include "platform/ui/DisplayLossGuard.h"

#include "support/QtPrinters.h"

#include <QScopeGuard>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>

namespace meterix {
namespace {

TEST(DisplayLossGuard, OnlyAWarningOrWorseOnTheGuiThreadWithTheConnectionBrokenMarksTheLoss) {
    struct Row {
        QtMsgType type;
        bool onGuiThread;
        bool broken;
        bool marks;
    };
    const QList<Row> rows{
        {QtWarningMsg, true, true, true},   {QtCriticalMsg, true, true, true}, {QtFatalMsg, true, true, true},
        {QtDebugMsg, true, true, false},    {QtInfoMsg, true, true, false},    {QtWarningMsg, false, true, false},
        {QtWarningMsg, true, false, false},
    };
    for (const Row& r : rows)
        EXPECT_EQ(DisplayLossGuard::marksLoss(r.type, r.onGuiThread, r.broken), r.marks)
            << r.type << " " << r.onGuiThread << " " << r.broken;
}

QStringList passedOn;
void recordMessage(QtMsgType, const QMessageLogContext&, const QString& message) { passedOn.append(message); }

// The warning Qt gives right before it would end the process runs the quit
// sequence once and ends with status 0, unshown; debug lines, warnings while
// the connection holds and warnings of other threads reach the earlier handler.
TEST(DisplayLossGuard, TheWarningOfABrokenConnectionQuitsOnceInsteadOfBeingShown) {
    passedOn.clear();
    const QtMessageHandler before = qInstallMessageHandler(recordMessage);
    // The guard stays for the process, as in the app; the handler from before
    // the test takes over again at the end.
    const auto restore = qScopeGuard([before] { qInstallMessageHandler(before); });
    bool broken = false;
    int quits = 0;
    QList<int> endings;
    DisplayLossGuard::install([&] { return broken; },
                              [&] { ++quits; },
                              [&](int status) { endings.append(status); });

    qWarning("an ordinary warning");
    EXPECT_EQ(quits, 0);
    broken = true;
    qDebug("a debug line");
    std::unique_ptr<QThread> elsewhere(QThread::create([] { qWarning("from another thread"); }));
    elsewhere->start();
    elsewhere->wait();
    EXPECT_EQ(quits, 0);

    qWarning("The X11 connection broke (error 1). Did the X11 server die?");
    EXPECT_EQ(quits, 1);
    EXPECT_EQ(endings, QList<int>{DisplayLossGuard::exitStatus});
    EXPECT_EQ(DisplayLossGuard::exitStatus, 0);
    EXPECT_EQ(passedOn, (QStringList{"an ordinary warning", "a debug line", "from another thread"}));
}

} // namespace
} // namespace meterix
