#include "core/document/textfile.h"
#include "core/base/codec.h"
#include "core/base/error.h"
#include "core/document/receivedstore.h"
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>
#include <cerrno>
#include <cstring>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrum {

namespace {

const QString kLineEnd = QStringLiteral("\r\n");

Error fileError(const QString &what, const QString &path, const QString &reason)
{
    return Error(QStringLiteral("%1 \"%2\": %3").arg(what, shownPath(QDir::toNativeSeparators(path)), reason));
}

// The bytes of a text for a file. The codec's own message speaks of sending;
// for a file the user needs to know which line holds the character the
// code page lacks.
QByteArray encodeForFile(const QString &text, const QString &what, const QString &path)
{
    try {
        return toAnsi(text);
    } catch (const Error &) {
    }
    if (const std::optional<Unmappable> bad = firstUnmappable(text))
        throw fileError(what, path,
                        QCoreApplication::translate("File",
                                "the character \"%1\" (%2) in line %3 has no byte in the "
                                "Windows-1251 code page; nothing was written.")
                            .arg(bad->character, bad->codePoint)
                            .arg(text.left(bad->index).count(QLatin1Char('\n')) + 1));
    throw fileError(what, path, QCoreApplication::translate("File",
            "the text cannot be converted to the Windows-1251 code page."));
}

// Why a write or flush failed. A write cut short (a full disk, the largest
// file allowed) leaves the device without an error of its own; the system's
// reason is then in errno, which the caller cleared before the call.
QString writeFailure(const QFileDevice &f)
{
    const int error = errno;
    if (error != 0)
        return qt_error_string(error);
    return f.error() != QFileDevice::NoError ? f.errorString()
                                             : QCoreApplication::translate("File", "not everything could be written");
}

void checkAutosaveName(const QString &path)
{
    if (path.isEmpty())
        throw Error(QCoreApplication::translate("File", "The autosave file has no name: choose one in Options."));
}

} // namespace

void appendRecordBytes(const QString &path, QByteArrayView line)
{
    checkAutosaveName(path);
    const QString what = QCoreApplication::translate("File", "Cannot write the autosave file");
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Append))
        throw fileError(QCoreApplication::translate("File", "Cannot open the autosave file"), path, f.errorString());
    // The line end goes through the file's buffer; the line, however long,
    // is not copied to add it.
    errno = 0;
    if (f.write(line.data(), line.size()) != line.size() || f.write("\r\n", 2) != 2 || !f.flush()) {
        const QString reason = writeFailure(f);
        f.close();
        throw fileError(what, path, reason);
    }
    f.close();
    if (f.error() != QFileDevice::NoError)
        throw fileError(what, path, f.errorString());
}

void writeDocument(const QString &path, const QString &text)
{
    const QString what = QCoreApplication::translate("File", "Cannot save");
    if (path.isEmpty())
        throw Error(QCoreApplication::translate("File", "Cannot save: no file name was given."));
    // Encode first: a text the code page cannot hold must not cost the old
    // file anything.
    const QByteArray bytes = encodeForFile(text + kLineEnd, what, path);
    FileReplacement file(path, what);
    file.open();
    file.write(bytes);
    file.commit();
}

namespace {

constexpr qint64 kCopyPiece = qint64(1) << 20;

// The whole of from, from its start, onto to at its current position.
bool copyContent(QFileDevice &from, QFileDevice &to, qint64 size)
{
    if (!from.seek(0))
        return false;
    QByteArray piece;
    for (qint64 done = 0; done < size;) {
        piece = from.read(std::min(kCopyPiece, size - done));
        if (piece.isEmpty() || to.write(piece) != piece.size())
            return false;
        done += piece.size();
    }
    return to.flush();
}

bool syncToDisk(QFileDevice &f)
{
    return f.flush() && ::fsync(f.handle()) == 0;
}

} // namespace

struct FileReplacement::Private {
    QString path;
    QString what;
    bool existed = false;
    bool finished = true;
    // Beside the target.
    std::unique_ptr<QSaveFile> save;
    // In place, with the old content kept in one of the two.
    std::unique_ptr<QFile> target;
    std::unique_ptr<QTemporaryFile> aside;
    QByteArray asideInMemory;
    qint64 oldSize = 0;
    qint64 written = 0;

    [[noreturn]] void fail(const QString &reason, const QString &outcome)
    {
        finished = true;
        save.reset();
        target.reset();
        throw fileError(what, path, QStringLiteral("%1; %2").arg(reason, outcome));
    }

    QString untouched() const
    {
        return existed ? QCoreApplication::translate("File",
                "the file was left as it was.") : QCoreApplication::translate("File", "no file was made.");
    }

