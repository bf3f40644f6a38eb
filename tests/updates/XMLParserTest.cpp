#include "updates/BookParser.h"
#include "updates/XMLParser.h"

#include "tests/core/ExceptionText.h"
#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace {

// Opens "<data><v>...</v><next/></data>" on the value element "v" and
// reports where a typed reader left the stream.
class ValueReader : public XMLParser
{
public:
    explicit ValueReader(const QString& value)
        : XMLParser(QStringLiteral("<data><v>%1</v><next/></data>").arg(value).toUtf8())
    {
        m_reader.readNextStartElement();
        m_reader.readNextStartElement();
    }

    using XMLParser::readBool;
    using XMLParser::readInt;
    using XMLParser::readIntList;
    using XMLParser::readLanguage;
    using XMLParser::readLanguageList;
    using XMLParser::readText;

    // The next start element's name: where the stream stands.
    QString nextElement()
    {
        return m_reader.readNextStartElement() ? m_reader.name().toString() : QStringLiteral("<none>");
    }
};

const QRegularExpression parseErrorForm(QStringLiteral("^XML parse error: (.*)\nLine (\\d+), column (\\d+)$"));

// The reason part of a parse error, or the whole text when it has not that form.
QString parseErrorReason(const QString& message)
{
    const QRegularExpressionMatch m = parseErrorForm.match(message);
    return m.hasMatch() ? m.captured(1) : QStringLiteral("<not a parse error> ") + message;
}

