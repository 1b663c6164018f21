// A local map of a large floor plan: building its distance field when the picture is
// set (linear in the pixels), and the queries that a map view asks per robot position
// (one descent each, no allocation).

#include "LocalMap.h"

#include <benchmark/benchmark.h>

#include <QPainter>
#include <QRandomGenerator>

namespace {

// A floor plan: opaque walls and rooms scattered over a transparent picture.
QImage floorPlan(int side)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    QRandomGenerator random(9108);
    for (int room = 0; room < side / 20; ++room) {
        const int x = random.bounded(side);
        const int y = random.bounded(side);
        painter.fillRect(x, y, random.bounded(side / 8 + 1), random.bounded(side / 8 + 1), Qt::black);
    }
    return image;
}

void buildDistanceField(benchmark::State &state)
{
    const QImage plan = floorPlan(int(state.range(0)));
    for (auto _ : state) {
        MapDistanceField field(plan);
        benchmark::DoNotOptimize(field);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(0));
}
BENCHMARK(buildDistanceField)->Arg(500)->Arg(2000)->Arg(4000)->Unit(benchmark::kMillisecond);

void closestPointOnMap(benchmark::State &state)
{
    const int side = 2000;
    const LocalMap map(QStringLiteral("plan"), floorPlan(side), QSizeF(200, 200), Coordinate(), nullptr, Pose(),
                       QUuid::createUuid(), QUuid::createUuid(), QDateTime::currentDateTime());
    QRandomGenerator random(1);
    for (auto _ : state) {
        const Coordinate position{random.bounded(200.0), random.bounded(200.0), 0};
        benchmark::DoNotOptimize(map.getClosestPointOnMap(position));
    }
}
BENCHMARK(closestPointOnMap);

} // namespace

BENCHMARK_MAIN();
