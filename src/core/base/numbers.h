#pragma once
#include <QString>
#include <QtGlobal>

namespace kestrum {

// Decimal text to a number with the user's locale. Text that is not a number
// throws Error("Type mismatch"); a number too large for a double, "Overflow".
double toNumber(const QString &text);

// Rounds to the nearest whole number, halves to the even one; outside the
// type's range (or not a number) throws Error("Overflow").
qint16 toInt16(double value);
qint32 toInt32(double value);
inline qint16 toInt16(const QString &text) { return toInt16(toNumber(text)); }
inline qint32 toInt32(const QString &text) { return toInt32(toNumber(text)); }

} // namespace kestrum