TEST(XMLParser, ReadBoolConvertsTheFourSpellingsAndNothingElse)
{
    struct Case
    {
        const char* text;
        bool converts;
        bool value;
    };
    const Case cases[] = {{"true", true, true},   {"false", true, false}, {"1", true, true}, {"0", true, false},
                          {"TRUE", false, false}, {"yes", false, false},  {"", false, false}, {"2", false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        ValueReader lenient{QString::fromUtf8(c.text)};
        EXPECT_EQ(lenient.readBool(false), c.value);
        EXPECT_EQ(lenient.nextElement(), QStringLiteral("next"));

        ValueReader strict{QString::fromUtf8(c.text)};
        const QString error = errorOf([&] { strict.readBool(true); });
        if (c.converts)
            EXPECT_EQ(error, QStringLiteral("<no exception>"));
        else
            EXPECT_EQ(parseErrorReason(error), QStringLiteral("Conver to bool error. Text was: \"%1\"").arg(c.text));
    }
}

TEST(XMLParser, NumbersAndLanguagesLenientlyDefaultOrDropAndStrictlyFail)
{
    LogCapture log;
    ValueReader ints{QStringLiteral("<a>1</a><b>x</b><c>3</c>")};
    EXPECT_EQ(ints.readIntList(false), (std::vector<int>{1, 3}));
    EXPECT_EQ(ints.nextElement(), QStringLiteral("next"));

    ValueReader strictInts{QStringLiteral("<a>1</a><b>x</b><c>3</c>")};
    EXPECT_EQ(parseErrorReason(errorOf([&] { strictInts.readIntList(true); })),
              QStringLiteral("Convert to int error. Text was: \"x\""));

    ValueReader badInt{QStringLiteral("12a")};
    EXPECT_EQ(badInt.readInt(false), 0);
    ValueReader strictInt{QStringLiteral("12a")};
    EXPECT_EQ(parseErrorReason(errorOf([&] { strictInt.readInt(true); })),
              QStringLiteral("Convert to int error. Text was: \"12a\""));

    ValueReader languages{QStringLiteral("<l>ru</l><l>xx</l><l>st</l>")};
    EXPECT_EQ(languages.readLanguageList(false),
              (std::vector<TarnolixConstants::Language>{TarnolixConstants::Russian, TarnolixConstants::Sanskrit}));
    ValueReader strictLanguages{QStringLiteral("<l>ru</l><l>xx</l>")};
    EXPECT_EQ(parseErrorReason(errorOf([&] { strictLanguages.readLanguageList(true); })),
              QStringLiteral("Convert to language error. Text was: \"xx\""));

    ValueReader language{QStringLiteral("EN")};
    EXPECT_EQ(language.readLanguage(false), TarnolixConstants::InvalidLanguage);
    ValueReader strictLanguage{QStringLiteral("EN")};
    EXPECT_EQ(parseErrorReason(errorOf([&] { strictLanguage.readLanguage(true); })),
              QStringLiteral("Convert to language error. Text was: \"EN\""));
}

TEST(XMLParser, ReadTextJoinsCharacterDataAndStopsAtMarkupOrComments)
{
    struct Case
    {
        const char* value;
        const char* lenient;
        const char* strictError; // nullptr: strict reading gives the same text
    };
    const Case cases[] = {
        {"a&amp;b<![CDATA[<p>c]]>&#233;", "a&b<p>c\u00e9", nullptr},
        {"", "", nullptr},
        // Nested markup spoils the value.
        {"a<b>x</b>c", "", "Read CDATA error (1)"},
        // A comment or processing instruction ends it.
        {"a<!-- note -->c", "a", "Read CDATA error (2)"},
        {"a<?pi x?><b>y</b>c", "a", "Read CDATA error (2)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        ValueReader lenient{QString::fromUtf8(c.value)};
        EXPECT_EQ(lenient.readText(false), QString::fromUtf8(c.lenient));
        // The whole element is consumed either way.
        EXPECT_EQ(lenient.nextElement(), QStringLiteral("next"));

        ValueReader strict{QString::fromUtf8(c.value)};
        QString text;
        const QString error = errorOf([&] { text = strict.readText(true); });
        if (c.strictError) {
            EXPECT_EQ(parseErrorReason(error), QString::fromUtf8(c.strictError));
        } else {
            EXPECT_EQ(error, QStringLiteral("<no exception>"));
            EXPECT_EQ(text, QString::fromUtf8(c.lenient));
        }
    }
}

TEST(XMLParser, AStrictFailureNamesItsLineAndColumn)
{
    BookBaseParser parser("<data>\n  <id>seven</id>\n</data>");
    const QString error = errorOf([&] { parser.parse(); });
    const QRegularExpressionMatch m = parseErrorForm.match(error);
    ASSERT_TRUE(m.hasMatch()) << error.toStdString();
    EXPECT_EQ(m.captured(1), QStringLiteral("Convert to int error. Text was: \"seven\""));
    EXPECT_EQ(m.captured(2), QStringLiteral("2"));
}

TEST(XMLParser, MalformedOrHostileDocumentsEndInTheParseError)
{
    const char* const documents[] = {
        "",
        "<data><id>1</id>",
        "<data><id>1</data>",
        "<data><name>a &undeclared; b</name></data>",
        "<data><name>a<b/>c</name></data>", // plain text holds no markup
        // A document type declaration is refused before anything it
        // declares could expand.
        "<!DOCTYPE data [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
        "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\"><!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
        "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\"><!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
        "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\"><!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">]>"
        "<data><id>1</id><name>&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;</name></data>",
        "<!DOCTYPE data><data><id>1</id></data>",
        "<!DOCTYPE data SYSTEM \"http://127.0.0.1:1/data.dtd\"><data><id>1</id></data>",
    };
    LogCapture log;
    for (const char* document : documents) {
        SCOPED_TRACE(document);
        BookBaseParser parser{QByteArray(document)};
        const QString error = errorOf([&] { parser.parse(); });
        EXPECT_TRUE(parseErrorForm.match(error).hasMatch()) << error.toStdString();
        if (QByteArray(document).startsWith("<!DOCTYPE")) {
            EXPECT_EQ(parseErrorReason(error), QStringLiteral("Document type declarations are not accepted"));
        }
    }
}

TEST(XMLParser, AWrongRootGivesDefaultsAfterAWarning)
{
    LogCapture log;
    BookBaseParser parser("<?xml version=\"1.0\"?><!-- base --><book><id>7</id></book>");
    const auto base = parser.parse();
    ASSERT_TRUE(base);
    EXPECT_EQ(base->id, 0);
    EXPECT_TRUE(base->name.isEmpty());
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("XMLParser: Invalid format")});
}

TEST(XMLParser, UnknownElementsAreSkippedWithTheirContent)
{
    LogCapture log;
    BookBaseParser parser("<data><id>5</id><name>outer</name><extra><name>inner</name><id>9</id></extra>"
                          "<slug>s</slug></data>");
    const auto base = parser.parse();
    EXPECT_EQ(base->id, 5);
    EXPECT_EQ(base->name, QStringLiteral("outer"));
    EXPECT_EQ(base->slug, QStringLiteral("s"));
    EXPECT_EQ(log.warnings(), QStringList{QStringLiteral("XMLParser: Unknown element")});
}

} // namespace
