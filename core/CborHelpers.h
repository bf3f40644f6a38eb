#pragma once
// Guarded CBOR stream steps: every failure throws Exception with a uniform
// text, "CborReader::<step>: <reason>" or "CborWriter::<step>: error".

#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QString>

void cborCheckError(QCborStreamReader& reader);
void cborEnterArray(QCborStreamReader& reader);
void cborEnterMap(QCborStreamReader& reader);
// The leaves skip the items of the container not yet read.
void cborLeaveArray(QCborStreamReader& reader);
void cborLeaveMap(QCborStreamReader& reader);
void cborNext(QCborStreamReader& reader, int maxRecursion = 10000);
void cborSkip(QCborStreamReader& reader, int maxRecursion = 10000);
// Reads the current text string whole (every chunk) and leaves the reader on
// the item after it.
QString cborReadString(QCborStreamReader& reader);

void cborEndArray(QCborStreamWriter& writer);
void cborEndMap(QCborStreamWriter& writer);
