// File menu of the main window: documents, printing, the text editor.
#include "ui/form1.h"
#include "ui/windows.h"
#include "ui/savechangesprompt.h"
#include "ui/receivedbox.h"
#include "ui/longwork.h"
#include "core/session.h"
#include "core/textfile.h"
#include "core/error.h"
#include "platform/guard.h"
#include "platform/platform.h"
#include "core/settingkeys.h"
#include <QAction>
#include <condition_variable>
#include <deque>
#include <mutex>

namespace kestrum {

namespace {

// Shows the dialog; false when the user cancelled. A dialog that cannot be
// shown at all is reported.
bool chooseFile(CommonDialog &dialog, qint32 flags, bool save)
{
    dialog.presetTextFiles(flags);
    bool chosen = false;
    guarded([&] { chosen = save ? dialog.ShowSave() : dialog.ShowOpen(); });
    return chosen;
}

} // namespace

bool Form1::saveDocumentTo(const QString &path)
{
    const std::shared_ptr<const StoreSnapshot> text = session->document().snapshot();
    Progress progress;
    bool saved = false;
    runAside(tr("Сохранение документа..."), progress, [&] { saved = writeDocument(path, *text, progress); });
    return saved;
}

void Form1::mnuOpen_Click()
{
    if (longWorkRunning())
        return;
    // 4096 the file must exist, 4 no read-only check box.
    if (!chooseFile(CommonDialog2, 4100, false))
        return;
    const QString name = CommonDialog2.FileName;
    guarded([&] { writeSetting(Setting::FileNameOpen, name); });

    // The file is read from its end on a thread of its own, so that the lines
    // that go on top show first; each piece goes in below the one before,
    // above the text the box held (which, counted from the end, stays put).
    ReceivedStore &store = session->document();
    const qsizetype below = store.size();
    qsizetype added = 0;
    std::mutex lock;
    std::condition_variable room;
    std::deque<ReceivedStore::Batch> ready;
    qsizetype waiting = 0;
    Progress progress;
    const auto putIn = [&] {
        std::deque<ReceivedStore::Batch> batches;
        {
            const std::lock_guard<std::mutex> l(lock);
            batches.swap(ready);
            waiting = 0;
        }
        room.notify_all();
        const qsizetype at = store.size() - below;
        qsizetype put = 0;
        for (ReceivedStore::Batch &b : batches) {
            put += b.length;
            store.insert(store.size() - below, std::move(b));
        }
        added += put;
        if (put > 0)
            Text2->storeChanged(at, 0, put);
    };
    const auto read = [&] {
        // Blocks are made (indexed and written to a file of their own) on
        // this thread; the window only takes them in.
        ReceivedStore pieces;
        readDocumentBackward(name, progress, [&](QByteArray piece) {
            pieces.prependBytes(piece);
            ReceivedStore::Batch batch = pieces.takeAll();
            std::unique_lock<std::mutex> l(lock);
            while (waiting > (qsizetype(64) << 20) && !progress.cancelled)
                room.wait_for(l, std::chrono::milliseconds(50));
            waiting += batch.length;
            ready.push_back(std::move(batch));
        });
    };
    QString failure;
    try {
        runAside(tr("Открытие документа..."), progress, read, putIn);
    } catch (const Error &e) {
        failure = e.description();
    } catch (const std::exception &e) {
        failure = QString::fromLocal8Bit(e.what());
    }
    if (!failure.isEmpty() || progress.cancelled) {
        // Nothing of a file that failed or was cancelled stays.
        if (added > 0) {
            store.replace(store.size() - below - added, added, QString());
            Text2->storeChanged(store.size() - below, added, 0);
        }
        if (!failure.isEmpty())
            showMessage(failure);
        return;
    }

    session->state().openedFileName = name;
    mnuSave->setEnabled(true);
    session->state().fileOpened = 1;
}

void Form1::mnuSave_Click()
{
    if (longWorkRunning())
        return;
    if (session->state().openedFileName.isEmpty()) {
        mnuSave_as_Click();
        return;
    }
    // A failed or cancelled save leaves the text marked unsaved, and so does
    // a message that came in while it was written.
    const qsizetype size = session->document().size();
    bool saved = false;
    if (guarded([&] { saved = saveDocumentTo(session->state().openedFileName); }) && saved
        && session->document().size() == size)
        mnuSave->setEnabled(false);
}

void Form1::mnuSave_as_Click()
{
    if (longWorkRunning())
        return;
    // 2 ask before overwriting, 4 no read-only check box.
    if (!chooseFile(CommonDialog3, 6, true))
        return;
    const QString name = CommonDialog3.FileName;
    guarded([&] { writeSetting(Setting::FileNameSaveAs, name); });
    bool saved = false;
    if (guarded([&] { saved = saveDocumentTo(name); }) && saved)
        mnuSave->setEnabled(true);
}

void Form1::mnuPrint_Click()
{
    if (longWorkRunning())
        return;
    // The document as it is now goes to paper; messages that come in
    // meanwhile go on top of the box as usual. The heading is Russian in
    // both interface languages.
    const std::shared_ptr<const StoreSnapshot> text = session->document().snapshot();
    Progress progress;
    guarded([&] {
        runAside(tr("Печать документа..."), progress,
                 [&] { platform().printer->print(QStringLiteral("Принятые сообщения"), *text, progress); });
    });
}

void Form1::mnuOpenBlocknot_Click()
{
    guarded([&] { platform().editor->launch(); });
}

} // namespace kestrum
