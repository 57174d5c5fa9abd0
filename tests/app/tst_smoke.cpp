#include "XdoTool.h"

#include <QTest>

// Starts the built program as a user would and closes its window.
class TestSmoke : public QObject
{
    Q_OBJECT

private slots:
    void startsAndClosesCleanly_data();
    void startsAndClosesCleanly();
};

void TestSmoke::startsAndClosesCleanly_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("no arguments") << QStringList{};
    QTest::newRow("junk arguments") << QStringList{"--no-such-option", "-zz", "junk.txt", "42", "--"};
}

void TestSmoke::startsAndClosesCleanly()
{
    QFETCH(QStringList, arguments);
    QProcess editor;
    editor.start(BEZIER_BINARY, arguments);
    QVERIFY(editor.waitForStarted());
    const qulonglong window = xdo::waitForWindow(editor.processId(), "Bezier Curves");
    QVERIFY(window != 0);
    QCOMPARE(xdo::geometry(window).size(), QSize(713, 563));

    xdo::run({"windowfocus", "--sync", QString::number(window)});
    xdo::run({"key", "--window", QString::number(window), "Escape"});
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
