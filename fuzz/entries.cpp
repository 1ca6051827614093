#include "fuzz/entries.h"
#include "ui/main/form1.h"
#include "ui/main/windows.h"
#include "core/textfile.h"
#include "ui/common/captions.h"
#include "core/codec.h"
#include "core/error.h"
#include "core/numbers.h"
#include "core/mscomm.h"
#include "core/portmap.h"
#include "core/receivedstore.h"
#include "core/search.h"
#include "core/sendbytes.h"
#include "core/session.h"
#include "core/settings.h"
#include "support/controls.h"
#include "support/fakes.h"
#include "support/files.h"
#include "support/pty.h"
#include "support/testenv.h"
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <vector>
#include <sys/stat.h>

// A broken promise stops the run in every build, release included, so that
// the fuzzer and the regression test see it alike.
#define FUZZ_CHECK(cond)                                                                                     \
    do {                                                                                                     \
        if (!(cond)) {                                                                                       \
            std::fprintf(stderr, "FUZZ_CHECK failed: %s (%s:%d)\n", #cond, __FILE__, __LINE__);              \
            std::abort();                                                                                    \
        }                                                                                                    \
    } while (0)

namespace kestrum::fuzz {

namespace {

QString utf8(const uint8_t *data, size_t size)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
}

QByteArray bytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

// ---- line parameters -------------------------------------------------------

// What the port object must make of a line-parameter text, worked out
// separately from it: four comma-separated fields, blanks around each field
// ignored.
struct LineParameters {
    bool valid = false;
    int baud = 0;
    QChar parity;
    int dataBits = 0;
    QString stopBits;
};

// An unsigned decimal with an optional plus sign; -1 when not one (or when
// beyond any value the port takes).
long long plainNumber(const QString &s)
{
    qsizetype i = 0;
    if (i < s.size() && s.at(i) == QLatin1Char('+'))
        ++i;
    if (i == s.size())
        return -1;
    long long n = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        n = n * 10 + (c - u'0');
        if (n > 100000000)
            n = 100000000;  // stays out of range, never overflows
    }
    return n;
}

LineParameters expectedLineParameters(const QString &text)
{
    LineParameters p;
    const QStringList f = text.split(QLatin1Char(','));
    if (f.size() != 4)
        return p;
    const long long baud = plainNumber(f.at(0).trimmed());
    if (baud < 50 || baud > 4000000)
        return p;
    const QString parity = f.at(1).trimmed();
    if (parity.size() != 1 || !QByteArrayView("neomsNEOMS").contains(char(parity.at(0).toLatin1()))
        || parity.at(0).unicode() > 127)
        return p;
    const long long data = plainNumber(f.at(2).trimmed());
    if (data < 5 || data > 8)
        return p;
    const QString stop = f.at(3).trimmed();
    if (stop != QLatin1String("1") && stop != QLatin1String("1.5") && stop != QLatin1String("2"))
        return p;
    p.valid = true;
    p.baud = int(baud);
    p.parity = QChar(parity.at(0).toLatin1() | 0x20);
    p.dataBits = int(data);
    p.stopBits = stop;
    return p;
}

// ---- numbers ---------------------------------------------------------------

double roundHalfEven(double v)
{
    const double f = std::floor(v);
    const double d = v - f;
    if (d < 0.5)
        return f;
    if (d > 0.5)
        return f + 1;
    return std::fmod(f, 2.0) == 0 ? f : f + 1;
}

template <class Int>
void checkConversion(double v, Int (*convert)(double))
{
    const double expected = std::isfinite(v) ? roundHalfEven(v) : 0;
    const bool fits = std::isfinite(v) && expected >= double(std::numeric_limits<Int>::min())
                      && expected <= double(std::numeric_limits<Int>::max());
    try {
        const Int r = convert(v);
        FUZZ_CHECK(fits);
        FUZZ_CHECK(double(r) == expected);
        FUZZ_CHECK(std::fabs(double(r) - v) <= 0.5);
    } catch (const Error &e) {
        FUZZ_CHECK(!fits);
        FUZZ_CHECK(e.description() == QLatin1String("Overflow"));
    }
}

void checkConversions(double v)
{
    checkConversion<qint16>(v, &toInt16);
    checkConversion<qint32>(v, &toInt32);
}

// ---- settings --------------------------------------------------------------

struct Key {
    const char *section;
    const char *key;
};

// Every entry the program reads at start-up or from its windows.
const Key kKeys[] = {
    {"Parametr", "Timeout"},      {"Parametr", "InBufferSize"}, {"Parametr", "outBufferSize"},
    {"Parametr", "NullDiscard"},  {"Parametr", "RTSEnable"},    {"Parametr", "DTREnable"},
    {"Parametr", "FileNameOpen"}, {"Parametr", "FileNameSaveAs"}, {"Parametr", "FileName"},
    {"Parametr", "LabelSave"},    {"Parametr", "SizeDlin"},     {"Parametr", "SSTab1"},
    {"Setings", "BaudRate"},      {"Setings", "Parity"},        {"Setings", "DataBits"},
    {"Setings", "StopBits"},      {"OtherSet", "CommPort"},     {"Lng", "Lng"},
    {"Ports", "COM1"},            {"Ports", "COM2"},            {"Ports", "COM3"},
};

const QString kMissing = QStringLiteral("\x01missing");

// Puts the input in place as the store's file. Every input gets its own
// modification time: the store then reads the file anew even when two
// inputs of the same size follow each other within one clock tick.
void installSettingsFile(const QByteArray &content)
{
    static long long generation = 0;
    const QString path = settingsFilePath();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    FUZZ_CHECK(f.write(content) == content.size());
    f.close();
    ++generation;
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = 946684800 + generation;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    FUZZ_CHECK(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

QStringList readAll()
{
    QStringList values;
    for (const Key &k : kKeys)
        values << readSetting(QLatin1String(k.section), QLatin1String(k.key), kMissing);
    return values;
}

// The conversions start-up makes of stored text: each either gives a value or
// fails with the program's own Error, never anything else.
template <class F>
void converts(F &&f)
{
    try {
        f();
    } catch (const Error &e) {
        FUZZ_CHECK(!e.description().isEmpty());
    }
}

} // namespace

void startFuzzing(bool widgets)
{
    test::prepareTestEnvironment();
    // The fuzzer's own options are no business of Qt's.
    static int argc = 1;
    static char name[] = "kestrum-fuzz";
    static char *argv[] = {name, nullptr};
    if (widgets)
        new QApplication(argc, argv);
    else
        new QCoreApplication(argc, argv);
}

int fuzzLineParameters(const uint8_t *data, size_t size)
{
    const QString text = utf8(data, size);
    MSComm port;
    const QString before = QStringLiteral("19200,e,7,1.5");
    port.setSettings(before);
    FUZZ_CHECK(port.Settings() == before);

    bool accepted = false;
    try {
        port.setSettings(text);
        accepted = true;
    } catch (const Error &e) {
        FUZZ_CHECK(e.description().startsWith(QLatin1String("Invalid port settings")));
    }
    const LineParameters expected = expectedLineParameters(text);
    FUZZ_CHECK(accepted == expected.valid);
    if (!accepted) {
        // A refused text changes nothing.
        FUZZ_CHECK(port.Settings() == before);
        FUZZ_CHECK(port.baudRate() == 19200 && port.parity() == QLatin1Char('e') && port.dataBits() == 7
                   && port.stopBits() == QLatin1String("1.5"));
        return 0;
    }
    FUZZ_CHECK(port.baudRate() == expected.baud);
    FUZZ_CHECK(port.parity() == expected.parity);
    FUZZ_CHECK(port.dataBits() == expected.dataBits);
    FUZZ_CHECK(port.stopBits() == expected.stopBits);
    // The text the object gives back is one it takes again, unchanged.
    const QString normal = port.Settings();
    FUZZ_CHECK(normal == QStringLiteral("%1,%2,%3,%4")
                             .arg(expected.baud)
                             .arg(expected.parity)
                             .arg(expected.dataBits)
                             .arg(expected.stopBits));
    MSComm again;
    again.setSettings(normal);
    FUZZ_CHECK(again.Settings() == normal);
    return 0;
}

int fuzzNumbers(const uint8_t *data, size_t size)
{
    // The raw bytes as a double reach every value a calculation could give:
    // NaN payloads, infinities, subnormals, huge magnitudes.
    if (size >= sizeof(double)) {
        double raw;
        std::memcpy(&raw, data, sizeof raw);
        checkConversions(raw);
    }
    const QString text = utf8(data, size);
    double v = 0;
    try {
        v = toNumber(text);
    } catch (const Error &e) {
        FUZZ_CHECK(e.description() == QLatin1String("Type mismatch") || e.description() == QLatin1String("Overflow"));
        return 0;
    }
    // A number the user typed is an ordinary number.
    FUZZ_CHECK(std::isfinite(v));
    checkConversions(v);
    // Blanks around the number do not change it.
    const double padded = toNumber(QLatin1Char(' ') + text + QLatin1Char(' '));
    FUZZ_CHECK(std::memcmp(&padded, &v, sizeof v) == 0);
    return 0;
}

int fuzzSettings(const uint8_t *data, size_t size)
{
    test::Fakes fakes = test::installFakes();
    resetStoreWarnings();
    installSettingsFile(bytes(data, size));

    const QStringList before = readAll();
    for (size_t i = 0; i < std::size(kKeys); ++i) {
        // Names match without regard to case.
        const QString upper = readSetting(QLatin1String(kKeys[i].section).toString().toUpper(),
                                          QLatin1String(kKeys[i].key).toString().toLower(), kMissing);
        FUZZ_CHECK(upper == before.at(qsizetype(i)));
    }
    // Reading does not change what is stored.
    FUZZ_CHECK(readAll() == before);

    // The readers built on the store.
    converts([] { toInt32(readSetting(QStringLiteral("Parametr"), QStringLiteral("Timeout"), QStringLiteral("100"))); });
    converts([] { toInt16(readSetting(QStringLiteral("Parametr"), QStringLiteral("InBufferSize"), QStringLiteral("1024"))); });
    converts([] { toInt16(readSetting(QStringLiteral("Parametr"), QStringLiteral("SSTab1"), QStringLiteral("0"))); });
    converts([] { toNumber(readSetting(QStringLiteral("Parametr"), QStringLiteral("NullDiscard"), QStringLiteral("0"))); });
    const bool english = englishInterface();
    FUZZ_CHECK(english == englishInterface());
    for (int n = 1; n <= 3; ++n) {
        const QString mapped = readSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), QString()).trimmed();
        if (!mapped.isEmpty())
            FUZZ_CHECK(deviceForPort(n) == mapped);
    }

    // A change of one entry keeps every other entry as it was, or the user is
    // told that the store cannot be written.
    const QString timeout = QStringLiteral("250");
    writeSetting(QStringLiteral("Parametr"), QStringLiteral("Timeout"), timeout);
    const QStringList after = readAll();
    if (fakes.messageBox->messages.isEmpty()) {
        FUZZ_CHECK(after.at(0) == timeout);
        for (qsizetype i = 1; i < before.size(); ++i)
            FUZZ_CHECK(after.at(i) == before.at(i));
    } else {
        FUZZ_CHECK(fakes.messageBox->messages.size() == 1);
        FUZZ_CHECK(fakes.messageBox->messages.first().startsWith(QLatin1String("Settings cannot be saved")));
    }
    return 0;
}

