#include "core/NaturalCompare.h"

#include <QCollator>
#include <QLocale>

namespace {

QCollator makeCollator()
{
    // Qt's C-locale collator compares code units and ignores numeric mode;
    // the Sanskrit interface runs with that locale, so it gets a real one.
    QLocale locale;
    if (locale.language() == QLocale::C)
        locale = QLocale(QLocale::English, QLocale::UnitedStates);
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    return collator;
}

} // namespace

int naturalCompare(const QString& a, const QString& b)
{
    // One per thread, built with the default locale of its first use: a sort
    // calls this for every comparison.
    thread_local const QCollator collator = makeCollator();
    return collator.compare(a, b);
}
