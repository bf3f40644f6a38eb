#include "core/CborHelpers.h"

#include "core/Exception.h"

namespace {

[[noreturn]] void throwReader(const char* step, const QString& reason)
{
    throw Exception(QStringLiteral("CborReader::%1: %2").arg(QLatin1String(step), reason));
}

[[noreturn]] void throwLastError(const char* step, QCborStreamReader& reader)
{
    throwReader(step, reader.lastError().toString());
}

[[noreturn]] void throwWriter(const char* step)
{
    throw Exception(QStringLiteral("CborWriter::%1: error").arg(QLatin1String(step)));
}

// Qt leaves a container from wherever the reader stands, so leaving early would
// resume inside it; the items not read are skipped first.
void leaveContainer(QCborStreamReader& reader, const char* step)
{
    while (reader.hasNext()) {
        if (!reader.next())
            throwLastError(step, reader);
    }
    if (!reader.leaveContainer())
        throwLastError(step, reader);
}

} // namespace

void cborCheckError(QCborStreamReader& reader)
{
    if (reader.lastError() != QCborError::NoError)
        throwReader("checkError", QStringLiteral("checkError"));
}

void cborEnterArray(QCborStreamReader& reader)
{
    if (!reader.isArray())
        throwReader("enterArray", QStringLiteral("Is not array!"));
    if (!reader.enterContainer())
        throwLastError("enterArray", reader);
}

void cborEnterMap(QCborStreamReader& reader)
{
    if (!reader.isMap())
        throwReader("enterMap", QStringLiteral("Is not map!"));
    if (!reader.enterContainer())
        throwLastError("enterMap", reader);
}

void cborLeaveArray(QCborStreamReader& reader)
{
    leaveContainer(reader, "leaveArray");
    cborCheckError(reader);
}

void cborLeaveMap(QCborStreamReader& reader)
{
    leaveContainer(reader, "leaveMap");
    cborCheckError(reader);
}

void cborNext(QCborStreamReader& reader, int maxRecursion)
{
    if (!reader.next(maxRecursion))
        throwLastError("next", reader);
}

void cborSkip(QCborStreamReader& reader, int maxRecursion)
{
    if (!reader.next(maxRecursion))
        throwLastError("skip", reader);
    cborCheckError(reader);
}

QString cborReadString(QCborStreamReader& reader)
{
    // Qt asserts on a read of anything else; refuse it with our own text.
    if (!reader.isString())
        throwReader("readString", QStringLiteral("Is not string!"));
    QString text;
    auto chunk = reader.readString();
    while (chunk.status == QCborStreamReader::Ok) {
        text += chunk.data;
        chunk = reader.readString();
    }
    if (chunk.status != QCborStreamReader::EndOfString)
        throwLastError("readString", reader);
    return text;
}

void cborEndArray(QCborStreamWriter& writer)
{
    if (!writer.endArray())
        throwWriter("endArray");
}

void cborEndMap(QCborStreamWriter& writer)
{
    if (!writer.endMap())
        throwWriter("endMap");
}
