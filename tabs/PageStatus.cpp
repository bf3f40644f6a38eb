#include "tabs/PageStatus.h"

#include "core/Exception.h"
#include "database/DatabasePool.h"
#include "database/TarnolixDB.h"
#include "pages/PageServices.h"
#include "tabs/TabServices.h"
#include "tabs/TabStatus.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>
#include <QtGlobal>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

PageStatus::PageStatus(QObject* parent)
    : QObject(parent)
{
}

PageStatus::PageStatus(const QString& title, QObject* parent)
    : QObject(parent)
    , m_tabTitle(title)
{
}

PageStatus::~PageStatus() = default;

TabStatus* PageStatus::tabStatus() const
{
    return m_tabStatus;
}

void PageStatus::setTabStatus(TabStatus* tabStatus)
{
    if (tabStatus == m_tabStatus)
        return;
    m_tabStatus = tabStatus;
    emit tabStatusChanged();
}

void PageStatus::setTabTitle(const QString& title)
{
    if (title == m_tabTitle)
        return;
    m_tabTitle = title;
    emit tabTitleChanged();
}

UrlCreator::QueryType PageStatus::type() const
{
    return UrlCreator::InvalidQuery;
}

void PageStatus::initialize()
{
}

void PageStatus::initializePage()
{
}

void PageStatus::lookUpTabTitle(std::function<QString(TarnolixDB&)> read)
{
    auto* watcher = new QFutureWatcher<QString>(this);
    connect(watcher, &QFutureWatcher<QString>::finished, this, [this, watcher]() {
        watcher->deleteLater();
        try {
            setTabTitle(watcher->result());
        } catch (const std::exception& e) {
            showError(QString::fromUtf8(e.what()));
        }
    });
    // QtConcurrent carries only QException subclasses across threads, so
    // any other failure is turned into one here.
    watcher->setFuture(QtConcurrent::run([read = std::move(read)]() {
        try {
            return read(*currentDatabase());
        } catch (const Exception&) {
            throw;
        } catch (const std::exception& e) {
            throw Exception(QString::fromUtf8(e.what()));
        }
    }));
}

namespace {

// What each ASCII unit becomes in the escaped text, as its extra length: 0
// when copied as it is, 1 for a backslash escape, 5 for \uXXXX. Every unit
// from 128 up is copied. A table, because sections run to tens of thousands
// of units and a switch per unit mispredicts on mixed text.
struct EscapeTable
{
    constexpr EscapeTable()
    {
        for (int c = 0; c < 32; ++c)
            growth[c] = 5;
        for (const char c : {'\b', '\t', '\n', '\f', '\r', '"', '$', '\'', '(', ')', '*', '+', '.', '?', '[', '\\',
                             '^', '|'})
            growth[static_cast<unsigned char>(c)] = 1;
    }
    unsigned char growth[128] = {};
};
constexpr EscapeTable kEscape;

// DEL (127) is copied like every unit above it: clamping there keeps the
// lookup free of a branch that mixed Cyrillic and ASCII text mispredicts.
inline int escapeGrowth(ushort code)
{
    return kEscape.growth[std::min<ushort>(code, 127)];
}

// The index of the first unit from `from` on that is escaped, or `size`.
// Eight units at a time where SSE2 is there: most of a section is runs of
// text with nothing to escape.
inline int nextEscape(const ushort* in, int from, int size)
{
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    // Units from `low` to `low + span`, as a mask of all-ones lanes.
    const auto inRange = [zero](__m128i v, short low, short span) {
        const __m128i offset = _mm_sub_epi16(v, _mm_set1_epi16(low));
        return _mm_cmpeq_epi16(_mm_subs_epu16(offset, _mm_set1_epi16(span)), zero);
    };
    const auto equal = [](__m128i v, char c) { return _mm_cmpeq_epi16(v, _mm_set1_epi16(c)); };
    for (; from + 8 <= size; from += 8) {
        const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + from));
        __m128i hit = inRange(v, 0, 31);                              // control characters
        hit = _mm_or_si128(hit, inRange(v, '\'', '+' - '\''));       // ' ( ) * +
        hit = _mm_or_si128(hit, inRange(v, '[', '\\' - '['));        // [ backslash
        hit = _mm_or_si128(hit, _mm_or_si128(equal(v, '"'), equal(v, '$')));
        hit = _mm_or_si128(hit, _mm_or_si128(equal(v, '.'), equal(v, '?')));
        hit = _mm_or_si128(hit, _mm_or_si128(equal(v, '^'), equal(v, '|')));
        if (const int bits = _mm_movemask_epi8(hit))
            return from + __builtin_ctz(static_cast<unsigned>(bits)) / 2;
    }
