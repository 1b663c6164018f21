#include "ActiveScalar.h"
#include "BasicSlDataType.h"
#include "ExternalMonitor_signalViewBuffer.h"
#include "Interface.h"
#include "SimulinkSignal.h"
#include "StreamableNode.h"
#include "plotContainer.h"

#include <QLineSeries>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QValueAxis>

#include <limits>
#include <memory>
#include <vector>

using namespace monitoring;
using SimulinkDataTypes::SimulinkSignal;

namespace {

constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Signals of a model without a board: 2 x 3 double matrices at the given rates.
struct Model
{
    SimulinkSignal *signal(uint16_t rate)
    {
        auto type = std::make_shared<BasicSlDataType<double, DoubleTypeId>>(DataTypeIdentity{DoubleTypeId, 0, "double",
                                                                                             "double"});
        const auto ref = uint16_t(nodes.size() + 1);
        nodes.push_back(std::make_unique<BasicStreamableNode>(IModelNode::Signal, SimulinkDataTypes::Signal, &interface,
                                                              &root, ref, 0, type, Dimensions(0, {2, 3}), rate, "s",
                                                              "1"));
        signalObjects.push_back(std::make_unique<SimulinkSignal>(nullptr, nodes.back().get()));
        return signalObjects.back().get();
    }

    Interface interface {
        nullptr, nullptr
    };
    ModelNode root{&interface, nullptr, "root"};
    std::vector<std::unique_ptr<StreamableNode>> nodes;
    std::vector<std::unique_ptr<SimulinkSignal>> signalObjects;
};

// A container with its chart's axes and four series, shown.
struct Chart
{
    Chart()
    {
        container.setGuiPointers(nullptr, &yAxis, &xAxis);
        container.setSeries(&series[0], &series[1], &series[2], &series[3]);
        container.setVisible(true);
    }

    void feed(int slot, const QList<double> &values, double seconds = 0.01)
    {
        ActiveScalar *scalar = container.scalarAt(slot);
        for (double value : values) {
            time += uint64_t(seconds * 1e9);
            scalar->addData({time, value});
        }
    }

    plotContainer container;
    QValueAxis yAxis;
    QValueAxis xAxis;
    QLineSeries series[4];
    uint64_t time = 0;
};

} // namespace

class tst_plotContainer : public QObject
{
    Q_OBJECT

private slots:
    void automaticRange_data()
    {
        QTest::addColumn<QList<QList<double>>>("slotValues");
        QTest::addColumn<double>("low");
        QTest::addColumn<double>("high");
        // Where the axis counts its ticks from: 0 when a tick lies on it.
        QTest::addColumn<double>("tickAnchor");
        QTest::newRow("no signal") << QList<QList<double>>{} << -1.0 << 1.0 << 0.0;
        QTest::newRow("a signal without samples") << QList<QList<double>>{{}} << -1.0 << 1.0 << 0.0;
        // [-2, 12] with ticks 3.5 apart: the tick at 1.5 moves onto 0.
        QTest::newRow("0 to 10") << QList<QList<double>>{{0, 10}} << -3.5 << 10.5 << 0.0;
        QTest::newRow("0 to 10 over two slots") << QList<QList<double>>{{0, 4}, {10}} << -3.5 << 10.5 << 0.0;
        QTest::newRow("constant 5: no tick near 0") << QList<QList<double>>{{5, 5, 5}} << 4.0 << 6.0 << 4.0;
        QTest::newRow("infinities and NaN among 0 to 10")
            << QList<QList<double>>{{0, Inf, NaN, -Inf, 10, NaN}} << -3.5 << 10.5 << 0.0;
        QTest::newRow("only infinities and NaN") << QList<QList<double>>{{Inf, -Inf, NaN}} << -1.0 << 1.0 << 0.0;
        QTest::newRow("negative constant") << QList<QList<double>>{{-5}} << -6.0 << -4.0 << -6.0;
    }
    void automaticRange()
    {
        QFETCH(QList<QList<double>>, slotValues);
        QFETCH(double, low);
        QFETCH(double, high);
        QFETCH(double, tickAnchor);
        Model model;
        Chart chart;
        for (int slot = 0; slot < slotValues.size(); ++slot) {
            chart.container.addSignal(model.signal(100), {0, 0}, slot);
            chart.feed(slot, slotValues[slot]);
        }
        QSignalSpy minChanged(&chart.container, &plotContainer::yMinChanged);
        chart.container.qSGUpdate();
        QCOMPARE(chart.container.yMin(), low);
        QCOMPARE(chart.container.yMax(), high);
        QCOMPARE(chart.yAxis.min(), low);
        QCOMPARE(chart.yAxis.max(), high);
        QCOMPARE(chart.yAxis.tickType(), QValueAxis::TicksDynamic);
        QCOMPARE(chart.yAxis.tickAnchor(), tickAnchor);
        QCOMPARE(chart.yAxis.tickInterval(), (high - low) / 4);
        QCOMPARE(minChanged.size(), 1);
        // Nothing new: the next frame changes nothing.
        chart.container.qSGUpdate();
        QCOMPARE(minChanged.size(), 1);
    }

