#include "XdoTool.h"

#include <QTest>

// Starts the built program as a user would and closes its window.
class TestSmoke : public QObject
{
    Q_OBJECT

private slots:
    void startsAndClosesCleanly_data();
    void startsAndClosesCleanly();
    void reportsMissingOpenGL_data();
    void reportsMissingOpenGL();
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

    // Escape leaves it open; closing the window ends it.
    xdo::run({"windowfocus", "--sync", QString::number(window)});
    xdo::keys({"Escape"});
    QVERIFY(!editor.waitForFinished(300));
    xdo::closeWindow(window);
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QCOMPARE(editor.exitCode(), 0);
    QCOMPARE(editor.readAllStandardError(), QByteArray());
}

void TestSmoke::reportsMissingOpenGL_data()
{
    QTest::addColumn<QStringList>("environment");
    QTest::addColumn<bool>("messageBox");
    // Part of the reason given, where it is the test's point.
    QTest::addColumn<QString>("reason");
    QTest::newRow("offscreen platform") << QStringList{"QT_QPA_PLATFORM=offscreen"} << false << QString();
    QTest::newRow("VNC platform") << QStringList{"QT_QPA_PLATFORM=vnc", "QT_VNC_PORT=0"} << false << QString();
    QTest::newRow("X without GL integration") << QStringList{"QT_XCB_GL_INTEGRATION=none"} << true << QString();
    QTest::newRow("broken Mesa driver") << QStringList{"LIBGL_DRIVERS_PATH=/nonexistent"} << true << QString();
    QTest::newRow("core profile only") << QStringList{"MESA_GL_VERSION_OVERRIDE=4.5FC"} << true << QString();
    QTest::newRow("no buffer objects")
        << QStringList{"MESA_GL_VERSION_OVERRIDE=1.4", "LD_PRELOAD=" GL_WITHOUT_BUFFER_OBJECTS} << true
        << "the OpenGL 1.4 context has no buffer objects";
}

// Where no usable OpenGL can be had, the editor says why and fails, without a crash.
void TestSmoke::reportsMissingOpenGL()
{
    QFETCH(QStringList, environment);
    QFETCH(bool, messageBox);
    QFETCH(QString, reason);
    QProcess editor;
    QProcessEnvironment settings = QProcessEnvironment::systemEnvironment();
    for (const QString &setting : environment) {
        const QString name = setting.section('=', 0, 0);
        // Libraries preloaded already (the sanitizer runtime) stay first.
        const QString before = name == "LD_PRELOAD" ? settings.value(name) + ' ' : QString();
        settings.insert(name, before + setting.section('=', 1));
    }
    editor.setProcessEnvironment(settings);
    editor.start(BEZIER_BINARY, {});
    QVERIFY(editor.waitForStarted());
    if (messageBox) {
        const qulonglong box = xdo::waitForWindow(editor.processId(), "Bezier Curves cannot start");
        QVERIFY(box != 0);
        xdo::run({"windowfocus", "--sync", QString::number(box)});
        xdo::run({"key", "--window", QString::number(box), "Return"});
    }
    QVERIFY(editor.waitForFinished(10000));
    QCOMPARE(editor.exitStatus(), QProcess::NormalExit);
    QVERIFY(editor.exitCode() != 0);
    QCOMPARE(editor.readAllStandardOutput(), QByteArray());
    const QString errors = QString::fromLocal8Bit(editor.readAllStandardError());
    QVERIFY2(errors.contains(reason), qPrintable(errors));
    QVERIFY2(errors.contains("Bezier Curves needs OpenGL with display lists and buffer objects (a "
                             "compatibility-profile context), and none could be created on this display: "),
             qPrintable(errors));
}

QTEST_GUILESS_MAIN(TestSmoke)
#include "tst_smoke.moc"
