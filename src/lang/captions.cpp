#include "lang/captions.h"
#include "platform/numbers.h"
#include "settings/store.h"

namespace kestrum {

bool englishInterface()
{
    try {
        return toNumber(readSetting(QStringLiteral("Lng"), QStringLiteral("Lng"), QStringLiteral("1"))) == 1;
    } catch (...) {
        return true;
    }
}

void applyCaptions(Form1 *) {}
void applyCaptions(Form2 *) {}
void applyCaptions(Dialog *) {}
void applyCaptions(Dialog1 *) {}
void applyCaptions(Dialog2 *) {}
void applyCaptions(Dialog4 *) {}

} // namespace kestrum