    // Puts the old content back into the file written in place; says what
    // became of the file.
    QString putBack(bool *restoredOut = nullptr)
    {
        const bool restored = target->seek(0)
            && (aside ? copyContent(*aside, *target, oldSize)
                      : target->write(asideInMemory) == asideInMemory.size())
            && target->resize(oldSize) && syncToDisk(*target);
        if (restoredOut)
            *restoredOut = restored;
        if (restored)
            return QCoreApplication::translate("File", "its old content was put back.");
        if (aside) {
            aside->setAutoRemove(false);
            return QCoreApplication::translate("File", "its old content could not be put back and is kept in \"%1\".")
                .arg(QDir::toNativeSeparators(aside->fileName()));
        }
        return QCoreApplication::translate("File", "its old content could not be put back: the file is incomplete.");
    }

    // The file's old content, somewhere that survives writing over it.
    void keepAside()
    {
        oldSize = target->size();
        auto file = std::make_unique<QTemporaryFile>();
        if (file->open() && copyContent(*target, *file, oldSize)) {
            aside = std::move(file);
        } else {
            file.reset();
            try {
                if (target->seek(0))
                    asideInMemory = target->read(oldSize);
            } catch (const std::bad_alloc &) {
                asideInMemory.clear();
            }
        }
        // The new content is written from the file's start.
        if ((!aside && asideInMemory.size() != oldSize) || !target->seek(0))
            fail(QCoreApplication::translate("File",
                    "no temporary file can be made in its folder, and its old content "
                    "could not be kept aside to write it in place"),
                 untouched());
    }
};

FileReplacement::FileReplacement(QString path, QString what) : d(std::make_unique<Private>())
{
    d->path = std::move(path);
    d->what = std::move(what);
}

FileReplacement::~FileReplacement()
{
    try {
        cancel();
    } catch (const Error &) {
        // Nobody is left to tell; what could be kept is kept.
    }
}

bool FileReplacement::inPlace() const
{
    return d->target != nullptr;
}

void FileReplacement::open()
{
    d->existed = QFileInfo::exists(d->path);
    d->save = std::make_unique<QSaveFile>(d->path);
    d->save->setDirectWriteFallback(false);
    if (d->save->open(QIODevice::WriteOnly)) {
        d->finished = false;
        return;
    }
    const QString reason = d->save->errorString();
    d->save.reset();
    // A folder that takes no new file may still hold a file its user may
    // write: a document next to other people's files, a share.
    if (!QFileInfo(d->path).isFile())
        throw fileError(d->what, d->path, reason);
    d->target = std::make_unique<QFile>(d->path);
    if (!d->target->open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        const QString own = d->target->errorString();
        d->target.reset();
        throw fileError(d->what, d->path, own);
    }
    d->finished = false;
    d->keepAside();
}

void FileReplacement::write(QByteArrayView bytes)
{
    if (d->finished)
        return;
    errno = 0;
    if (d->save) {
        if (d->save->write(bytes.data(), bytes.size()) != bytes.size())
            d->fail(writeFailure(*d->save), d->untouched());
        return;
    }
    if (d->target->write(bytes.data(), bytes.size()) != bytes.size()) {
        const QString reason = writeFailure(*d->target);
        d->fail(reason, d->putBack());
    }
    d->written += bytes.size();
}

void FileReplacement::commit()
{
    if (d->finished)
        return;
    errno = 0;
    if (d->save) {
        if (!d->save->commit())
            d->fail(writeFailure(*d->save), d->untouched());
        d->save.reset();
    } else {
        if (!d->target->resize(d->written) || !syncToDisk(*d->target)) {
            const QString reason = writeFailure(*d->target);
            d->fail(reason, d->putBack());
        }
        d->target.reset();
        d->aside.reset();
        d->asideInMemory.clear();
    }
    d->finished = true;
}

void FileReplacement::cancel()
{
    if (d->finished)
        return;
    if (d->target) {
        bool restored = false;
        const QString outcome = d->putBack(&restored);
        if (!restored)
            d->fail(QCoreApplication::translate("File", "the save was cancelled"), outcome);
    }
    d->finished = true;
    d->save.reset();
    d->target.reset();
}