int fuzzStartup(const uint8_t *data, size_t size)
{
    // The ports are pointed at a pseudo-terminal of this process: whatever
    // the file names as devices is never opened.
    static test::Pty *pty = new test::Pty;
    FUZZ_CHECK(pty->isValid());

    test::Fakes fakes = test::installFakes();
    test::closeProgram();
    resetStoreWarnings();
    installSettingsFile(bytes(data, size));
    for (int n = 1; n <= 3; ++n)
        writeSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), pty->slavePath());
    for (int n = 1; n <= 3; ++n)
        if (readSetting(QStringLiteral("Ports"), QStringLiteral("COM%1").arg(n), QString()) != pty->slavePath()) {
            // A store that cannot be written cannot be steered away from
            // real devices: such inputs are left to the settings target.
            return 0;
        }
    fakes.messageBox->messages.clear();

    Form1 *f = startProgram();
    FUZZ_CHECK(f != nullptr);
    for (const QString &m : fakes.messageBox->messages)
        FUZZ_CHECK(!m.trimmed().isEmpty());
    // Whatever the file held, the program runs on sound values.
    FUZZ_CHECK(f->session().receiveTimeout() >= 1);
    FUZZ_CHECK(f->session().port()->InBufferSize() >= 1 && f->session().port()->InBufferSize() <= 32767);
    FUZZ_CHECK(f->session().port()->OutBufferSize() >= 1 && f->session().port()->OutBufferSize() <= 32767);
    FUZZ_CHECK(expectedLineParameters(f->session().port()->Settings()).valid);
    FUZZ_CHECK(f->session().port()->CommPort() >= 1 && f->session().port()->CommPort() <= 3);
    // A stored value that is not an item leaves its list without a
    // selection, and the user is told; otherwise the lists show the
    // parameters the port runs on.
    bool allSelected = true, lineSelected = true;
    for (const char *name : {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5"}) {
        const bool selected = test::list(f, name)->currentIndex() >= 0;
        allSelected = allSelected && selected;
        if (qstrcmp(name, "Combo1") != 0)
            lineSelected = lineSelected && selected;
    }
    if (!allSelected)
        FUZZ_CHECK(!fakes.messageBox->messages.isEmpty());
    if (lineSelected)
        FUZZ_CHECK(f->session().port()->Settings() == f->session().lineParameters());
    if (test::list(f, "Combo1")->currentIndex() >= 0)
        FUZZ_CHECK(f->session().port()->CommPort() == test::list(f, "Combo1")->currentIndex() + 1);

    test::closeProgram();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}

