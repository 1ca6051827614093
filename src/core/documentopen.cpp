#include "core/documentopen.h"
#include "core/textfile.h"
#include <chrono>
#include <utility>

namespace kestrum {

namespace {

// Enough for the window to take in at its own pace, little enough that a
// file far larger than memory is never held whole.
constexpr qsizetype kMostWaiting = qsizetype(64) << 20;

} // namespace

DocumentOpening::DocumentOpening(ReceivedStore &document, QString path)
    : m_document(document), m_path(std::move(path)), m_below(document.size())
{
}

void DocumentOpening::read(Progress &progress)
{
    ReceivedStore pieces;
    readDocumentBackward(m_path, progress, [&](QByteArray piece) {
        pieces.prependBytes(piece);
        ReceivedStore::Batch batch = pieces.takeAll();
        std::unique_lock<std::mutex> l(m_lock);
        // Cancel is read here too: a window that stopped taking pieces in
        // must not leave this thread waiting for room.
        while (m_waiting > kMostWaiting && !progress.cancelled)
            m_room.wait_for(l, std::chrono::milliseconds(50));
        m_waiting += batch.length;
        m_ready.push_back(std::move(batch));
    });
}

DocumentOpening::Change DocumentOpening::takeIn()
{
    std::deque<ReceivedStore::Batch> batches;
    {
        const std::lock_guard<std::mutex> l(m_lock);
        batches.swap(m_ready);
        m_waiting = 0;
    }
    m_room.notify_all();
    Change put{m_document.size() - m_below, 0};
    for (ReceivedStore::Batch &b : batches) {
        put.count += b.length;
        m_document.insert(m_document.size() - m_below, std::move(b));
    }
    m_added += put.count;
    return put;
}

DocumentOpening::Change DocumentOpening::takeOut()
{
    if (m_added == 0)
        return {};
    m_document.replace(m_document.size() - m_below - m_added, m_added, QString());
    const Change out{m_document.size() - m_below, m_added};
    m_added = 0;
    return out;
}

} // namespace kestrum