bool writeDocument(const QString &path, const StoreSnapshot &text, Progress &progress)
{
    const QString what = QCoreApplication::translate("File", "Cannot save");
    if (path.isEmpty())
        throw Error(QCoreApplication::translate("File", "Cannot save: no file name was given."));
    // A character the code page cannot hold is named before the old file is
    // touched, with its line.
    if (const qsizetype bad = text.firstUnmappable(); bad >= 0) {
        qint64 line = 1;
        QByteArray piece(qsizetype(1) << 20, Qt::Uninitialized);
        for (qsizetype pos = 0; pos < bad; pos += piece.size()) {
            const qsizetype n = text.readBytes(pos, std::min(piece.size(), bad - pos), piece.data());
            line += std::count(piece.constData(), piece.constData() + n, '\n');
        }
        const std::optional<Unmappable> c = firstUnmappable(text.text(bad, 2));
        throw fileError(what, path,
                        QCoreApplication::translate("File", "the character \"%1\" (%2) in line %3 has no byte in the "
                                                            "Windows-1251 code page; nothing was written.")
                            .arg(c ? c->character : text.text(bad, 1), c ? c->codePoint : QString())
                            .arg(line));
    }
    progress.total = text.size() + 2;
    FileReplacement file(path, what);
    file.open();
    QByteArray piece(qsizetype(4) << 20, Qt::Uninitialized);
    for (qsizetype pos = 0; pos < text.size(); pos += piece.size()) {
        if (progress.cancelled)
            return false;
        const qsizetype n = text.readBytes(pos, piece.size(), piece.data());
        file.write(QByteArrayView(piece.constData(), n));
        progress.done = pos + n;
    }
    if (text.readFailed())
        throw fileError(what, path, QCoreApplication::translate("File", "the received text could not be read back from the "
                                                                        "cache folder; the file was left as it was."));
    file.write(QByteArrayView("\r\n", 2));
    if (progress.cancelled)
        return false;
    file.commit();
    progress.done = progress.total.load();
    return true;
}

namespace {

// The lines of p[0, n), a text that ends where a line ends (the CR LF after
// it not included), as Open puts them in front: last line first, each
// followed by CR LF. Written at dst, n + 2 bytes; the bytes looked at are
// added to examined.
// The last LF in p[from, to), or null. Looked for a window at a time from
// the end: the answer is usually near, and a checking build's memrchr looks
// over the whole range it is given on every call.
const char *lastLineFeed(const char *p, qsizetype from, qsizetype to)
{
    constexpr qsizetype kWindow = 64 * 1024;
    while (to > from) {
        const qsizetype begin = std::max(from, to - kWindow);
        if (const void *lf = memrchr(p + begin, '\n', size_t(to - begin)))
            return static_cast<const char *>(lf);
        to = begin;
    }
    return nullptr;
}

void linesLastFirst(const char *p, qsizetype n, char *dst, std::atomic<qint64> &examined)
{
    const auto put = [&dst](const char *from, qsizetype count) {
        std::memcpy(dst, from, size_t(count));
        dst[count] = '\r';
        dst[count + 1] = '\n';
        dst += count + 2;
    };
    qsizetype end = n;
    for (;;) {
        // The last CR LF that ends before end.
        qsizetype k = -1;
        qsizetype limit = end;
        while (limit > 1) {
            const char *lf = lastLineFeed(p, 1, limit);
            if (!lf) {
                limit = 0;
                break;
            }
            limit = lf - p;
            if (p[limit - 1] == '\r') {
                k = limit;
                break;
            }
        }
        examined += end - std::max<qsizetype>(limit - 1, 0);
        if (k < 0) {
            put(p, end);
            return;
        }
        put(p + k + 1, end - k - 1);
        end = k - 1;
    }
}

} // namespace

