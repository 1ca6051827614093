#include "core/base/numbers.h"
#include "core/base/error.h"
#include <QLocale>
#include <cmath>
#include <limits>

namespace kestrum {

namespace {

Error typeMismatch() { return Error(QCoreApplication::translate("Number", "Type mismatch")); }
Error overflow() { return Error(QCoreApplication::translate("Number", "Overflow")); }

template <class Int>
Int toInteger(double value)
{
    if (std::isnan(value))
        throw overflow();
    // nearbyint follows the default rounding mode: to nearest, ties to even.
    const double r = std::nearbyint(value);
    if (r < double(std::numeric_limits<Int>::min()) || r > double(std::numeric_limits<Int>::max()))
        throw overflow();
    return Int(r);
}

} // namespace

double toNumber(const QString &text)
{
    bool ok = false;
    const QString trimmed = text.trimmed();
    const double value = QLocale::system().toDouble(trimmed, &ok);
    // The locale also reads the words "inf" and "nan"; no one types those
    // as a number, and a NaN would turn every comparison made with it false.
    if (ok && std::isfinite(value))
        return value;
    if (ok)
        throw typeMismatch();
    // The locale reports a number beyond the range of a double as a failure
    // with an infinite result.
    if (std::isinf(value))
        throw overflow();
    throw typeMismatch();
}

qint16 toInt16(double value) { return toInteger<qint16>(value); }
qint32 toInt32(double value) { return toInteger<qint32>(value); }

} // namespace kestrum
