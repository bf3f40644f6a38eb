#include "core/SharedHelpers.h"
#include "core/UpdaterSavedStatus.h"

#include "tests/support/TestSupport.h"

#include <QDataStream>
#include <QRegularExpression>
#include <QStringList>

#include <gtest/gtest.h>

namespace {

// Collects the messages logged while it lives.
class MessageCapture
{
public:
    MessageCapture()
    {
        s_messages.clear();
        m_previous = qInstallMessageHandler(&MessageCapture::handle);
    }
    ~MessageCapture() { qInstallMessageHandler(m_previous); }

    const QStringList& messages() const { return s_messages; }

private:
    static void handle(QtMsgType type, const QMessageLogContext&, const QString& text)
    {
        s_messages << QString::fromLatin1(type == QtDebugMsg ? "debug: " : type == QtWarningMsg ? "warning: " : "other: ")
                + text;
    }

    static inline QStringList s_messages;
    QtMessageHandler m_previous = nullptr;
};

UpdaterSavedStatus sampleStatus()
{
    UpdaterSavedStatus status;
    status.categoriesLoaded = true;
    status.archiBooksLoaded = true;
    status.completed = true;
    status.booksToLoad = {17, -4, 300000};
    status.newBookIds = {9, 2, 9, -1};
    status.idsTime = -1700000000123LL;
    status.glossariesMd5 = "d41d8cd98f00b204e9800998ecf8427e";
    status.subscriptionLevel = QString::fromUtf8("полный \xF0\x9D\x84\x9E");
    return status;
}

QByteArray countedInts(quint32 count, const std::vector<qint32>& values)
{
    QByteArray data;
    QDataStream out(&data, QIODevice::WriteOnly);
    out << count;
    for (qint32 value : values)
        out << value;
    return data;
}

TEST(UpdaterSavedStatusTest, StoredFormIsBigEndianVersion18InFieldOrder)
{
    UpdaterSavedStatus status;
    status.categoriesLoaded = true;
    status.publishersLoaded = true;
    status.completed = true;
    status.booksToLoad = {2, 1};
    status.newBookIds = {3};
    status.idsTime = 0x0102030405060708LL;
    status.glossariesMd5 = "ab";
    status.subscriptionLevel = QString::fromUtf8("Я");
    const QByteArray expected = QByteArray::fromHex("01000100000001"
                                                    "00000002" "00000001" "00000002"
                                                    "00000001" "00000003"
                                                    "0102030405060708"
                                                    "00000002" "6162"
                                                    "00000002" "042f");
    EXPECT_EQ(serializeUpdaterStatus(status).toHex(), expected.toHex());

    // Null texts have their own marker and come back null.
    const QByteArray empty = serializeUpdaterStatus(UpdaterSavedStatus());
    EXPECT_TRUE(empty.endsWith(QByteArray::fromHex("ffffffffffffffff")));
    EXPECT_TRUE(deserializeUpdaterStatus(empty).subscriptionLevel.isNull());
}

TEST(UpdaterSavedStatusTest, RoundTripAndEveryTruncationGivesTheDefault)
{
    const UpdaterSavedStatus status = sampleStatus();
    const QByteArray data = serializeUpdaterStatus(status);
    EXPECT_EQ(deserializeUpdaterStatus(data), status);
    EXPECT_EQ(deserializeUpdaterStatus(QByteArray()), UpdaterSavedStatus());
    for (int length = 1; length < data.size(); ++length)
        EXPECT_EQ(deserializeUpdaterStatus(data.left(length)), UpdaterSavedStatus()) << "length " << length;
}

TEST(UpdaterSavedStatusTest, ForgedCountGivesTheDefaultWithTheWarning)
{
    UpdaterSavedStatus status = sampleStatus();
    status.booksToLoad.clear();
    QByteArray data = serializeUpdaterStatus(status);
    // The empty set's count sits right after the seven flags.
    data.replace(7, 4, QByteArray::fromHex("20000000"));
    MessageCapture capture;
    EXPECT_EQ(deserializeUpdaterStatus(data), UpdaterSavedStatus());
    EXPECT_EQ(capture.messages(), QStringList{"warning: Invalid elements count"});
}

TEST(UpdaterSavedStatusTest, CountedListsRefuseBadCountsAndShortData)
{
    const struct
    {
        const char* name;
        QByteArray data;
        QDataStream::Status status;
        std::vector<qint32> list;
        bool warned;
    } cases[] = {
        {"three", countedInts(3, {1, -2, 3}), QDataStream::Ok, {1, -2, 3}, false},
        {"none", countedInts(0, {}), QDataStream::Ok, {}, false},
        {"bound", countedInts(0x20000000, {1, 2}), QDataStream::ReadCorruptData, {}, true},
        {"all ones", countedInts(0xFFFFFFFF, {1}), QDataStream::ReadCorruptData, {}, true},
        {"below bound, data short", countedInts(0x1FFFFFFF, {1, 2}), QDataStream::ReadPastEnd, {}, false},
        {"ends mid-list", countedInts(3, {1, 2}), QDataStream::ReadPastEnd, {}, false},
        {"ends mid-count", QByteArray::fromHex("0000"), QDataStream::ReadPastEnd, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        MessageCapture capture;
        std::vector<qint32> list = {42}; // what was there before is replaced
        QDataStream in(c.data);
        in >> list;
        EXPECT_EQ(in.status(), c.status);
        EXPECT_EQ(list, c.list);

        std::set<qint32> set = {42};
        QDataStream setIn(c.data);
        setIn >> set;
        EXPECT_EQ(setIn.status(), c.status);
        EXPECT_EQ(set, std::set<qint32>(c.list.begin(), c.list.end()));
        EXPECT_EQ(capture.messages().size(), c.warned ? 2 : 0) << capture.messages().join("; ").toStdString();
    }
}

TEST(UpdaterSavedStatusTest, EarlierStreamFailureIsNotHidden)
{
    QDataStream in(countedInts(2, {7, 8}));
    in.setStatus(QDataStream::ReadCorruptData);
    std::vector<qint32> list;
    in >> list;
    // Read on a clean status, then the old failure is put back.
    EXPECT_EQ(list, std::vector<qint32>({7, 8}));
    EXPECT_EQ(in.status(), QDataStream::ReadCorruptData);
}

TEST(ScopedElapsedLoggerTest, LogsStartAndOnRequestTheElapsedTime)
{
    MessageCapture capture;
    {
        ScopedElapsedLogger quiet("Quiet step", false);
        ScopedElapsedLogger timed(QByteArray("Save books"));
    }
    ASSERT_EQ(capture.messages().size(), 3) << capture.messages().join("; ").toStdString();
    EXPECT_EQ(capture.messages().at(0), "debug: Quiet step");
    EXPECT_EQ(capture.messages().at(1), "debug: Save books");
    EXPECT_TRUE(QRegularExpression("^debug: Save books finished\\. \\d+ ms\\. elapsed$")
                    .match(capture.messages().at(2))
                    .hasMatch())
        << capture.messages().at(2).toStdString();
}

} // namespace
