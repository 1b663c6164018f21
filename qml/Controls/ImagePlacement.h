#pragma once

#include <QRectF>
#include <QSize>
#include <QSizeF>

#include <optional>

// Where an image of imageSize pixels is drawn inside an item of itemSize: the part of
// the image shown (source, in image pixels) and the rectangle it fills (target, in
// item coordinates).
struct ImagePlacement
{
    QRectF target;
    QRectF source;

    // Values of QuickQImage::FillMode.
    enum Mode { Stretch = 0, PreserveAspectFit = 1, PreserveAspectCrop = 2, Pad = 3 };

    // The placement for a fill mode; nothing for a value outside the modes, and
    // nothing for an empty image.
    static std::optional<ImagePlacement> place(int fillMode, QSizeF itemSize, QSize imageSize);
};