int fuzzDocuments(const uint8_t *data, size_t size)
{
    const QByteArray content = bytes(data, size);
    const QString dir = test::scratchDir();
    const QString in = dir + QStringLiteral("/fuzz-in.txt");
    const QString out = dir + QStringLiteral("/fuzz-out.txt");
    {
        QFile f(in);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(content) == content.size());
    }

    // The code page is one byte per character both ways, every byte included.
    const QString text = fromAnsi(content);
    FUZZ_CHECK(text.size() == content.size());
    FUZZ_CHECK(toAnsi(text) == content);

    const QStringList lines = test::documentLines(in);
    const QString crlf = QStringLiteral("\r\n");
    for (const QString &l : lines)
        FUZZ_CHECK(!l.contains(crlf));
    const bool endsWithLineEnd = content.endsWith("\r\n");
    if (content.isEmpty())
        FUZZ_CHECK(lines.isEmpty());
    else
        FUZZ_CHECK(lines.join(crlf) + (endsWithLineEnd ? crlf : QString()) == text);

    // Written back, a document is the same bytes, given the one line end the
    // format adds after the text.
    if (!content.isEmpty()) {
        writeDocument(out, lines.join(crlf));
        QFile f(out);
        FUZZ_CHECK(f.open(QIODevice::ReadOnly));
        const QByteArray written = f.readAll();
        FUZZ_CHECK(written == (endsWithLineEnd ? content : content + "\r\n"));
        FUZZ_CHECK(test::documentLines(out) == lines);
    }
    return 0;
}

