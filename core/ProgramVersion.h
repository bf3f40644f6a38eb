#pragma once
// The three-part program version of the updater; all zero means no version.

#include <QString>
#include <QtGlobal>

struct ProgramVersion
{
    quint16 major = 0;
    quint16 minor = 0;
    quint16 patch = 0;
};

ProgramVersion programVersionInit();
// "2.1.27"; throws Exception for anything but three decimal parts up to 65535.
ProgramVersion programVersionFromString(const QString& text);
QString programVersionToString(const ProgramVersion& version);
bool programVersionIsValid(const ProgramVersion& version);
bool programVersionEquals(const ProgramVersion& a, const ProgramVersion& b);
// True when a is newer than b.
bool programVersionGreater(const ProgramVersion& a, const ProgramVersion& b);
