// Typed rows of the library's Settings table.

#include "database/LibrarySettingsKeys.h"
#include "database/TarnolixDB.h"

#include "core/Glossary.h"
#include "core/SectionsCatalogPositions.h"

#include <QCborStreamWriter>
#include <QDataStream>

namespace {

// The stream version every stored QDataStream value of the library uses.
constexpr int kStreamVersion = QDataStream::Qt_5_12;

QString key(const char* name)
{
    return QString::fromLatin1(name);
}

} // namespace

int TarnolixDB::databaseStatus()
{
    return getSettingOr(key(LibrarySettingsKeys::DatabaseStatus), 0).toInt();
}

void TarnolixDB::setDatabaseStatus(int status)
{
    setSetting(key(LibrarySettingsKeys::DatabaseStatus), status);
}

qint64 TarnolixDB::favoritesSyncTime()
{
    return getSettingOr(key(LibrarySettingsKeys::FavoritesSyncTime), 0).toLongLong();
}

void TarnolixDB::setFavoritesSyncTime(qint64 time)
{
    setSetting(key(LibrarySettingsKeys::FavoritesSyncTime), time);
}

void TarnolixDB::setNeedFavoritesSync(bool need)
{
    setSetting(key(LibrarySettingsKeys::NeedFavoritesSync), need);
}

void TarnolixDB::setGlossariesIdMngr(const GlossariesIdMngr& ids)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    writeGlossariesIdMngr(writer, ids);
    setSetting(key(LibrarySettingsKeys::GlossariesIdMngr), bytes);
}

void TarnolixDB::setGlossariesMD5(const QByteArray& md5)
{
    // A null QByteArray would be bound as SQL NULL; the emptied digest is an
    // empty blob like any other digest.
    setSetting(key(LibrarySettingsKeys::GlossariesMD5), md5.isNull() ? QByteArray("") : md5);
}

std::shared_ptr<GlossaryTree> TarnolixDB::glossaryTree()
{
    const QByteArray bytes = getSetting(key(LibrarySettingsKeys::GlossaryTree)).toByteArray();
    auto tree = std::make_shared<GlossaryTree>();
    readGlossaryTree(bytes, *tree);
    return tree;
}

void TarnolixDB::setGlossaryTree(const GlossaryTree& tree)
{
    QByteArray bytes;
    QCborStreamWriter writer(&bytes);
    writeGlossaryTree(writer, tree);
    setSetting(key(LibrarySettingsKeys::GlossaryTree), bytes);
}

std::shared_ptr<SectionsCatalogPositions> TarnolixDB::sectionsCatalogPositions(int languageId)
{
    const QByteArray bytes =
        getSettingOr(LibrarySettingsKeys::sectionsCatalogPositions(languageId), QByteArray()).toByteArray();
    QDataStream in(bytes);
    in.setVersion(kStreamVersion);
    auto positions = std::make_shared<SectionsCatalogPositions>();
    readSectionsCatalogPositions(in, *positions);
    if (in.status() != QDataStream::Ok)
        return nullptr;
    return positions;
}

void TarnolixDB::setSectionsCatalogPositions(int languageId, const SectionsCatalogPositions& positions)
{
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setVersion(kStreamVersion);
    writeSectionsCatalogPositions(out, positions);
    setSetting(LibrarySettingsKeys::sectionsCatalogPositions(languageId), bytes);
}
