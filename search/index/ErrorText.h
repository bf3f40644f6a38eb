#pragma once
// The text of a caught exception for logs and readers. Lucene++'s what()
// puts a numeric code in front of the message; its getError() is the
// message alone.

#include <QString>

#include <exception>

namespace tarnolix {

QString errorText(const std::exception& error);

} // namespace tarnolix
