// The stand-in server's sample library, built by its own archive code, read
// as the update engine will read it: every document parses without a
// warning, and every word-by-word paragraph is taken by the reader of the
// style it is written in.

#include "updates/BookParser.h"
#include "updates/GlossaryParser.h"

#include "tests/core/LogCapture.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <quazip.h>
#include <quazipfile.h>

#include <gtest/gtest.h>

#include <map>

namespace {

using Entries = std::vector<std::pair<QString, QByteArray>>;

Entries readZip(const QString& path)
{
    Entries entries;
    QuaZip zip(path);
    if (!zip.open(QuaZip::mdUnzip)) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return entries;
    }
    for (bool more = zip.goToFirstFile(); more; more = zip.goToNextFile()) {
        QuaZipFile file(&zip);
        if (!file.open(QIODevice::ReadOnly)) {
            ADD_FAILURE() << "cannot read an entry of " << path.toStdString();
            continue;
        }
        entries.emplace_back(zip.getCurrentFileName(), file.readAll());
    }
    return entries;
}

// The raw texts of an edition's word-by-word paragraphs.
QStringList wordByWordTexts(const QByteArray& xml)
{
    QStringList texts;
    QXmlStreamReader reader(xml);
    while (reader.readNextStartElement() || !reader.atEnd()) {
        if (reader.isStartElement() && reader.name() == QLatin1String("word-by-word"))
            texts << reader.readElementText();
    }
    return texts;
}

// Parses a book archive's editions (after its base) and returns their
// warnings, with the book id written as "<id>".
QStringList editionWarnings(const QString& path)
{
    const Entries entries = readZip(path);
    if (entries.empty())
        return {};
    const int bookId = BookBaseParser(entries[0].second).parse()->id;
    LogCapture log;
    for (std::size_t i = 1; i < entries.size(); ++i) {
        const QString& name = entries[i].first;
        BookParser(languageFromString(name.mid(5, name.indexOf('.') - 5)), entries[i].second, bookId).parse();
    }
    return log.warnings().replaceInStrings(QStringLiteral("bookId=%1").arg(bookId), QStringLiteral("bookId=<id>"));
}

// The reader a paragraph's style calls for: parenthesised originals, a list
// of entries, or one entry.
int readerOfStyle(const QString& text)
{
    if (text.trimmed().startsWith(QLatin1Char('(')))
        return 1;
    return text.contains(QLatin1Char(';')) ? 0 : 2;
}

class SampleArchives : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_dir = tarnolix::test::makeTempDir().release();
        QProcess python;
        python.start(QStringLiteral(TARNOLIX_TEST_PYTHON3),
                     {QStringLiteral(TARNOLIX_TEST_SOURCE_DIR "/tests/updates/sample_archives.py"),
                      QStringLiteral(TARNOLIX_TEST_SOURCE_DIR), s_dir->path()});
        python.waitForFinished(120000);
        s_output = QString::fromUtf8(python.readAllStandardError());
        s_ok = python.exitStatus() == QProcess::NormalExit && python.exitCode() == 0;
    }
    static void TearDownTestSuite()
    {
        delete s_dir;
        s_dir = nullptr;
    }

    void SetUp() override { ASSERT_TRUE(s_ok) << s_output.toStdString(); }

    static QStringList archives(const QString& pattern)
    {
        QStringList paths;
        const QDir root(s_dir->path());
        for (const QString& version : root.entryList({QStringLiteral("v*")}, QDir::Dirs, QDir::Name)) {
            const QDir folder(root.filePath(version));
            for (const QString& name : folder.entryList({pattern}, QDir::Files, QDir::Name))
                paths << folder.filePath(name);
        }
        return paths;
    }

    static inline QTemporaryDir* s_dir = nullptr;
    static inline bool s_ok = false;
    static inline QString s_output;
};