    void fixedRangeIsKeptWithoutAutoRange()
    {
        Model model;
        Chart chart;
        chart.container.setAutoRange(false);
        chart.container.addSignal(model.signal(100), {0, 0}, 0);
        chart.feed(0, {1000, -1000});
        chart.container.qSGUpdate();
        QCOMPARE(chart.yAxis.min(), -200.0);
        QCOMPARE(chart.yAxis.max(), 200.0);
        // The user's limits are divided evenly, wherever 0 lies.
        QCOMPARE(chart.yAxis.tickType(), QValueAxis::TicksFixed);
    }

    void xRange_data()
    {
        QTest::addColumn<uint>("rangeIndex");
        QTest::addColumn<bool>("paged");
        QTest::addColumn<double>("latest");
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::newRow("10 s paged") << 1u << true << 37.2 << 30.0 << 40.0;
        QTest::newRow("10 s scrolling") << 1u << false << 37.2 << 27.2 << 37.2;
        QTest::newRow("1 s paged") << 0u << true << 37.2 << 37.0 << 38.0;
        QTest::newRow("1000 s paged") << 3u << true << 37.2 << 0.0 << 1000.0;
        QTest::newRow("at a page's end") << 1u << true << 40.0 << 40.0 << 50.0;
        QTest::newRow("no samples, paged") << 1u << true << 0.0 << 0.0 << 10.0;
        QTest::newRow("no samples, scrolling") << 1u << false << 0.0 << -10.0 << 0.0;
    }
    void xRange()
    {
        QFETCH(uint, rangeIndex);
        QFETCH(bool, paged);
        QFETCH(double, latest);
        QFETCH(double, from);
        QFETCH(double, to);
        Model model;
        Chart chart;
        chart.container.addSignal(model.signal(100), {0, 0}, 2);
        if (latest > 0)
            chart.feed(2, {1}, latest);
        chart.container.setDynamicXrange(paged);
        chart.container.setXRangeIndex(rangeIndex);
        chart.container.qSGUpdate();
        QCOMPARE(chart.xAxis.min(), from);
        QCOMPARE(chart.xAxis.max(), to);
    }

    void xRangeIndexStaysWithinTheRanges()
    {
        plotContainer container;
        QSignalSpy changed(&container, &plotContainer::xRangeIndexChanged);
        container.setXRangeIndex(3);
        container.setXRangeIndex(4);
        QCOMPARE(container.xRangeIndex(), 3u);
        QCOMPARE(changed.size(), 1);
        QCOMPARE(container.getXRanges(), (QList<double>{1, 10, 100, 1000}));
    }

    void yLimitWrites_data()
    {
        QTest::addColumn<bool>("writeMinimum");
        QTest::addColumn<double>("value");
        QTest::addColumn<double>("minimum");
        QTest::addColumn<double>("maximum");
        QTest::newRow("minimum below the maximum") << true << -50.0 << -50.0 << 200.0;
        QTest::newRow("minimum above the maximum") << true << 300.0 << -200.0 << 200.0;
        QTest::newRow("minimum equal to the maximum") << true << 200.0 << -200.0 << 200.0;
        QTest::newRow("maximum above the minimum") << false << 50.0 << -200.0 << 50.0;
        QTest::newRow("maximum below the minimum") << false << -300.0 << -200.0 << 200.0;
    }
    void yLimitWrites()
    {
        QFETCH(bool, writeMinimum);
        QFETCH(double, value);
        QFETCH(double, minimum);
        QFETCH(double, maximum);
        Chart chart;
        chart.container.setAutoRange(false);
        QSignalSpy minChanged(&chart.container, &plotContainer::yMinChanged);
        QSignalSpy maxChanged(&chart.container, &plotContainer::yMaxChanged);
        chart.container.setProperty(writeMinimum ? "yMin" : "yMax", value);
        QCOMPARE(chart.container.yMin(), minimum);
        QCOMPARE(chart.container.yMax(), maximum);
        QCOMPARE(chart.yAxis.min(), minimum);
        QCOMPARE(chart.yAxis.max(), maximum);
        // Refused or not, the screen hears back.
        QCOMPARE(minChanged.size(), writeMinimum ? 1 : 0);
        QCOMPARE(maxChanged.size(), writeMinimum ? 0 : 1);
    }

