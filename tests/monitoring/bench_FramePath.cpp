// The frame path of the monitoring charts: 4 charts of 4 plotted signals each, with
// their default x range and buckets, fed at 1 kHz; each frame (60 per second) the
// charts hand their visible windows to their series and set their axes. Reported as
// time per frame for all 16 plots.

#include "ActiveScalar.h"
#include "BasicSlDataType.h"
#include "Interface.h"
#include "SimulinkSignal.h"
#include "StreamableNode.h"
#include "plotContainer.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QLineSeries>
#include <QValueAxis>

#include <cmath>
#include <memory>
#include <vector>

namespace {

using namespace monitoring;

constexpr int Charts = 4;
constexpr uint16_t Rate = 1000;

struct Workspace
{
    Workspace()
    {
        for (int c = 0; c < Charts; ++c) {
            auto chart = std::make_unique<Chart>();
            chart->container.setGuiPointers(nullptr, &chart->yAxis, &chart->xAxis);
            chart->container.setSeries(&chart->series[0], &chart->series[1], &chart->series[2], &chart->series[3]);
            chart->container.setVisible(true);
            for (int s = 0; s < plotContainer::SlotCount; ++s) {
                auto type = std::make_shared<BasicSlDataType<double, DoubleTypeId>>(DataTypeIdentity{
                    DoubleTypeId, 0, "double", "double"});
                nodes.push_back(std::make_unique<BasicStreamableNode>(IModelNode::Signal, SimulinkDataTypes::Signal,
                                                                      &interface, &root, uint16_t(nodes.size() + 1), 0,
                                                                      type, Dimensions(0, {1}), Rate, "s", "1"));
                signalObjects.push_back(std::make_unique<SimulinkDataTypes::SimulinkSignal>(nullptr,
                                                                                            nodes.back().get()));
                chart->container.addSignal(signalObjects.back().get(), {0, 0}, s);
            }
            charts.push_back(std::move(chart));
        }
    }

    // The samples of one frame's time (1/60 s) into every plot.
    void samples(int frame)
    {
        const uint64_t from = uint64_t(frame) * 1000 / 60;
        const uint64_t to = uint64_t(frame + 1) * 1000 / 60;
        for (uint64_t ms = from + 1; ms <= to; ++ms)
            for (size_t c = 0; c < charts.size(); ++c)
                for (int s = 0; s < plotContainer::SlotCount; ++s)
                    charts[c]->container.scalarAt(s)->addData({ms * 1'000'000,
                                                               std::sin(0.01 * double(ms) * double(c * 4 + s + 1))});
    }

    struct Chart
    {
        plotContainer container;
        QValueAxis yAxis;
        QValueAxis xAxis;
        QLineSeries series[plotContainer::SlotCount];
    };

    Interface interface {
        nullptr, nullptr
    };
    ModelNode root{&interface, nullptr, "root"};
    std::vector<std::unique_ptr<StreamableNode>> nodes;
    std::vector<std::unique_ptr<SimulinkDataTypes::SimulinkSignal>> signalObjects;
    std::vector<std::unique_ptr<Chart>> charts;
};

void FramePath_16Plots(benchmark::State &state)
{
    Workspace workspace;
    // Twenty seconds first, so that the 10 s windows hold all they ever hold.
    int frame = 0;
    for (; frame < 20 * 60; ++frame)
        workspace.samples(frame);
    qsizetype points = 0;
    for (auto _ : state) {
        state.PauseTiming();
        workspace.samples(frame++);
        state.ResumeTiming();
        for (const auto &chart : workspace.charts)
            chart->container.qSGUpdate();
    }
    for (const auto &chart : workspace.charts)
        for (const QLineSeries &series : chart->series)
            points += series.count();
    state.counters["points_per_frame"] = double(points);
}
BENCHMARK(FramePath_16Plots)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
