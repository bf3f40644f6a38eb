#include "search/index/StringReader.h"

#include <algorithm>
#include <cstring>

namespace tarnolix {

StringReader::StringReader(std::shared_ptr<const std::wstring> text) : m_text(std::move(text)) {}

StringReader::StringReader(const std::wstring& text) : m_text(std::make_shared<const std::wstring>(text)) {}

StringReader::~StringReader() = default;

int32_t StringReader::read(wchar_t* buffer, int32_t offset, int32_t length)
{
    if (!m_text || int64_t(m_position) >= int64_t(m_text->size()))
        return READER_EOF;
    if (length <= 0)
        return 0;
    const int32_t n = int32_t(std::min<int64_t>(int64_t(m_text->size()) - m_position, length));
    std::memcpy(buffer + offset, m_text->data() + m_position, std::size_t(n) * sizeof(wchar_t));
    m_position += n;
    return n;
}

int32_t StringReader::read()
{
    if (!m_text || int64_t(m_position) >= int64_t(m_text->size()))
        return READER_EOF;
    return int32_t((*m_text)[std::size_t(m_position++)]);
}

void StringReader::close()
{
    m_text.reset();
}

void StringReader::reset()
{
    m_position = 0;
}

int64_t StringReader::length()
{
    return m_text ? int64_t(m_text->size()) : 0;
}

bool StringReader::markSupported()
{
    return false;
}

} // namespace tarnolix
