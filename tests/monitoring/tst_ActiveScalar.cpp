#include "ActiveScalar.h"

#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr uint64_t Millisecond = 1'000'000;
constexpr uint64_t Second = 1'000'000'000;

struct Sample
{
    uint64_t time;
    double value;
};

void feed(ActiveScalar &scalar, const QList<Sample> &samples)
{
    for (const Sample &sample : samples)
        scalar.addData({sample.time, sample.value});
}

bool samePoint(QPointF a, QPointF b)
{
    const bool sameY = (std::isnan(a.y()) && std::isnan(b.y())) || a.y() == b.y();
    return qFuzzyCompare(1 + a.x(), 1 + b.x()) && sameY;
}

} // namespace

Q_DECLARE_METATYPE(Sample)

class tst_ActiveScalar : public QObject
{
    Q_OBJECT

private slots:
    void acceptsOnlyStrictlyIncreasingTimes_data()
    {
        QTest::addColumn<QList<Sample>>("samples");
        QTest::addColumn<QList<double>>("kept");
        QTest::newRow("repeated and older times")
            << QList<Sample>{{Second, 1}, {Second, 2}, {Second / 2, 3}} << QList<double>{1};
        QTest::newRow("a first sample at time 0") << QList<Sample>{{0, 1}, {1, 2}} << QList<double>{2};
        // Epoch-scale times one nanosecond apart are told apart.
        const uint64_t epoch = 1'765'440'000'000'000'001ULL;
        QTest::newRow("epoch times a nanosecond apart")
            << QList<Sample>{{epoch, 1}, {epoch + 1, 2}, {epoch + 1, 3}, {epoch + 2, 4}} << QList<double>{1, 2, 4};
    }
    void acceptsOnlyStrictlyIncreasingTimes()
    {
        QFETCH(QList<Sample>, samples);
        QFETCH(QList<double>, kept);
        ActiveScalar scalar(nullptr, 0, 1000, 100, {1, 10});
        feed(scalar, samples);
        QCOMPARE(scalar.rawSampleCount(), kept.size());
        QCOMPARE(scalar.newestValue(), kept.last());
    }

