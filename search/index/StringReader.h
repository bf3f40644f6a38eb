#pragma once
// A Lucene reader over a wide text that is shared, not copied: book sections
// and queries are analysed from memory. Positions count wide characters.

#include "search/index/LuceneClass.h"


#include <memory>
#include <string>

namespace tarnolix {

class StringReader : public Lucene::Reader
{
public:
    explicit StringReader(std::shared_ptr<const std::wstring> text);
    explicit StringReader(const std::wstring& text);
    ~StringReader() override;
    TARNOLIX_LUCENE_CLASS(StringReader);

    // READER_EOF without text or at its end; else up to `length` characters.
    int32_t read(wchar_t* buffer, int32_t offset, int32_t length) override;
    int32_t read() override;
    // Drops the text: every later read is at its end.
    void close() override;
    void reset() override;
    int64_t length() override;
    bool markSupported() override;

private:
    std::shared_ptr<const std::wstring> m_text;
    int32_t m_position = 0;
};

} // namespace tarnolix
