#include "ImagePlacement.h"

std::optional<ImagePlacement> ImagePlacement::place(int fillMode, QSizeF itemSize, QSize imageSize)
{
    if (imageSize.isEmpty())
        return std::nullopt;

    const qreal W = itemSize.width();
    const qreal H = itemSize.height();
    const qreal w = imageSize.width();
    const qreal h = imageSize.height();
    const qreal imageAspect = w / h;
    const qreal itemAspect = W / H;
    const QRectF wholeImage(0, 0, w, h);

    switch (fillMode) {
    case Stretch:
        return ImagePlacement{QRectF(0, 0, W, H), wholeImage};
    case PreserveAspectFit:
        if (itemAspect > imageAspect)
            return ImagePlacement{QRectF((W - H * imageAspect) * 0.5, 0, H * imageAspect, H), wholeImage};
        return ImagePlacement{QRectF(0, (H - W / imageAspect) * 0.5, W, W / imageAspect), wholeImage};
    case PreserveAspectCrop:
        // The image is scaled to cover the item with its top-left corner at the
        // item's; what would lie past the item's right or bottom edge is cut off
        // rather than drawn over the neighbouring items.
        if (itemSize.isEmpty())
            return ImagePlacement{QRectF(0, 0, W, H), QRectF()};
        if (itemAspect > imageAspect)
            return ImagePlacement{QRectF(0, 0, W, H), QRectF(0, 0, w, w * H / W)};
        return ImagePlacement{QRectF(0, 0, W, H), QRectF(0, 0, h * W / H, h)};
    case Pad: {
        const QRectF shown = QRectF(0, 0, W, H).intersected(wholeImage);
        return ImagePlacement{shown, shown};
    }
    default:
        return std::nullopt;
    }
}
