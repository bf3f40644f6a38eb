#pragma once
// The message of the Exception that a call throws, or "<no exception>".

#include "core/Exception.h"

#include <QString>

template <typename F>
QString errorOf(F&& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return QStringLiteral("<no exception>");
}