// ---- the received document's store -----------------------------------------

namespace {

// Line starts of a text the plain way: after CR LF, a lone CR, a lone LF.
QList<qsizetype> lineStarts(const QString &t)
{
    QList<qsizetype> starts{0};
    for (qsizetype i = 0; i < t.size(); ++i) {
        if (t[i] != QLatin1Char('\r') && t[i] != QLatin1Char('\n'))
            continue;
        if (t[i] == QLatin1Char('\r') && i + 1 < t.size() && t[i + 1] == QLatin1Char('\n'))
            ++i;
        starts << i + 1;
    }
    return starts;
}

void checkStore(const ReceivedStore &store, const QString &model)
{
    FUZZ_CHECK(store.size() == model.size());
    FUZZ_CHECK(store.text() == model);
    const QList<qsizetype> starts = lineStarts(model);
    FUZZ_CHECK(store.lineCount() == starts.size());
    qsizetype longest = 0;
    for (qsizetype i = 0; i < starts.size(); ++i) {
        const qsizetype end = i + 1 < starts.size() ? starts[i + 1] : model.size() + 1;
        qsizetype length = end - 1 - starts[i];
        if (i + 1 < starts.size() && length > 0 && model[end - 1] == QLatin1Char('\n') && model[end - 2] == QLatin1Char('\r'))
            --length;
        FUZZ_CHECK(store.lineStart(i) == starts[i]);
        FUZZ_CHECK(store.lineLength(i) == length);
        FUZZ_CHECK(store.lineOf(starts[i] + length) == i);
        longest = std::max(longest, length);
    }
    FUZZ_CHECK(store.longestLineLength() == longest);
    FUZZ_CHECK(store.lineLength(store.longestLine()) == longest);
}

// The lines of a document the way Find reads them: split at CR LF, a lone
// CR or a lone LF; every non-empty match of the expression in each.
struct Matches {
    qsizetype count = 0;
    qsizetype first = -1;
};

Matches expressionMatches(const QString &doc, const QRegularExpression &re)
{
    Matches m;
    const QList<qsizetype> starts = lineStarts(doc);
    for (qsizetype i = 0; i < starts.size(); ++i) {
        qsizetype end = i + 1 < starts.size() ? starts[i + 1] - 1 : doc.size();
        if (i + 1 < starts.size() && end > starts[i] && doc[end] == QLatin1Char('\n') && doc[end - 1] == QLatin1Char('\r'))
            --end;
        for (auto it = re.globalMatch(QStringView(doc).mid(starts[i], end - starts[i])); it.hasNext();) {
            const QRegularExpressionMatch match = it.next();
            if (match.capturedLength() == 0)
                continue;
            if (m.count++ == 0)
                m.first = starts[i] + match.capturedStart();
        }
    }
    return m;
}

// Where sendBytes says it refused: the position it names, from 0.
qsizetype refusedAt(const Error &e)
{
    static const QRegularExpression at(QStringLiteral("at position (\\d+)"));
    const QRegularExpressionMatch m = at.match(e.description());
    FUZZ_CHECK(m.hasMatch());
    FUZZ_CHECK(e.description().endsWith(QLatin1String("Nothing was sent.")));
    return m.captured(1).toLongLong() - 1;
}

bool isHex(QChar c) { return QByteArrayView("0123456789abcdefABCDEF").contains(char(c.unicode() < 128 ? c.unicode() : 0)) && c.unicode() != 0; }

} // namespace

