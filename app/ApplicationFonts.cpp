#include "app/ApplicationFonts.h"

#include <QDebug>
#include <QFontDatabase>

QStringList applicationFontPaths()
{
    return {QStringLiteral("://font/PTSans-Bold.ttf"), QStringLiteral("://font/PTSans-BoldItalic.ttf"),
            QStringLiteral("://font/PTSans-Italic.ttf"), QStringLiteral("://font/PTSans-Regular.ttf")};
}

QStringList loadApplicationFonts(const QStringList& paths)
{
    QStringList families;
    for (const QString& path : paths) {
        const int id = QFontDatabase::addApplicationFont(path);
        if (id < 0) {
            qCritical("Load font '%s' error", qUtf8Printable(path));
            continue;
        }
        families << QFontDatabase::applicationFontFamilies(id);
    }
    qDebug() << "Font families loaded: " << families;
    return families;
}

QStringList loadApplicationFonts()
{
    return loadApplicationFonts(applicationFontPaths());
}