void readDocumentBackward(const QString &path, Progress &progress, const std::function<void(QByteArray)> &hand)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        throw fileError(QCoreApplication::translate("File", "Cannot open"), path, f.errorString());
    const qint64 size = f.size();
    progress.total = size;
    const auto failed = [&](const QString &reason) { return fileError(QCoreApplication::translate("File", "Cannot read"), path, reason); };
    // What the file was when opened: its time, and its first and last
    // bytes, read again at the end. A file that only grows keeps them; one
    // rewritten meanwhile, even to the same size, is refused rather than
    // shown as a mix of old and new.
    const auto stamp = [&] {
        struct stat st {};
        if (::fstat(f.handle(), &st) != 0)
            return std::pair<qint64, qint64>(-1, -1);
        return std::pair<qint64, qint64>(qint64(st.st_size), qint64(st.st_mtim.tv_sec) * 1'000'000'000 + st.st_mtim.tv_nsec);
    };
    const std::pair<qint64, qint64> opened = stamp();
    const auto sample = [&] {
        constexpr qint64 kSample = 4096;
        QByteArray bytes;
        if (f.seek(0))
            bytes = f.read(std::min(size, kSample));
        if (size > kSample && f.seek(std::max(kSample, size - kSample)))
            bytes += f.read(size - std::max(kSample, size - kSample));
        return bytes;
    };
    const QByteArray before = sample();
    const auto checkUnchanged = [&] {
        const std::pair<qint64, qint64> now = stamp();
        if (now.first < size)
            throw failed(QCoreApplication::translate("File", "the file became shorter while it was read; nothing of it was kept."));
        if ((now.first == size && now.second != opened.second) || sample() != before)
            throw failed(QCoreApplication::translate("File", "the file was changed while it was read; nothing of it was kept."));
    };
    const auto readAt = [&](qint64 from, char *out, qint64 n) {
        if (!f.seek(from))
            throw failed(f.errorString());
        const qint64 got = f.read(out, n);
        if (got < 0)
            throw failed(f.errorString());
        if (got < n)
            throw failed(QCoreApplication::translate("File", "the file became shorter while it was read; nothing of it was kept."));
        progress.examined += n;
    };
    constexpr qint64 kPiece = qint64(4) << 20;
    // The first piece small, so that the top of the box shows at once.
    qint64 piece = 64 * 1024;
    // The file is read from its end a piece at a time. [end, lineEnd) is
    // the start of the line that runs on below the piece, not yet handed on
    // (it ends in its CR LF, or at the end of the file). Its bytes are kept
    // while they are no more than a piece; a longer line (a log whose lines
    // end in LF alone is one line to Open) is only scanned for where it
    // starts, and read again once that is found, so that every byte is
    // looked at a bounded number of times and memory holds a few pieces.
    qint64 lineEnd = size;
    QByteArray tail;
    bool tailHeld = true;
    char after = 0;  // the byte at end, while end < lineEnd
    // Buffers used again piece after piece: fresh memory of megabytes costs
    // a page fault every 4 KB.
    QByteArray data;
    QByteArray lines;
    const auto report = [&](qint64 end, qint64 again) {
        // A line read twice counts half for each reading.
        progress.done = size - lineEnd + (lineEnd - end + again) / 2;
    };
    for (qint64 end = size; end > 0;) {
        if (progress.cancelled)
            return;
        const qint64 start = std::max<qint64>(0, end - piece);
        piece = kPiece;
        const qsizetype n = qsizetype(end - start);
        data.resize(n);
        readAt(start, data.data(), n);
        const char *p = data.constData();
        // Lines start in this piece after its first and after its last CR
        // LF, also one across its end; at the start of the file.
        const bool across = end < lineEnd && p[n - 1] == '\r' && after == '\n';
        qsizetype first = -1, last = -1;
        if (const char *crlf = static_cast<const char *>(memmem(p, size_t(n), "\r\n", 2))) {
            first = crlf - p + 2;
            progress.examined += first;
            const qsizetype from = across ? n + 1 : n;
            last = from;
            if (!across) {
                while (last > first && !(p[last - 1] == '\n' && p[last - 2] == '\r'))
                    last = lastLineFeed(p, 1, last - 1) - p + 1;
                progress.examined += n - last;
            }
        } else {
            progress.examined += n;
            if (across)
                first = last = n + 1;
        }
        if (start == 0) {
            first = 0;
            last = std::max<qsizetype>(last, 0);
        }
        if (first < 0) {
            // The line running on below starts further up: it grows.
            tailHeld = tailHeld && lineEnd - start <= kPiece;
            if (tailHeld)
                tail.prepend(data);
            else
                tail.clear();
            report(start, 0);
            end = start;
            after = p[0];
            continue;
        }
        if (start == 0)
            checkUnchanged();
        // The line running on from here goes on top, then the whole lines
        // of the piece, last first.
        const qint64 runFrom = start + last;
        // The file's last line gets the CR LF it may lack.
        const bool needsEnd = lineEnd == size && runFrom < lineEnd && !before.endsWith("\r\n");
        lines.resize(0);
        if (!tailHeld) {
            for (qint64 at = runFrom; at < lineEnd;) {
                if (progress.cancelled)
                    return;
                const qint64 k = std::min(kPiece, lineEnd - at);
                lines.resize(k);
                readAt(at, lines.data(), k);
                at += k;
                if (at == lineEnd && needsEnd)
                    lines.append("\r\n", 2);
                hand(lines);
                report(start, at - runFrom);
            }
            checkUnchanged();
            lines.resize(0);
        } else if (runFrom < lineEnd) {
            if (last < n)
                lines.append(p + last, n - last);
            lines.append(tail.constData() + (last > n ? 1 : 0), tail.size() - (last > n ? 1 : 0));
            if (needsEnd)
                lines.append("\r\n", 2);
        }
        if (last >= first + 2) {
            const qsizetype head = lines.size();
            lines.resize(head + (last - 2 - first) + 2);
            linesLastFirst(p + first, last - 2 - first, lines.data() + head, progress.examined);
        }
        if (!lines.isEmpty())
            hand(lines);
        tail = data.left(std::min<qsizetype>(first, n));
        if (first > n)
            tail.append('\n');
        tailHeld = true;
        lineEnd = start + first;
        end = start;
        after = p[0];
        report(end, 0);
    }
    progress.done = size;
}

} // namespace kestrum
