#include "core/Exception.h"

Exception::Exception(const char* text)
    : m_what(text ? text : "")
{
}

Exception::Exception(const QString& message)
    : m_message(message)
{
}

Exception::Exception(const Exception& other) = default;
Exception& Exception::operator=(const Exception& other) = default;
Exception::~Exception() = default;

const char* Exception::what() const noexcept
{
    if (m_what.empty() && !m_message.isEmpty())
        m_what = m_message.toStdString();
    return m_what.c_str();
}

void Exception::raise() const
{
    throw Exception(*this);
}

Exception* Exception::clone() const
{
    if (!m_message.isEmpty())
        return new Exception(m_message);
    return new Exception(m_what.c_str());
}

QString Exception::message() const
{
    if (!m_message.isNull())
        return m_message;
    return QString::fromUtf8(m_what.data(), static_cast<int>(m_what.size()));
}
