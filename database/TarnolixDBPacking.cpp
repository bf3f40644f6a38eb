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

QByteArray TarnolixDB::unpackBookPart(const QByteArray& data)
{
    return unpackBookPart(data.constData(), data.size());
}

QByteArray TarnolixDB::unpackBookPart(const char* data, int size)
{
    if (size < kTrailerBytes) {
        qWarning("Invalid data");
        return QByteArray();
    }
    const auto compressMode = static_cast<quint8>(data[size - 2]);
    const auto encryptMode = static_cast<quint8>(data[size - 1]);
    const int bodySize = size - kTrailerBytes;

    // The body is copied only to be deciphered in place.
    QByteArray body;
    if (encryptMode == 1) {
        body = QByteArray(data, bodySize);
        bookTextCipher().decryptCbc(body);
    } else if (encryptMode != 0) {
        throw Exception("Unknown encrypted mode");
    }
    const char* plain = encryptMode == 1 ? body.constData() : data;
    const int plainSize = encryptMode == 1 ? body.size() : bodySize;

    QByteArray result;
    if (compressMode == 1)
        result = qUncompress(reinterpret_cast<const uchar*>(plain), plainSize);
    else if (compressMode == 0)
        result = encryptMode == 1 ? body : QByteArray(plain, plainSize);
    else
        throw Exception("Unknown compress mode");

    if (result.isEmpty())
        throw Exception("Unpacked book part error");
    return result;
}
