#include "app/TintedImageProvider.h"

#include <QColor>
#include <QImageReader>
#include <QPainter>
#include <QUrl>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>

namespace {

// The other side in the file's proportions, rounded, at least 1.
int proportional(int given, int fileGiven, int fileOther)
{
    return std::max(1, int(std::lround(double(given) * fileOther / fileGiven)));
}

QString filePath(const QUrl& source)
{
    if (source.scheme() == QLatin1String("qrc"))
        return QLatin1Char(':') + source.path();
    if (source.isLocalFile())
        return source.toLocalFile();
    return QString();
}

} // namespace

TintedImageProvider::TintedImageProvider()
    : QQuickImageProvider(QQuickImageProvider::Image)
{
}

QImage TintedImageProvider::requestImage(const QString& id, QSize* size, const QSize& requestedSize)
{
    const QUrlQuery query(id.startsWith(QLatin1Char('?')) ? id.mid(1) : id);
    const QUrl source(query.queryItemValue(QStringLiteral("source"), QUrl::FullyDecoded));
    const QColor color(query.queryItemValue(QStringLiteral("color"), QUrl::FullyDecoded));
    const QString path = filePath(source);
    if (path.isEmpty() || !color.isValid())
        return QImage();

    QImageReader reader(path);
    QSize target = requestedSize;
    const QSize fileSize = reader.size();
    if (fileSize.width() > 0 && fileSize.height() > 0) {
        if (target.width() > 0 && target.height() <= 0)
            target.setHeight(proportional(target.width(), fileSize.width(), fileSize.height()));
        else if (target.height() > 0 && target.width() <= 0)
            target.setWidth(proportional(target.height(), fileSize.height(), fileSize.width()));
    }
    if (!target.isEmpty())
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return QImage();
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);

    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color);
    painter.end();
    if (size)
        *size = image.size();
    return image;
}
