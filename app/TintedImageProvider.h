#pragma once
// The image provider "tinted-svg": a monochrome icon rendered at the asked
// size with every pixel in one colour, keeping each pixel's own alpha.
// QML asks for "image://tinted-svg/?source=<percent-encoded URL>&color=<percent-encoded colour>".

#include <QQuickImageProvider>

class TintedImageProvider : public QQuickImageProvider
{
public:
    TintedImageProvider();

    // A null image when the source is neither a "qrc" URL nor a local file,
    // when the colour is not valid, or when the file cannot be read. With
    // only one side asked for, the other keeps the file's proportions.
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override;
};