TEST_F(SampleArchives, BooksParseWithoutAWarning)
{
    const QStringList paths = archives(QStringLiteral("book_*.zip"));
    ASSERT_GE(paths.size(), 7);
    LogCapture log;
    std::map<int, int> readerUse;
    int longParagraphs = 0;
    const QRegularExpression reference(QStringLiteral("&(#[0-9]+|#x[0-9a-fA-F]+|[a-zA-Z]+[0-9]*);"));
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        const Entries entries = readZip(path);
        ASSERT_FALSE(entries.empty());
        ASSERT_EQ(entries[0].first, QStringLiteral("base.xml"));
        const auto base = BookBaseParser(entries[0].second).parse();
        EXPECT_GT(base->id, 0);
        ASSERT_EQ(base->languages.size() + 1, entries.size());
        for (std::size_t i = 1; i < entries.size(); ++i) {
            const auto& [name, xml] = entries[i];
            SCOPED_TRACE(name.toStdString());
            const QString code = name.mid(5, name.indexOf('.') - 5);
            const TarnolixConstants::Language language = languageFromString(code);
            EXPECT_EQ(language, base->languages[i - 1]);
            const auto [book, wordByWord] = BookParser(language, xml, base->id).parse();
            EXPECT_EQ(book->info->language, language);
            EXPECT_FALSE(book->info->name.isEmpty());
            EXPECT_FALSE(book->sections.empty());
            EXPECT_EQ(book->parts.size(), book->sections.size());
            for (const auto& part : book->parts) {
                for (const auto& entity : part->entities) {
                    longParagraphs += entity->texts.size() > 1;
                    EXPECT_FALSE(reference.match(joinStrings(*entity)).hasMatch()) << joinStrings(*entity).toStdString();
                }
            }

            const QStringList texts = wordByWordTexts(xml);
            const auto parsers = makeWordByWordParsers(language);
            int pairs = 0;
            for (const QString& text : texts) {
                SCOPED_TRACE(text.toStdString());
                BookPart part;
                QString rendered = text;
                WordByWordDataForIndex::WordPairs found;
                const int reader = processWordByWord(parsers, part, base->id, rendered, found);
                EXPECT_EQ(reader, readerOfStyle(text));
                ++readerUse[reader];
                pairs += int(found.size());
            }
            EXPECT_EQ(wordByWord->pairCount(), pairs);
        }
    }
    EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join('\n').toStdString();
    // The sample library holds every style, and paragraphs long enough to
    // be cut.
    EXPECT_GT(longParagraphs, 0);
    EXPECT_GT(readerUse[0], 0);
    EXPECT_GT(readerUse[1], 0);
    EXPECT_GT(readerUse[2], 0);
}

TEST_F(SampleArchives, TheStandInsSectionFaultsAreReported)
{
    const QStringList empty = editionWarnings(s_dir->filePath(QStringLiteral("faults/empty-section.zip")));
    ASSERT_EQ(empty.size(), 1);
    EXPECT_EQ(empty[0], QStringLiteral("BookParser::readSection: section is empty (bookId=<id>)"));
    const QStringList broken = editionWarnings(s_dir->filePath(QStringLiteral("faults/broken-index.zip")));
    ASSERT_EQ(broken.size(), 1);
    EXPECT_TRUE(broken[0].startsWith(QStringLiteral("BookParser::readSection: индексы секций книги повреждены (bookId=<id> ")))
        << broken[0].toStdString();
}

TEST_F(SampleArchives, GlossariesParseWithoutAWarning)
{
    const QStringList paths = archives(QStringLiteral("glossaries.zip"));
    ASSERT_FALSE(paths.isEmpty());
    LogCapture log;
    for (const QString& path : paths) {
        SCOPED_TRACE(path.toStdString());
        auto ids = std::make_shared<GlossariesIdMngr>();
        std::shared_ptr<GlossaryTree> tree;
        std::set<int> glossaryIds;
        std::vector<std::shared_ptr<GlossaryWord>> words;
        int treeCategories = 0;
        for (const auto& [name, xml] : readZip(path)) {
            SCOPED_TRACE(name.toStdString());
            const QStringList parts = name.split('/', Qt::SkipEmptyParts);
            if (parts.size() == 2 && parts[1] == QLatin1String("glossary_tree.xml")) {
                GlossaryTreeParser parser(ids, xml);
                tree = parser.parse();
                glossaryIds = parser.glossaryIds();
                treeCategories = ids->lastCategoryId;
            } else if (parts.size() == 3 && parts[1] == QLatin1String("words")) {
                ASSERT_TRUE(tree) << "the tree comes first";
                words.push_back(GlossaryWordParser(ids, xml).parse());
            }
        }
        ASSERT_TRUE(tree);
        EXPECT_FALSE(tree->categories.empty());
        EXPECT_FALSE(glossaryIds.empty());
        ASSERT_FALSE(words.empty());
        // The words name the tree's categories and glossaries: no id was
        // added after the tree.
        for (const auto& word : words) {
            EXPECT_FALSE(word->words.isEmpty());
            for (const auto& place : word->where) {
                EXPECT_GE(place.categoryId, 1);
                EXPECT_LE(place.categoryId, treeCategories);
                for (int id : place.glossaryIds)
                    EXPECT_TRUE(glossaryIds.count(id)) << id;
            }
        }
    }
    EXPECT_TRUE(log.warnings().isEmpty()) << log.warnings().join('\n').toStdString();
}

} // namespace
