#include "pages/HTMLCreator.h"

#include <QtDebug>

#include <algorithm>
#include <limits>

namespace {

const char kDocumentEnd[] = "</div>\n</body>\n</html>\n";

} // namespace

HTMLCreator::HTMLCreator()
    : m_separator(QByteArrayLiteral("&nbsp;\xE2\x80\x94&nbsp;"))
    , m_separatorText(QString::fromUtf8(m_separator))
    , m_russianAbbreviation(tr("рус"))
    , m_russianAbbreviationUtf8(m_russianAbbreviation.toUtf8())
{
}

void HTMLCreator::setFrameState(const PageFrameState& state)
{
    std::lock_guard<std::mutex> lock(m_frameMutex);
    m_frameState = state;
}

PageFrameState HTMLCreator::frameState() const
{
    std::lock_guard<std::mutex> lock(m_frameMutex);
    return m_frameState;
}

void HTMLCreator::getHtmlPage(QByteArray& out, const PageFrameOptions& options) const
{
    // One consistent snapshot for the whole page.
    const PageFrameState state = frameState();

    constexpr qint64 maxReserve = std::numeric_limits<int>::max() / 2;
    out.reserve(static_cast<int>(std::clamp<qint64>(qint64(options.reserveHint) * 256, 0, maxReserve)));

    out += "<!DOCTYPE html>\n"
           "<html>\n"
           "<head>\n"
           "    <meta charset=\"utf-8\">\n"
           "    <link href=\"/resource/web/css/app.css\" rel=\"preload\" as=\"style\">\n"
           "    <link href=\"/resource/web/css/app.css\" rel=\"stylesheet\">\n";
    for (const QByteArray& script : options.scripts) {
        out += "  <script type=\"application/javascript\" src=\"/resource/web/js/";
        out += script;
        out += "\"></script>";
    }
    out += "</head>\n";

    if (state.webviewZoomFactor == 1.0) {
        out += "<body>\n";
    } else {
        out += "<body style=\"zoom: ";
        out += QByteArray::number(state.webviewZoomFactor, 'f', 6);
        out += ";\">\n";
    }

    out += "<div id=\"page\" class=\"invisible";
    if (options.contentInner) {
        out += " content-inner";
        switch (state.colorMode) {
        case TarnolixConstants::Light:
            out += " light";
            break;
        case TarnolixConstants::Dark:
            out += " dark";
            break;
        case TarnolixConstants::Mixed:
            out += " mixed";
            break;
        default:
            qWarning("Invalid color mode");
            break;
        }
        if (options.hideClasses) {
            if (!state.showSanskrit)
                out += " hide-sanskrit";
            if (!state.showDiacritic)
                out += " hide-diacritic";
            if (!state.showWordByWord)
                out += " hide-word-by-word";
            if (!state.showTranslate)
                out += " hide-translate";
            if (!state.showComment)
                out += " hide-comment";
        }
    }
    if (!options.extraClasses.isEmpty()) {
        out += ' ';
        out += options.extraClasses;
    }
    out += '"';
    if (!options.onClick.isEmpty()) {
        out += " onclick=\"";
        out += options.onClick;
        out += "(this, event)\"";
    }
    out += ">\n";
}

QByteArray HTMLCreator::getBookPage() const
{
    PageFrameOptions options;
    options.reserveHint = 1024;
    options.hideClasses = true;
    options.scripts = {QByteArrayLiteral("book.js")};
    options.onClick = QByteArrayLiteral("contentClicked");
    QByteArray out;
    getHtmlPage(out, options);
    out += "<div id=\"content\">\n";
    out += "</div>\n";
    out += kDocumentEnd;
    return out;
}

QByteArray HTMLCreator::getNewTabPage() const
{
    QByteArray out;
    getHtmlPage(out, PageFrameOptions());
    out += "<div class=\"new-tab\"><h2>";
    out += tr("Новая вкладка").toUtf8();
    out += "</h2><div>";
    out += tr("Воспользуйтесь поиском ").toUtf8();
    out += "<span class=\"gray-text-color\">";
    out += tr("(сверху)").toUtf8();
    out += "</span><br>";
    out += tr("или откройте любую книгу из каталога").toUtf8();
    // The space stays outside the translated text, so no translation can lose it.
    out += " <span class=\"gray-text-color\">";
    out += tr("(слева)").toUtf8();
    out += "</span></div></div>";
    out += kDocumentEnd;
    return out;
}
