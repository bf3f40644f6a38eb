#include "updates/XMLParser.h"

#include "core/Exception.h"

namespace {

bool toInt(const QString& text, int& value)
{
    bool ok = false;
    value = text.toInt(&ok);
    return ok;
}

QString quoted(const char* prefix, const QString& text)
{
    return QLatin1String(prefix) + QLatin1Char('"') + text + QLatin1Char('"');
}

} // namespace

XMLParser::XMLParser(const QByteArray& data) : m_reader(data) {}

XMLParser::~XMLParser() = default;

void XMLParser::warning(const char* text)
{
    qWarning("XMLParser: %s", text);
}

void XMLParser::throwParseError()
{
    throw Exception(QStringLiteral("XML parse error: %1\nLine %2, column %3")
                        .arg(m_reader.errorString())
                        .arg(m_reader.lineNumber())
                        .arg(m_reader.columnNumber()));
}

void XMLParser::failConversion(const QString& message)
{
    m_reader.raiseError(message);
    throwParseError();
}

void XMLParser::checkError()
{
    if (m_reader.hasError())
        throwParseError();
}

bool XMLParser::readRoot()
{
    checkError();
    while (!m_reader.atEnd()) {
        const QXmlStreamReader::TokenType token = m_reader.readNext();
        if (token == QXmlStreamReader::DTD) {
            // Entities it declares could expand without bound; these
            // formats never carry one.
            m_reader.raiseError(QStringLiteral("Document type declarations are not accepted"));
            throwParseError();
        }
        if (token == QXmlStreamReader::StartElement) {
            if (m_reader.name() == QLatin1String("data"))
                return true;
            break;
        }
        if (token == QXmlStreamReader::Invalid)
            break;
    }
    warning("Invalid format");
    return false;
}

void XMLParser::skipUnknownElement()
{
    warning("Unknown element");
    m_reader.skipCurrentElement();
    checkError();
}

QString XMLParser::readPlainText()
{
    QString text = m_reader.readElementText();
    checkError();
    return text;
}

bool XMLParser::readBool(bool required)
{
    const QString text = readPlainText();
    if (text == QLatin1String("true"))
        return true;
    if (text == QLatin1String("false"))
        return false;
    int value = 0;
    if (toInt(text, value) && (value == 0 || value == 1))
        return value == 1;
    if (required)
        failConversion(quoted("Conver to bool error. Text was: ", text));
    return false;
}

int XMLParser::readInt(bool required)
{
    const QString text = readPlainText();
    int value = 0;
    if (toInt(text, value))
        return value;
    if (required)
        failConversion(quoted("Convert to int error. Text was: ", text));
    return 0;
}

std::vector<int> XMLParser::readIntList(bool required)
{
    std::vector<int> values;
    while (m_reader.readNextStartElement()) {
        const QString text = readPlainText();
        int value = 0;
        if (toInt(text, value))
            values.push_back(value);
        else if (required)
            failConversion(quoted("Convert to int error. Text was: ", text));
    }
    checkError();
    return values;
}

TarnolixConstants::Language XMLParser::readLanguage(bool required)
{
    const QString text = readPlainText();
    const TarnolixConstants::Language language = languageFromString(text);
    if (language == TarnolixConstants::InvalidLanguage && required)
        failConversion(quoted("Convert to language error. Text was: ", text));
    return language;
}

std::vector<TarnolixConstants::Language> XMLParser::readLanguageList(bool required)
{
    std::vector<TarnolixConstants::Language> values;
    while (m_reader.readNextStartElement()) {
        const QString text = readPlainText();
        const TarnolixConstants::Language language = languageFromString(text);
        if (language != TarnolixConstants::InvalidLanguage)
            values.push_back(language);
        else if (required)
            failConversion(quoted("Convert to language error. Text was: ", text));
    }
    checkError();
    return values;
}

QString XMLParser::readText(bool required)
{
    QString result;
    bool spoiled = false;
    for (;;) {
        switch (m_reader.readNext()) {
        case QXmlStreamReader::StartElement:
            if (required)
                failConversion(QStringLiteral("Read CDATA error (1)"));
            spoiled = true;
            m_reader.skipCurrentElement();
            checkError();
            break;
        case QXmlStreamReader::EndElement:
            return spoiled ? QString() : result;
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            result += m_reader.text();
            break;
        case QXmlStreamReader::Comment:
        case QXmlStreamReader::ProcessingInstruction:
            if (required)
                failConversion(QStringLiteral("Read CDATA error (2)"));
            // The value ends here; the rest of the element is consumed so
            // that the caller goes on with the next sibling.
            m_reader.skipCurrentElement();
            checkError();
            return spoiled ? QString() : result;
        default:
            // End of input or a reader error: the caller's error check
            // ends the parse.
            if (required)
                failConversion(QStringLiteral("Read CDATA error (2)"));
            return spoiled ? QString() : result;
        }
    }
}
