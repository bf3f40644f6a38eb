#pragma once
// The key name of a registered enum value, for error messages ("FullText",
// "InvalidCatalogItemType"); the number when the value has no key.

#include <QMetaEnum>
#include <QString>

template <typename E>
QString enumKeyName(E value)
{
    const char* key = QMetaEnum::fromType<E>().valueToKey(static_cast<int>(value));
    return key ? QString::fromLatin1(key) : QString::number(static_cast<int>(value));
}
