#include "QuickQImage.h"

#include "ImagePlacement.h"

#include <QQuickWindow>
#include <QSGImageNode>
#include <QSGTexture>

QuickQImage::QuickQImage(QQuickItem *parent)
    : QQuickItem(parent)
{
    setFlag(ItemHasContents, false);
}

QuickQImage::~QuickQImage() = default;

void QuickQImage::setImage(const QImage &image)
{
    if (image == m_image)
        return;
    m_image = image;
    m_textureDirty = true;
    // An item without contents takes no updates: the old picture is taken away while
    // the item still has them.
    if (m_image.isNull())
        update();
    setFlag(ItemHasContents, !m_image.isNull());
    setImplicitSize(m_image.isNull() ? 0 : m_image.width(), m_image.isNull() ? 0 : m_image.height());
    emit imageChanged();
    update();
}

void QuickQImage::setFillMode(FillMode fillMode)
{
    if (fillMode == m_fillMode)
        return;
    m_fillMode = fillMode;
    emit fillModeChanged();
    update();
}

void QuickQImage::setSmooth(bool smooth)
{
    if (smooth == m_smooth)
        return;
    m_smooth = smooth;
    m_textureDirty = true;
    emit smoothChanged();
    update();
}

QSGNode *QuickQImage::updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *)
{
    QQuickWindow *itemWindow = window();
    if (!itemWindow || m_image.isNull()) {
        // The node takes its texture along.
        delete oldNode;
        m_texture = nullptr;
        return nullptr;
    }

    auto *node = static_cast<QSGImageNode *>(oldNode);
    if (!node) {
        node = itemWindow->createImageNode();
        m_textureDirty = true;
    }

    if (const auto placement = ImagePlacement::place(m_fillMode, size(), m_image.size())) {
        node->setRect(placement->target);
        node->setSourceRect(placement->source);
    }

    if (m_textureDirty) {
        m_texture = itemWindow->createTextureFromImage(m_image);
        m_texture->setHorizontalWrapMode(QSGTexture::Repeat);
        m_texture->setVerticalWrapMode(QSGTexture::Repeat);
        node->setOwnsTexture(true);
        node->setTexture(m_texture);
        m_textureDirty = false;
    }

    const auto filtering = m_smooth ? QSGTexture::Linear : QSGTexture::Nearest;
    node->setMipmapFiltering(filtering);
    node->setFiltering(filtering);
    return node;
}