    // One bucket of the 10 s window (1000 buckets, 10 ms wide) fed at 1 ms.
    void bucketKeepsItsExtremesInTimeOrder_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<QList<QPointF>>("pair");
        const auto at = [](int ms, double v) { return QPointF(ms / 1000.0, v); };
        QTest::newRow("one sample") << QList<double>{4} << QList<QPointF>{at(1, 4), at(1, 4)};
        QTest::newRow("low before high") << QList<double>{0, 5, -3, 2} << QList<QPointF>{at(2, 5), at(3, -3)};
        QTest::newRow("a new high after the low")
            << QList<double>{0, 5, -3, 2, 7} << QList<QPointF>{at(3, -3), at(5, 7)};
        QTest::newRow("rising") << QList<double>{1, 2, 3} << QList<QPointF>{at(1, 1), at(3, 3)};
        QTest::newRow("falling") << QList<double>{3, 2, 1} << QList<QPointF>{at(1, 3), at(3, 1)};
        QTest::newRow("equal values keep the newest") << QList<double>{2, 2, 2} << QList<QPointF>{at(2, 2), at(3, 2)};
        QTest::newRow("NaN inside a bucket changes nothing")
            << QList<double>{1, NaN, 3} << QList<QPointF>{at(1, 1), at(3, 3)};
        QTest::newRow("NaN opening a bucket") << QList<double>{NaN, 1} << QList<QPointF>{at(1, NaN), at(1, NaN)};
        QTest::newRow("infinities are plotted")
            << QList<double>{0, Inf, -Inf} << QList<QPointF>{at(2, Inf), at(3, -Inf)};
    }
    void bucketKeepsItsExtremesInTimeOrder()
    {
        QFETCH(QList<double>, values);
        QFETCH(QList<QPointF>, pair);
        ActiveScalar scalar(nullptr, 0, 1000, 1000, {1, 10});
        for (int i = 0; i < values.size(); ++i)
            scalar.addData({uint64_t(i + 1) * Millisecond, values[i]});
        const QList<QPointF> points = scalar.points(1);
        QCOMPARE(points.size(), 2);
        for (int i = 0; i < 2; ++i)
            QVERIFY2(samePoint(points[i], pair[i]),
                     qPrintable(QString("point %1: (%2, %3)").arg(i).arg(points[i].x()).arg(points[i].y())));
    }

    void windowExtremes_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::newRow("nothing yet") << QList<double>{} << 0.0 << 0.0;
        QTest::newRow("finite values") << QList<double>{3, -2, 8, 1} << -2.0 << 8.0;
        QTest::newRow("only infinities and NaN") << QList<double>{Inf, -Inf, NaN} << 0.0 << 0.0;
        QTest::newRow("a burst of infinities and NaN among finite values")
            << QList<double>{1, Inf, NaN, -Inf, NaN, 4, -Inf} << 1.0 << 4.0;
        QTest::newRow("constant") << QList<double>{3, 3, 3} << 3.0 << 3.0;
    }
    void windowExtremes()
    {
        QFETCH(QList<double>, values);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        ActiveScalar scalar(nullptr, 0, 10, 10, {1, 10});
        for (int i = 0; i < values.size(); ++i)
            scalar.addData({uint64_t(i + 1) * 100 * Millisecond, values[i]});
        for (int window = 0; window < 2; ++window) {
            QCOMPARE(scalar.windowMinimum(window), minimum);
            QCOMPARE(scalar.windowMaximum(window), maximum);
        }
    }

    // Extremes seen before the last trimming still count until the next one.
    void extremesSurviveOneTrimming()
    {
        ActiveScalar scalar(nullptr, 0, 10, 10, {1});
        QSignalSpy minMaxChanged(&scalar, &ActiveScalar::minMaxChanged);
        // 0.1 s apart: a peak of 50 in the first second, then values in [-1, 1].
        uint64_t t = 0;
        const auto add = [&](double v) { scalar.addData({t += 100 * Millisecond, v}); };
        add(50);
        for (int i = 0; i < 10; ++i)
            add(i % 2 ? 1 : -1);
        QCOMPARE(scalar.windowMaximum(0), 50.0);
        QVERIFY(!minMaxChanged.isEmpty());
        // Two more seconds: the peak is trimmed away and forgotten.
        for (int i = 0; i < 20; ++i)
            add(i % 2 ? 1 : -1);
        QCOMPARE(scalar.windowMaximum(0), 1.0);
        QCOMPARE(scalar.windowMinimum(0), -1.0);
    }

    // x range 1 s, 10 buckets, one sample every 0.125 s: each sample opens a bucket.
    void trimsOnceTheMarkedSpanCoversTheRange()
    {
        ActiveScalar scalar(nullptr, 0, 8, 10, {1});
        QList<qsizetype> sizes;
        QList<double> firsts;
        for (int i = 1; i <= 25; ++i) {
            scalar.addData({uint64_t(i) * 125 * Millisecond, double(i)});
            sizes << scalar.points(0).size();
            firsts << scalar.points(0).first().x();
        }
        // The mark is set at sample 9 (1 s after the first); the points after it span
        // 1 s at sample 18, when the list is cut to start at the former mark's point
        // (sample 10).
        QCOMPARE(sizes[16], 34);
        QCOMPARE(firsts[16], 0.125);
        QCOMPARE(sizes[17], 18);
        QCOMPARE(firsts[17], 1.25);
        QCOMPARE(sizes[24], 32);
    }

    // A random monotone stream against a plain computation of each bucket's extremes.
    void matchesBruteForceBuckets()
    {
        const QList<double> ranges{1, 10};
        const int buckets = 50;
        ActiveScalar scalar(nullptr, 0, 1000, buckets, ranges);
        QRandomGenerator random(20261211);
        QList<Sample> samples;
        uint64_t t = 0;
        uint64_t largestGap = 0;
        for (int i = 0; i < 40000; ++i) {
            const uint64_t gap = 1 + random.bounded(uint32_t(2 * Millisecond));
            largestGap = std::max(largestGap, gap);
            t += gap;
            samples.append({t, random.generateDouble() * 200 - 100});
            scalar.addData({t, samples.last().value});
            if (i % 997 != 0)
                continue;
            for (int w = 0; w < ranges.size(); ++w) {
                const QList<QPointF> points = scalar.points(w);
                for (qsizetype p = 1; p < points.size(); ++p)
                    QVERIFY(points[p - 1].x() <= points[p].x());
                const double span = points.last().x() - points.first().x();
                // A bucket's points lie anywhere in it, so the cut may come up to a
                // bucket width late at either end of each range.
                QVERIFY(span <= 2 * ranges[w] + 4 * ranges[w] / buckets + double(largestGap) / 1e9);
                if (t > 2 * ranges[w] * 1e9)
                    QVERIFY(span >= ranges[w]);
            }
        }
        for (int w = 0; w < ranges.size(); ++w) {
            const double width = ranges[w] / buckets;
            QList<QPointF> expected;
            double start = 0;
            for (const Sample &sample : samples) {
                const double x = double(sample.time) / 1e9;
                if (expected.isEmpty() || x - start > width) {
                    expected << QPointF(x, sample.value) << QPointF(x, sample.value);
                    start = x;
                    continue;
                }
                QPointF &low = expected[expected.size() - 2].y() <= expected.last().y() ? expected[expected.size() - 2]
                                                                                        : expected.last();
                QPointF &high = &low == &expected.last() ? expected[expected.size() - 2] : expected.last();
                if (sample.value <= low.y())
                    low = QPointF(x, sample.value);
                if (sample.value >= high.y())
                    high = QPointF(x, sample.value);
                if (expected[expected.size() - 2].x() > expected.last().x())
                    expected.swapItemsAt(expected.size() - 2, expected.size() - 1);
            }
            const QList<QPointF> points = scalar.points(w);
            QVERIFY(points.size() % 2 == 0);
            QVERIFY(points.size() <= expected.size());
            const QList<QPointF> tail = expected.mid(expected.size() - points.size());
            QCOMPARE(points, tail);
        }
    }

    void valueAtTime_data()
    {
        QTest::addColumn<double>("time");
        QTest::addColumn<double>("value");
        QTest::newRow("before the first sample") << 0.1 << 10.0;
        QTest::newRow("at a sample") << 2.0 << 20.0;
        QTest::newRow("between samples") << 2.5 << 30.0;
        QTest::newRow("at the newest") << 3.0 << 30.0;
        QTest::newRow("after the newest") << 3.5 << 0.0;
    }
    void valueAtTime()
    {
        QFETCH(double, time);
        QFETCH(double, value);
        ActiveScalar scalar(nullptr, 0, 1, 10, {1, 10});
        QCOMPARE(scalar.valueAtTime(time), 0.0);
        feed(scalar, {{Second, 10}, {2 * Second, 20}, {3 * Second, 30}});
        QCOMPARE(scalar.valueAtTime(time), value);
    }

    // The raw samples stay within the longest x range at the signal's rate: an hour
    // at 1 kHz keeps the last 1000 s and still answers look-ups from them.
    void rawSamplesStayBounded()
    {
        ActiveScalar scalar(nullptr, 0, 1000, 100, {1, 10, 100, 1000});
        const size_t capacity = scalar.rawCapacity();
        QVERIFY(capacity >= 1000 * 1000);
        QVERIFY(capacity <= 1001 * 1000);
        const uint64_t samples = 3600 * 1000;
        for (uint64_t i = 1; i <= samples; ++i)
            scalar.addData({i * Millisecond, double(i)});
        QCOMPARE(size_t(scalar.rawSampleCount()), capacity);
        QCOMPARE(scalar.newestValue(), double(samples));
        const double oldestKept = double(samples - capacity + 1);
        QCOMPARE(scalar.valueAtTime(0), oldestKept);
        QCOMPARE(scalar.valueAtTime(3000), 3000.0 * 1000);
        QCOMPARE(scalar.valueAtTime(3599.9995), 3600.0 * 1000);
        for (int w = 0; w < 4; ++w)
            QVERIFY(scalar.points(w).size() <= 2 * 2 * 100 + 4);
    }

    void bucketCountIsAtLeastOne_data()
    {
        QTest::addColumn<int>("buckets");
        QTest::newRow("zero") << 0;
        QTest::newRow("negative") << -5;
    }
    void bucketCountIsAtLeastOne()
    {
        QFETCH(int, buckets);
        ActiveScalar scalar(nullptr, 0, 10, buckets, {1});
        QCOMPARE(scalar.bucketWidth(0), 1.0);
        for (int i = 1; i <= 35; ++i)
            scalar.addData({uint64_t(i) * 100 * Millisecond, double(i)});
        QVERIFY(scalar.points(0).size() >= 4);
    }

    void enabledNotifiesChanges()
    {
        ActiveScalar scalar(nullptr, 0, 10, 10, {1});
        QSignalSpy changed(&scalar, &ActiveScalar::enabledChanged);
        QVERIFY(!scalar.property("enabled").toBool());
        scalar.setProperty("enabled", true);
        scalar.setProperty("enabled", true);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(scalar.property("ODR").value<uint16_t>(), uint16_t(10));
    }
};

QTEST_GUILESS_MAIN(tst_ActiveScalar)
#include "tst_ActiveScalar.moc"