// Messages put in front, edits, Clear, text made by another store put in (as
// Open does) and snapshots, against a plain string; tiny blocks, so that
// most of it goes through the store's file and out of its cache.
int fuzzStore(const uint8_t *data, size_t size)
{
    static const QString alphabet = QStringLiteral("ab\r\n\r\nЖ") + QChar(0) + QChar(0x98) + QChar(0x2713);
    if (size == 0)
        return 0;
    ReceivedStore::Config config;
    config.blockSize = 16 + data[0] % 48;
    config.cacheBytes = 2 * config.blockSize;
    config.folder = test::scratchDir() + QStringLiteral("/fuzz-store");
    ReceivedStore store(config);
    QString model;
    std::vector<std::pair<std::shared_ptr<const StoreSnapshot>, QString>> snapshots;
    size_t i = 1;
    const auto next = [&]() -> uint8_t { return i < size ? data[i++] : 0; };
    const auto text = [&](int n) {
        QString t;
        for (; n > 0; --n)
            t += alphabet[next() % alphabet.size()];
        return t;
    };
    const auto raw = [&](int n) {
        QByteArray b;
        for (; n > 0; --n)
            b += char(next());
        return b;
    };
    const auto position = [&] { return qsizetype(next() | next() << 8) % (model.size() + 1); };
    while (i < size) {
        const uint8_t op = next();
        const int n = op >> 3;
        switch (op & 7) {
        case 0:
        case 1: {
            const QString t = text(n);
            store.prepend(t);
            model.prepend(t);
            break;
        }
        case 2: {
            const QByteArray b = raw(n);
            store.prependBytes(b);
            model.prepend(fromAnsi(b));
            break;
        }
        case 3: {
            const qsizetype pos = position();
            const qsizetype count = std::min<qsizetype>(next() % 9, model.size() - pos);
            const QString t = text(n % 6);
            store.replace(pos, count, t);
            model.replace(pos, count, t);
            break;
        }
        case 4:
            snapshots.emplace_back(store.snapshot(), model);
            break;
        case 5: {
            ReceivedStore other(config);
            const QByteArray b = raw(n * 4);
            other.prependBytes(b);
            const qsizetype pos = position();
            store.insert(pos, other.takeAll());
            model.insert(pos, fromAnsi(b));
            break;
        }
        case 6:
            if (n == 0) {
                store.clear();
                model.clear();
                break;
            }
            [[fallthrough]];
        default:
            checkStore(store, model);
        }
    }
    checkStore(store, model);
    for (const auto &[snapshot, was] : snapshots) {
        FUZZ_CHECK(snapshot->size() == was.size());
        FUZZ_CHECK(snapshot->text(0, snapshot->size()) == was);
        FUZZ_CHECK(!snapshot->readFailed());
    }
    return 0;
}

