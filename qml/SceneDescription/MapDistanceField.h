#pragma once

#include <QImage>
#include <QPointF>
#include <QSize>

#include <optional>
#include <vector>

// For every pixel of a map picture, how many king moves (diagonal steps count as one)
// away the nearest opaque pixel (alpha above 128) is; +infinity when the picture has
// none. A picture without alpha channel is opaque everywhere. Row 0 is the top row.
class MapDistanceField
{
public:
    MapDistanceField() = default;
    // A picture too large to hold the field for gives an empty field, with a warning.
    explicit MapDistanceField(const QImage &picture);

    QSize gridSize() const { return m_gridSize; }
    bool isEmpty() const { return m_gridSize.isEmpty(); }
    float distance(int column, int row) const { return m_distances[index(column, row)]; }

    // Walks from the cell under grid position (gx, gy) (or the border cell nearest to
    // it) downhill to a cell of distance 0, or to where the field stops falling, and
    // returns the offset from (gx, gy) to that cell's centre. Nothing for an empty
    // field or a position that is not a number.
    std::optional<QPointF> closestCellOffset(double gx, double gy) const;

private:
    size_t index(int column, int row) const { return size_t(row) * size_t(m_gridSize.width()) + size_t(column); }

    QSize m_gridSize{0, 0};
    std::vector<float> m_distances;
};