    // A drop on each kind of slot: the old signal's subscription ends and its buffers
    // go, with or without the chart's series, and exactly the new one streams.
    void dropOnSlot_data()
    {
        QTest::addColumn<bool>("occupied");
        QTest::addColumn<bool>("withSeries");
        QTest::newRow("empty slot, series set") << false << true;
        QTest::newRow("empty slot, no series yet") << false << false;
        QTest::newRow("occupied slot, series set") << true << true;
        QTest::newRow("occupied slot, no series yet") << true << false;
    }
    void dropOnSlot()
    {
        QFETCH(bool, occupied);
        QFETCH(bool, withSeries);
        Model model;
        SimulinkSignal *old = model.signal(100);
        SimulinkSignal *dropped = model.signal(250);
        plotContainer container;
        QLineSeries series[4];
        if (withSeries)
            container.setSeries(&series[0], &series[1], &series[2], &series[3]);
        QPointer<ActiveScalar> oldBuffer;
        QPointer<ExternalMonitor_signalViewBuffer> oldView;
        if (occupied) {
            container.addSignal(old, {0, 0}, 1);
            oldBuffer = container.scalarAt(1);
            oldView = container.viewBufferAt(1);
            oldBuffer->addData({1'000'000, 7});
            container.qSGUpdate();
            QCOMPARE(series[1].count(), withSeries ? 2 : 0);
        }
        container.addSignal(dropped, {1, 2}, 1);
        QCOMPARE(old->subscriptionCount(), 0);
        QVERIFY(oldBuffer.isNull());
        QVERIFY(oldView.isNull());
        QCOMPARE(series[1].count(), 0);
        QCOMPARE(dropped->subscriptionCount(), 1);
        QCOMPARE(container.signalAt(1), dropped);
        ActiveScalar *buffer = container.scalarAt(1);
        QVERIFY(buffer);
        QCOMPARE(buffer->parent(), &container);
        QCOMPARE(buffer->odr(), uint16_t(250));
        QCOMPARE(buffer->elementOffset(), dropped->elementOffset({1, 2}));
        QCOMPARE(buffer->windowCount(), 4);
        QCOMPARE(container.viewBufferAt(1)->parent(), &container);
        QCOMPARE(container.getLatestValue(1), 0.0);
        buffer->addData({2'000'000, 3});
        QCOMPARE(container.getLatestValue(1), 3.0);
        QCOMPARE(container.getValueAtTime(1, 0.001), 3.0);

        container.removeSignal(dropped, 1);
        QCOMPARE(dropped->subscriptionCount(), 0);
        QCOMPARE(container.signalAt(1), nullptr);
        QCOMPARE(container.getLatestValue(1), 0.0);
    }

    void dropsThatChangeNothing_data()
    {
        QTest::addColumn<uint16_t>("rate");
        QTest::addColumn<bool>("nullSignal");
        QTest::addColumn<int>("slot");
        QTest::newRow("a signal without a rate") << uint16_t(0) << false << 0;
        QTest::newRow("no signal") << uint16_t(100) << true << 0;
        QTest::newRow("a slot past the last") << uint16_t(100) << false << 4;
        QTest::newRow("a negative slot") << uint16_t(100) << false << -1;
    }
    void dropsThatChangeNothing()
    {
        QFETCH(uint16_t, rate);
        QFETCH(bool, nullSignal);
        QFETCH(int, slot);
        Model model;
        SimulinkSignal *shown = model.signal(100);
        SimulinkSignal *dropped = model.signal(rate);
        plotContainer container;
        container.addSignal(shown, {0, 0}, 0);
        container.addSignal(nullSignal ? nullptr : dropped, {0, 0}, slot);
        QCOMPARE(container.signalAt(0), shown);
        QCOMPARE(shown->subscriptionCount(), 1);
        QCOMPARE(dropped->subscriptionCount(), 0);
        for (int other = 1; other < plotContainer::SlotCount; ++other)
            QCOMPARE(container.signalAt(other), nullptr);
        QCOMPARE(container.getLatestValue(slot), 0.0);
        QCOMPARE(container.getValueAtTime(slot, 1), 0.0);
    }

