#pragma once

#include <QImage>
#include <QQuickItem>
#include <QtQml/qqmlregistration.h>

class QSGTexture;

// An item that paints the QImage held in its image property, scaled by its fill mode.
// QML knows it as QImage. Its implicit size is the image's size in pixels and cannot
// be assigned; smooth chooses linear (true) or nearest-neighbour (false) sampling.
class QuickQImage : public QQuickItem
{
    Q_OBJECT
    QML_NAMED_ELEMENT(QImage)
    Q_PROPERTY(QImage image READ image WRITE setImage NOTIFY imageChanged)
    Q_PROPERTY(qreal implicitWidth READ implicitWidth NOTIFY implicitWidthChanged)
    Q_PROPERTY(qreal implicitHeight READ implicitHeight NOTIFY implicitHeightChanged)
    Q_PROPERTY(FillMode fillMode READ fillMode WRITE setFillMode NOTIFY fillModeChanged)
    Q_PROPERTY(bool smooth READ smooth WRITE setSmooth NOTIFY smoothChanged)

public:
    // QML may set any number; a value outside the modes leaves the picture as it was.
    enum FillMode : int { Stretch = 0, PreserveAspectFit = 1, PreserveAspectCrop = 2, Pad = 3 };
    Q_ENUM(FillMode)

    explicit QuickQImage(QQuickItem *parent = nullptr);
    ~QuickQImage() override;

    QImage image() const { return m_image; }
    void setImage(const QImage &image);

    FillMode fillMode() const { return m_fillMode; }
    void setFillMode(FillMode fillMode);

    bool smooth() const { return m_smooth; }
    void setSmooth(bool smooth);

signals:
    void imageChanged();
    void fillModeChanged();
    void smoothChanged();

protected:
    // Runs on the render thread while the GUI thread waits; the only code that
    // touches the node and its texture.
    QSGNode *updatePaintNode(QSGNode *oldNode, UpdatePaintNodeData *data) override;

private:
    QImage m_image;
    FillMode m_fillMode = Stretch;
    // The texture made last for the node, which owns it.
    QSGTexture *m_texture = nullptr;
    // The texture must be made anew from the image before the next paint.
    bool m_textureDirty = false;
    bool m_smooth = true;
};
