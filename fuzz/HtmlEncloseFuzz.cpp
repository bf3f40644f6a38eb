// Feeds arbitrary HTML and ranges to the range encloser, the way the page
// generator calls it, and checks what every caller relies on: either a clean
// Exception or the HTML unchanged apart from markup around runs that cover
// every visible character of the range.
#include "core/Exception.h"
#include "core/TarnolixHtmlEncloseHelper.h"
#include "core/TarnolixText.h"
#include "fuzz/FuzzSupport.h"

#include <QString>
#include <QVector>
#include <QtGlobal>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

const QChar kOpen(0xE000);
const QChar kClose(0xE001);

int readInt16(const std::uint8_t* p)
{
    return std::int16_t(std::uint16_t(p[0] | (p[1] << 8)));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::silenceLog();
    if (size < 5)
        return 0;

    // Byte 0: bit 0 takes the next two numbers as text positions (through
    // getPosition, as the page generator does), bit 1 reads the HTML as raw
    // UTF-16 so that any code unit, lone surrogates included, can appear.
    const std::uint8_t mode = data[0];
    int a = readInt16(data + 1);
    int b = readInt16(data + 3);
    data += 5;
    size -= 5;
    QString html = (mode & 2) ? QString::fromUtf16(reinterpret_cast<const char16_t*>(data), int(size / 2))
                              : QString::fromUtf8(reinterpret_cast<const char*>(data), int(size));
    html.remove(kOpen).remove(kClose);
    const int length = html.size();

    int start = a;
    int end = b;
    if (mode & 1) {
        start = a == 0 ? 0 : TarnolixText::getPosition(html, a, TarnolixText::ZeroAfterLeadingTags);
        end = TarnolixText::getPosition(html, b, TarnolixText::ZeroIsError);
        if (start < 0 || end < 0)
            return 0;
        // A text position maps to an offset that maps back to it.
        const int visible = TarnolixText::getAbsolutePosition(html, length);
        if (b > 0 && b <= visible)
            fuzz::check(TarnolixText::getAbsolutePosition(html, end) == b);
    }

    int opens = 0;
    int closes = 0;
    QString result;
    try {
        result = encloseHtmlFragment(
            html,
            [&] {
                ++opens;
                return QString(kOpen);
            },
            [&] {
                ++closes;
                return QString(kClose);
            },
            start, end);
    } catch (const Exception&) {
        return 0;
    }

    // Runs alternate open and close, never nested, one generator call each.
    // `covered` marks the HTML's code units inside a run.
    QVector<bool> covered(length, false);
    bool inRun = false;
    int runs = 0;
    int i = 0;
    for (const QChar c : result) {
        if (c == kOpen) {
            fuzz::check(!inRun);
            inRun = true;
            ++runs;
        } else if (c == kClose) {
            fuzz::check(inRun);
            inRun = false;
        } else {
            fuzz::check(i < length && html.at(i) == c);
            covered[i++] = inRun;
        }
    }
    fuzz::check(!inRun && i == length);
    fuzz::check(opens == runs && closes == runs);

    // Runs stay inside the range, and outside them the range holds tags only.
    const int from = qMax(start, 0);
    for (int k = 0; k < length; ++k) {
        if (covered[k])
            fuzz::check(k >= from && k < end);
    }
    for (int k = 0; k < length;) {
        TarnolixText::TagInfo tag;
        if (TarnolixText::getTag(html, k, false, tag)) {
            k += tag.length;
            continue;
        }
        if (k >= from && k < end)
            fuzz::check(covered[k]);
        ++k;
    }
    if (end <= from)
        fuzz::check(runs == 0);
    return 0;
}