// Find and Count over a document of any bytes: an expression against the
// engine line by line (the required text and the joined lines that narrow
// the search included), plain text against QString. The first byte says how
// (bit 0 match case, bit 1 expression), the pattern runs to the first NUL,
// the document's bytes follow it.
int fuzzSearch(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const bool matchCase = data[0] & 1, regex = data[0] & 2;
    const QByteArray rest = bytes(data + 1, size - 1);
    const qsizetype cut = rest.indexOf('\0');
    if (cut < 0)
        return 0;
    const QString text = QString::fromUtf8(rest.left(cut));
    const QByteArray docBytes = rest.mid(cut + 1);
    const SearchPattern pattern(text, matchCase, regex);
    if (!pattern.isValid())
        return 0;
    ReceivedStore::Config config;
    config.blockSize = 64;
    config.folder = test::scratchDir() + QStringLiteral("/fuzz-store");
    ReceivedStore store(config);
    store.prependBytes(docBytes);
    const QString doc = fromAnsi(docBytes);
    Matches want;
    if (regex) {
        want = expressionMatches(doc, QRegularExpression(text, matchCase ? QRegularExpression::NoPatternOption
                                                                         : QRegularExpression::CaseInsensitiveOption));
    } else {
        // The pattern as the code page has it: what it lacks reads as "?".
        QString needle;
        for (const QChar c : text)
            needle += fromAnsi(QByteArray(1, ansiByteOf(c.unicode())));
        const Qt::CaseSensitivity cs = matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
        want.first = doc.indexOf(needle, 0, cs);
        for (qsizetype at = want.first; at >= 0; at = doc.indexOf(needle, at + needle.size(), cs))
            ++want.count;
    }
    const auto snapshot = store.snapshot();
    const CountResult counted = countMatches(*snapshot, pattern, -1);
    FUZZ_CHECK(counted.complete);
    FUZZ_CHECK(counted.total == want.count);
    FUZZ_CHECK(findNext(*snapshot, pattern, 0, SearchDirection::Down).hit.pos == want.first);
    return 0;
}

// Send hex against a reading of its own: gaps and pairs of hex digits, and
// where the first thing that is neither stands.
int fuzzSendHex(const uint8_t *data, size_t size)
{
    const QString text = utf8(data, size);
    static const QRegularExpression valid(QStringLiteral("\\A(?:[ \\t\\r\\n]|[0-9A-Fa-f]{2})*+"));
    const qsizetype k = valid.match(text).capturedLength();
    qsizetype bad = -1;
    if (k < text.size())
        bad = !isHex(text[k]) ? k : k + 1;
    try {
        const QByteArray got = sendBytes(text, SendMode::Hex);
        FUZZ_CHECK(bad < 0);
        QString digits = text;
        digits.remove(QRegularExpression(QStringLiteral("[ \\t\\r\\n]")));
        FUZZ_CHECK(got == QByteArray::fromHex(digits.toLatin1()));
    } catch (const Error &e) {
        FUZZ_CHECK(bad >= 0);
        FUZZ_CHECK(refusedAt(e) == bad);
    }
    return 0;
}

// Send with escapes against a reading of its own: \r \n \t \\ \xNN and
// characters of the code page; the first that is neither refused where it
// stands.
int fuzzSendEscapes(const uint8_t *data, size_t size)
{
    const QString text = utf8(data, size);
    QByteArray want;
    qsizetype bad = -1;
    for (qsizetype i = 0; i < text.size() && bad < 0; ++i) {
        const QChar c = text[i];
        if (c != QLatin1Char('\\')) {
            if (!fitsAnsi(QString(c)))
                bad = i;
            else
                want += ansiByteOf(c.unicode());
            continue;
        }
        const QChar e = i + 1 < text.size() ? text[i + 1] : QChar();
        const int simple = QStringLiteral("rnt\\").indexOf(e);
        if (!e.isNull() && simple >= 0) {
            want += "\r\n\t\\"[simple];
            ++i;
        } else if (e == QLatin1Char('x')) {
            if (i + 2 >= text.size() || !isHex(text[i + 2]))
                bad = i + 2;
            else if (i + 3 >= text.size() || !isHex(text[i + 3]))
                bad = i + 3;
            else
                want += char(text.mid(i + 2, 2).toInt(nullptr, 16));
            i += 3;
        } else {
            bad = i;
        }
    }
    try {
        FUZZ_CHECK(sendBytes(text, SendMode::Escapes) == want);
        FUZZ_CHECK(bad < 0);
    } catch (const Error &e) {
        FUZZ_CHECK(bad >= 0);
        FUZZ_CHECK(refusedAt(e) == bad);
    }
    return 0;
}

} // namespace kestrum::fuzz
