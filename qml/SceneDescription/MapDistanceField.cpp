#include "MapDistanceField.h"

#include <QDebug>

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>

namespace {

constexpr int opaqueAbove = 128;

} // namespace

MapDistanceField::MapDistanceField(const QImage &picture)
{
    if (picture.isNull())
        return;
    // One conversion and scan lines rather than a colour lookup per pixel; the alpha
    // is the same as QImage::pixelColor gives.
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();
    std::vector<quint32> queue;
    try {
        if (argb.isNull() || qint64(width) * height > std::numeric_limits<quint32>::max())
            throw std::bad_alloc();
        m_distances.assign(size_t(width) * size_t(height), std::numeric_limits<float>::infinity());
        queue.reserve(m_distances.size());
    } catch (const std::bad_alloc &) {
        qWarning() << "A map picture of" << picture.size() << "pixels is too large for its distance field";
        m_distances.clear();
        return;
    }
    m_gridSize = argb.size();

    for (int row = 0; row < height; ++row) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(row));
        for (int column = 0; column < width; ++column) {
            if (qAlpha(line[column]) > opaqueAbove) {
                m_distances[index(column, row)] = 0;
                queue.push_back(quint32(index(column, row)));
            }
        }
    }

    for (size_t head = 0; head < queue.size(); ++head) {
        const int column = int(queue[head] % size_t(width));
        const int row = int(queue[head] / size_t(width));
        const float next = m_distances[queue[head]] + 1;
        for (int r = std::max(row - 1, 0); r <= std::min(row + 1, height - 1); ++r) {
            for (int c = std::max(column - 1, 0); c <= std::min(column + 1, width - 1); ++c) {
                float &neighbour = m_distances[index(c, r)];
                if (neighbour > next) {
                    neighbour = next;
                    queue.push_back(quint32(index(c, r)));
                }
            }
        }
    }
}

std::optional<QPointF> MapDistanceField::closestCellOffset(double gx, double gy) const
{
    if (isEmpty() || !std::isfinite(gx) || !std::isfinite(gy))
        return std::nullopt;
    const int width = m_gridSize.width();
    const int height = m_gridSize.height();
    int column = int(std::clamp(gx, 0.0, double(width - 1)));
    int row = int(std::clamp(gy, 0.0, double(height - 1)));

    float current = distance(column, row);
    while (current > 0) {
        int bestColumn = column;
        int bestRow = row;
        float best = current;
        for (int r = std::max(row - 1, 0); r <= std::min(row + 1, height - 1); ++r) {
            for (int c = std::max(column - 1, 0); c <= std::min(column + 1, width - 1); ++c) {
                if ((c != column || r != row) && distance(c, r) < best) {
                    best = distance(c, r);
                    bestColumn = c;
                    bestRow = r;
                }
            }
        }
        if (best >= current)
            break;
        column = bestColumn;
        row = bestRow;
        current = best;
    }
    return QPointF(double(float(column) + 0.5f) - gx, double(float(row) + 0.5f) - gy);
}
