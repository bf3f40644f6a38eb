#pragma once
// A failed "tarnolix" request: the message for the log and the code that
// chooses the error the web view is told (WebEngineContentRequest::fail).

#include "core/Exception.h"

#include <QtGlobal>

class SchemeHandlerException : public Exception
{
public:
    enum Code : qint32 {
        InvalidInitiator = 0, // RequestDenied
        RequestFailed = 1,    // an invalid method and every failure that is not one of these
        NotFound = 2,         // request not supported, resource not found: UrlNotFound
        InvalidRequest = 3,   // UrlInvalid
    };

    SchemeHandlerException(qint32 code, const char* message) : Exception(message), m_code(code) {}
    SchemeHandlerException(qint32 code, const QString& message) : Exception(message), m_code(code) {}
    SchemeHandlerException(const SchemeHandlerException& other) = default;

    qint32 code() const { return m_code; }

private:
    qint32 m_code;
};
