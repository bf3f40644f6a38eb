#include "database/TarnolixDB.h"

#include "core/CipherKeyPair.h"
#include "core/Exception.h"
#include "database/BookTextCipher.h"

namespace {

constexpr int kCompressionLevel = 3;
constexpr int kTrailerBytes = 2;

} // namespace

QByteArray TarnolixDB::packBookPart(QByteArray data, quint8 compressMode, quint8 encryptMode)
{
    // A trailer the reader rejects would make the stored text unreadable.
    if (compressMode > 1)
        throw Exception("Packed book part error: unknown compress mode(0x8C2E4A17)");
    if (encryptMode > 1)
        throw Exception("Packed book part error: unknown encrypted mode(0x8C2E4A18)");

    if (compressMode == 1)
        data = qCompress(data, kCompressionLevel);
    if (encryptMode == 1)
        bookTextCipher().encryptCbc(data);
    if (data.isEmpty())
        throw Exception("Packed book part error");

    data.append(static_cast<char>(compressMode));
    data.append(static_cast<char>(encryptMode));
    return data;
}

QByteArray TarnolixDB::unpackBookPart(QByteArray data)
{
    if (data.size() < kTrailerBytes) {
        qWarning("Invalid data");
        return QByteArray();
    }
    const auto compressMode = static_cast<quint8>(data.at(data.size() - 2));
    const auto encryptMode = static_cast<quint8>(data.at(data.size() - 1));
    data.chop(kTrailerBytes);

    if (encryptMode == 1)
        bookTextCipher().decryptCbc(data);
    else if (encryptMode != 0)
        throw Exception("Unknown encrypted mode");

    if (compressMode == 1)
        data = qUncompress(data);
    else if (compressMode != 0)
        throw Exception("Unknown compress mode");

    if (data.isEmpty())
        throw Exception("Unpacked book part error");
    return data;
}
