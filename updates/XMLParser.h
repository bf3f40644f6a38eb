#pragma once
// Base of the readers of the library's XML sources (book base, book edition,
// glossary tree, glossary word). It streams over bytes that come from the
// server and offers typed element readers with one error policy: a value
// that does not convert either fails the parse (strict) or gives a default
// (lenient). Every reader error ends the parse with Exception
// "XML parse error: <reason>\nLine <n>, column <m>".
//
// The input is untrusted: a document type declaration is refused outright
// (nothing it declares is ever expanded), and QXmlStreamReader's own limit
// on entity expansion stays in force.

#include "core/TarnolixConstants.h"

#include <QByteArray>
#include <QString>
#include <QXmlStreamReader>

#include <utility>
#include <vector>

// Elements of a record read by name: plain text into a text member, a
// lenient integer into an int member.
template <typename Record>
struct XMLFieldTable
{
    std::vector<std::pair<QLatin1String, QString Record::*>> texts;
    std::vector<std::pair<QLatin1String, int Record::*>> ints;
};

class XMLParser
{
public:
    explicit XMLParser(const QByteArray& data);
    virtual ~XMLParser();

    XMLParser(const XMLParser&) = delete;
    XMLParser& operator=(const XMLParser&) = delete;

protected:
    // Each typed reader is called with the stream on the value's start
    // element and leaves it after that element's end. `required` selects
    // strict mode.
    bool readBool(bool required);
    int readInt(bool required);
    // One value per child element, whatever the children are named; in
    // lenient mode a child that does not convert is left out.
    std::vector<int> readIntList(bool required);
    TarnolixConstants::Language readLanguage(bool required);
    std::vector<TarnolixConstants::Language> readLanguageList(bool required);
    // The character data and entity references up to the element's end.
    // Markup inside the value spoils it: the result is then empty. A comment
    // or processing instruction ends the value: the text before it is
    // returned and the rest of the element is skipped.
    QString readText(bool required);
    // The element's plain text (QXmlStreamReader::readElementText): nested
    // markup is a reader error.
    QString readPlainText();

    // Reads the current element into `record` when `table` names it; false
    // (nothing read) for another name.
    template <typename Record>
    bool readTableField(Record& record, const XMLFieldTable<Record>& table)
    {
        const QStringRef name = m_reader.name();
        for (const auto& [key, member] : table.texts) {
            if (name == key) {
                record.*member = readPlainText();
                return true;
            }
        }
        for (const auto& [key, member] : table.ints) {
            if (name == key) {
                record.*member = readInt(false);
                return true;
            }
        }
        return false;
    }

    // Whether the current element has this name.
    bool atElement(const char* name) const { return m_reader.name() == QLatin1String(name); }

    // Calls `read` on each child element named `item` (with the stream on
    // its start element; `read` consumes it) and skips other children as
    // unknown. Leaves the stream after the list's end.
    template <typename Read>
    void readList(const char* item, Read&& read)
    {
        while (m_reader.readNextStartElement()) {
            if (atElement(item))
                read();
            else
                skipUnknownElement();
        }
        checkError();
    }

    // Reads up to the first start element. True when it is "data"; false
    // (after the warning "Invalid format") for another root or none. A
    // document type declaration fails the parse.
    bool readRoot();
    // Throws the parse error when the stream has one.
    void checkError();
    // Logs "Unknown element" and skips the element with everything inside.
    void skipUnknownElement();
    // Logs "XMLParser: <text>" at warning level.
    static void warning(const char* text);

    [[noreturn]] void throwParseError();

    QXmlStreamReader m_reader;

private:
    // Strict-mode failure: marks the stream failed with `message` and throws.
    [[noreturn]] void failConversion(const QString& message);
};