#endif
    while (from < size && escapeGrowth(in[from]) == 0)
        ++from;
    return from;
}

// The letter after the backslash of a one-letter escape.
inline ushort escapeLetter(ushort code)
{
    switch (code) {
    case '\b':
        return 'b';
    case '\t':
        return 't';
    case '\n':
        return 'n';
    case '\f':
        return 'f';
    case '\r':
        return 'r';
    default:
        return code;
    }
}

} // namespace

QString PageStatus::escapeJS(const QString& text)
{
    const ushort* in = text.utf16();
    const int inSize = text.size();
    const int reserveSize = static_cast<int>(inSize * 1.3);
    // Sections run to tens of thousands of units: one pass into the 1.3x
    // reservation, copying the runs between escapes whole. Only a text that
    // outgrows it is measured to the end and the buffer grown once.
    int i = nextEscape(in, 0, inSize);
    if (i == inSize)
        return text; // nothing to escape: the text itself, shared
    static const char kHex[] = "0123456789abcdef";
    QString o(std::max(reserveSize, inSize), Qt::Uninitialized);
    ushort* out = reinterpret_cast<ushort*>(o.data());
    const ushort* limit = out + o.size();
    int runStart = 0;
    for (; i < inSize; i = nextEscape(in, i + 1, inSize)) {
        const ushort code = in[i];
        const int growth = escapeGrowth(code);
        const int run = i - runStart;
        if (limit - out < run + growth + 1) {
            const int written = static_cast<int>(out - reinterpret_cast<ushort*>(o.data()));
            qint64 outSize = qint64(written) + (inSize - runStart);
            for (int j = i; j < inSize; ++j)
                outSize += escapeGrowth(in[j]);
            if (outSize > std::numeric_limits<int>::max())
                throw std::length_error("escapeJS: the escaped text is too long");
            qWarning("escapeJS: reserveSize < o.size(): %d<%lld", reserveSize, static_cast<long long>(outSize));
            o.resize(static_cast<int>(outSize));
            out = reinterpret_cast<ushort*>(o.data()) + written;
            limit = reinterpret_cast<ushort*>(o.data()) + o.size();
        }
        std::memcpy(out, in + runStart, sizeof(ushort) * static_cast<std::size_t>(run));
        out += run;
        runStart = i + 1;
        *out++ = '\\';
        if (growth == 1) {
            *out++ = escapeLetter(code);
        } else {
            *out++ = 'u';
            *out++ = '0';
            *out++ = '0';
            *out++ = static_cast<ushort>(kHex[code >> 4]);
            *out++ = static_cast<ushort>(kHex[code & 0xf]);
        }
    }
    std::memcpy(out, in + runStart, sizeof(ushort) * static_cast<std::size_t>(inSize - runStart));
    out += inSize - runStart;
    // Give the unused reservation back; shrinking reallocates in place.
    o.resize(static_cast<int>(out - reinterpret_cast<ushort*>(o.data())));
    o.squeeze();
    return o;
}

void PageStatus::showError(const QString& message)
{
    if (TabServices* services = TabServices::current())
        services->postShowError(message);
    else
        qCritical("showError: %s", qUtf8Printable(message));
}

std::shared_ptr<const HTMLCreator> PageStatus::htmlCreator()
{
    PageServices* services = PageServices::current();
    return services ? services->htmlCreator() : nullptr;
}

// Compiled here, where TabStatus is complete (the property's type).
#include "moc_PageStatus.cpp"
