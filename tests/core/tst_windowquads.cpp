#include "core/WindowQuads.h"

#include <QTest>

using namespace bezier;

class TestWindowQuads : public QObject
{
    Q_OBJECT

private slots:
    void quads_data();
    void quads();
    void dashes_data();
    void dashes();
    void halfWidthNeverBelowHalfAPixel_data();
    void halfWidthNeverBelowHalfAPixel();
};

using Points = std::vector<WindowPoint>;
Q_DECLARE_METATYPE(Points)
Q_DECLARE_METATYPE(LineKind)

void TestWindowQuads::quads_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<LineKind>("kind");
    QTest::addColumn<int>("vertices");

    // A strip's segments along one axis share corners: 2 + 2 per segment.
    QTest::newRow("strip along x") << Points{{0.5, 5, 0}, {10.5, 5, 0}, {20.5, 6, 0}} << LineKind::Strip << 6;
    // Turning to the other axis widens the other way: joined by two repeated vertices.
    QTest::newRow("strip turning") << Points{{0.5, 5, 0}, {10.5, 5, 0}, {10.5, 20, 0}} << LineKind::Strip << 10;
    // Separate segments never share corners, even where one ends at the next's start.
    QTest::newRow("segments") << Points{{0.5, 5, 0}, {10.5, 5, 0}, {10.5, 5, 0}, {20.5, 5, 0}} << LineKind::Segments
                              << 10;
    // Between 2.6 and 3.4 lies no pixel centre (x.5): left out; from 2.6 to 3.5 one is reached.
    QTest::newRow("no pixel centre") << Points{{2.6, 5, 0}, {3.4, 5.1, 0}} << LineKind::Strip << 0;
    QTest::newRow("one pixel centre") << Points{{2.6, 5, 0}, {3.5, 5.1, 0}} << LineKind::Strip << 4;
    // Within the driver's snap margin of a centre counts as reaching it.
    QTest::newRow("within the snap margin") << Points{{2.6, 5, 0}, {3.45, 5, 0}} << LineKind::Strip << 4;
    // A left-out segment breaks the strip: the next is joined anew.
    QTest::newRow("strip with a gap") << Points{{0.5, 5, 0}, {10.6, 5, 0}, {10.9, 5, 0}, {20.5, 5, 0}}
                                      << LineKind::Strip << 10;
    QTest::newRow("points") << Points{{1, 1, 0}, {5, 5, 0}} << LineKind::Points << 10;
    QTest::newRow("one point strip") << Points{{1, 1, 0}} << LineKind::Strip << 0;
}

void TestWindowQuads::quads()
{
    QFETCH(Points, points);
    QFETCH(LineKind, kind);
    QFETCH(int, vertices);
    std::vector<float> strip{7.0f, 7.0f, 7.0f};
    const std::size_t added = appendLineQuads(points.data(), points.size(), kind, 1.5f, strip);
    QCOMPARE(static_cast<int>(added), vertices);
    // What was there stays; each vertex is x, y, z.
    QCOMPARE(strip.size(), 3 + 3 * added);
    QCOMPARE(strip[0], 7.0f);
    if (kind == LineKind::Strip && added == 4) {
        // A segment along x is widened across y, at its ends.
        const float expected[12] = {points[0].x, points[0].y - 1.5f, 0, points[0].x, points[0].y + 1.5f, 0,
                                    points[1].x, points[1].y - 1.5f, 0, points[1].x, points[1].y + 1.5f, 0};
        QVERIFY(std::equal(strip.begin() + 3, strip.end(), expected));
    }
}

void TestWindowQuads::dashes_data()
{
    QTest::addColumn<Points>("points");
    QTest::addColumn<int>("dashes");
    // 6 on, 4 off along the strip, carried across its corners.
    QTest::newRow("one segment") << Points{{0.5, 5, 0}, {100.5, 5, 0}} << 10;
    // The dash across the corner goes on after it, as two quads: 13 = 6 + 4 + 3, then 3 + 4 + 6 ...
    QTest::newRow("a corner mid-dash") << Points{{0.5, 5, 0}, {13.5, 5, 0}, {13.5, 40, 0}} << 6;
    QTest::newRow("shorter than a dash") << Points{{0.5, 5, 0}, {3.5, 5, 0}} << 1;
    QTest::newRow("one point") << Points{{0.5, 5, 0}} << 0;
    // Cut to the 100 x 50 viewport: the pattern runs on unseen, and only what shows is made.
    QTest::newRow("starts far left") << Points{{-999999.5f, 5, 0}, {100.5, 5, 0}} << 10;
    QTest::newRow("far beyond both ends") << Points{{-3e9f, 5, 0}, {3e9f, 5, 0}} << 11;
    QTest::newRow("all outside") << Points{{-1e9f, -1e9f, 0}, {1e9f, -1e9f, 0}, {1e9f, -2e9f, 0}} << 0;
}

void TestWindowQuads::dashes()
{
    QFETCH(Points, points);
    QFETCH(int, dashes);
    std::vector<float> strip;
    const std::size_t added = appendDashedStrip(points.data(), points.size(), 0.5f, 6.0f, 4.0f, 100.0f, 50.0f, strip);
    // A dash is a quad of four corners; those after the first are joined by two more.
    QCOMPARE(static_cast<int>(added), dashes == 0 ? 0 : 4 + 6 * (dashes - 1));
}

void TestWindowQuads::halfWidthNeverBelowHalfAPixel_data()
{
    QTest::addColumn<float>("width");
    QTest::addColumn<double>("ratio");
    QTest::addColumn<float>("half");
    QTest::newRow("3 px at 1") << 3.0f << 1.0 << 1.5f;
    QTest::newRow("1 px at 2") << 1.0f << 2.0 << 1.0f;
    QTest::newRow("1 px at 1.25") << 1.0f << 1.25 << 0.625f;
    // A dialog scaled down to fit a small window: still one device pixel wide.
    QTest::newRow("1 px at 0.5") << 1.0f << 0.5 << 0.5f;
    QTest::newRow("1.5 px at 0.25") << 1.5f << 0.25 << 0.5f;
}

void TestWindowQuads::halfWidthNeverBelowHalfAPixel()
{
    QFETCH(float, width);
    QFETCH(double, ratio);
    QFETCH(float, half);
    QCOMPARE(halfLineWidth(width, ratio), half);
}

QTEST_APPLESS_MAIN(TestWindowQuads)
#include "tst_windowquads.moc"
