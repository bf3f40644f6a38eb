#include "search/index/ErrorText.h"

#include <LuceneException.h>

namespace tarnolix {

QString errorText(const std::exception& error)
{
    if (const auto* lucene = dynamic_cast<const Lucene::LuceneException*>(&error))
        return QString::fromStdWString(lucene->getError());
    return QString::fromUtf8(error.what());
}

} // namespace tarnolix