    // Each frame hands every slot's window of the chosen x range to its series, and
    // a paused chart that is shown keeps what it shows.
    void frameUpdateFillsTheSeries()
    {
        Model model;
        Chart chart;
        chart.container.addSignal(model.signal(100), {0, 0}, 0);
        chart.container.addSignal(model.signal(100), {0, 0}, 3);
        chart.feed(0, {1, 2, 3, 4, 5}, 0.5);
        chart.feed(3, {9}, 0.5);
        chart.container.qSGUpdate();
        QCOMPARE(chart.series[0].points(), chart.container.scalarAt(0)->points(1));
        QCOMPARE(chart.series[3].points(), chart.container.scalarAt(3)->points(1));
        QCOMPARE(chart.series[1].count(), 0);

        chart.container.setXRangeIndex(0);
        chart.container.qSGUpdate();
        QCOMPARE(chart.series[0].points(), chart.container.scalarAt(0)->points(0));

        chart.container.setPause(true);
        const QList<QPointF> shown = chart.series[0].points();
        chart.feed(0, {100}, 0.5);
        chart.container.qSGUpdate();
        QCOMPARE(chart.series[0].points(), shown);
        chart.container.setPause(false);
        chart.container.qSGUpdate();
        QCOMPARE(chart.series[0].points(), chart.container.scalarAt(0)->points(0));
    }

    void bucketsForLaterSignals()
    {
        Model model;
        plotContainer container;
        container.setNumberOfBuckets(0);
        QCOMPARE(container.numberOfBuckets(), 1);
        container.addSignal(model.signal(100), {0, 0}, 0);
        QCOMPARE(container.scalarAt(0)->bucketWidth(1), 10.0);
        container.setNumberOfBuckets(1000);
        container.addSignal(model.signal(100), {0, 0}, 1);
        QCOMPARE(container.scalarAt(1)->bucketWidth(1), 0.01);
        QCOMPARE(container.scalarAt(0)->bucketWidth(1), 10.0);
    }

    void formatDouble_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("plain") << 3.25 << "3.25";
        QTest::newRow("six digits") << 1.0 / 3 << "0.333333";
        QTest::newRow("large") << 12345678.0 << "1.23457e+07";
        QTest::newRow("small") << 0.00001234 << "1.234e-05";
    }
    void formatDouble()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        QCOMPARE(plotContainer().formatDouble(value), text);
    }

    void viewBufferDrawsItsBuffer()
    {
        ActiveScalar scalar(nullptr, 0, 10, 100, {1, 10});
        ExternalMonitor_signalViewBuffer view(&scalar, 10);
        QCOMPARE(view.testData().size(), 5);
        for (const QList<QPointF> &row : view.testData())
            QCOMPARE(row.size(), 1024);
        QCOMPARE(view.testData()[0][10], QPointF(10, std::sin(0.682) + 0.5));
        QVERIFY(view.points().isEmpty());

        QLineSeries series;
        QValueAxis yAxis;
        QValueAxis xAxis;
        QSignalSpy sizeUpdated(&view, &ExternalMonitor_signalViewBuffer::rawBufferSizeUpdated);
        view.update(&series, 10, true, &yAxis, &xAxis);
        QCOMPARE(sizeUpdated.size(), 0); // no buffer set yet
        view.setScalar(&scalar);
        for (uint64_t i = 1; i <= 4; ++i)
            scalar.addData({i * 100'000'000, 3});
        view.update(&series, 10, true, &yAxis, &xAxis);
        QCOMPARE(view.rawBufferSize(), 4);
        QCOMPARE(series.count(), 4);
        QCOMPARE(series.at(3), QPointF(0.4, 3));
        QCOMPARE(yAxis.min(), 2.0);
        QCOMPARE(yAxis.max(), 4.0);
        view.update(&series, 10, false, &yAxis, &xAxis);
        QCOMPARE(yAxis.min(), 0.0);
        QCOMPARE(yAxis.max(), 100.0);

        view.setProperty("paused", true);
        scalar.addData({500'000'000, -7});
        view.update(&series, 10, true, &yAxis, &xAxis);
        QCOMPARE(sizeUpdated.size(), 3); // every update with a buffer, paused or not
        QCOMPARE(view.rawBufferSize(), 5);
        QCOMPARE(series.count(), 4);
    }

    void viewBufferTestCurves_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QPointF>("point");
        QTest::newRow("sine") << 0 << QPointF(3, std::sin(0.0682 * 3) + 0.5);
        QTest::newRow("steps") << 1 << QPointF(3, 0.2);
        QTest::newRow("other") << 7 << QPointF(0, 0);
    }
    void viewBufferTestCurves()
    {
        QFETCH(int, type);
        QFETCH(QPointF, point);
        ExternalMonitor_signalViewBuffer view(nullptr, 10);
        view.generateData(type, 3, 4);
        QCOMPARE(view.testData().size(), 3);
        QCOMPARE(view.testData()[2].size(), 4);
        QCOMPARE(view.testData()[2][3], point);
    }
};

QTEST_MAIN(tst_plotContainer)
#include "tst_plotContainer.moc"
