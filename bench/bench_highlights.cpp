// A screen of coloured log lines made ready to paint: each of 60 lines of
// about 120 characters parsed for its escape sequences (the colours carried
// from the line above) and given its ranges by 30 highlight rules. Prints
// the time per screen; the same with each rule matched alone as a
// QRegularExpression on every line, for comparison. Then the same lines and
// rules painted in the received box, a window of 60 lines over a document
// of a million (or [lines]) lines: the time to paint a screen at a place
// not shown before.
//
//   bench_highlights [screens] [lines]     (default 3000, 1000000)
#include "core/document/receivedstore.h"
#include "core/stream/highlights.h"
#include "core/stream/sgr.h"
#include "ui/common/longwork.h"
#include "ui/received/receivedbox.h"
#include <QApplication>
#include <QScrollBar>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace kestrum;

namespace {

// ESP-IDF's way: the level's colour, the level, the time, the tag, the text,
// the reset; a few lines without colour. Every line about 120 characters.
std::vector<QByteArray> logLines(int count)
{
    static const char *const levels[] = {"\x1b[0;32mI", "\x1b[0;33mW", "\x1b[0;31mE", "D"};
    static const char *const texts[] = {
        "wifi: sta ip: 192.168.1.%d, mask: 255.255.255.0, gw: 192.168.1.1 rssi -%d dBm channel 6, bssid 24:0A:C4:1F:22:E1",
        "mqtt_client: MQTT_EVENT_PUBLISHED, msg_id=%d, topic=/sensors/room%d/temperature qos 1 retain 0 dup 0 len 12",
        "heap_init: free heap %d bytes, largest block %d bytes, min ever 123456 in region DRAM at 0x3FFAE6E0 cap 8",
        "sensor: read failed at addr 0x%04x, retry %d of 5, error ESP_ERR_TIMEOUT, bus reset done after 25 ms",
        "app_main: \xD2\xE5\xEC\xEF\xE5\xF0\xE0\xF2\xF3\xF0\xE0 %d.%d C, humidity 41 percent, pressure 1013 hPa, battery 3.71 V ok",
    };
    QRandomGenerator r(5);
    std::vector<QByteArray> lines;
    char buf[512];
    for (int i = 0; i < count; ++i) {
        const char *level = levels[r.bounded(4)];
        char text[256];
        snprintf(text, sizeof text, texts[r.bounded(5)], int(r.bounded(250)), int(r.bounded(90)));
        const int n = snprintf(buf, sizeof buf, "%s (%d) %s%s", level, int(r.bounded(1000000)), text,
                               level[0] == '\x1b' ? "\x1b[0m" : "");
        lines.emplace_back(buf, n);
    }
    return lines;
}

std::vector<HighlightRule> thirtyRules()
{
    static const char *const plain[] = {"error", "warning", "fail", "timeout", "retry", "reset", "ESP_ERR",
                                        "MQTT_EVENT", "disconnect", "overflow", "panic", "abort", "brown",
                                        "watchdog", "assert", "null", "denied", "refused", "lost", "crc"};
    static const char *const regex[] = {R"(\b\d{1,3}(\.\d{1,3}){3}\b)", R"(0x[0-9a-fA-F]+)", R"(rssi -\d+)",
                                        R"(msg_id=\d+)", R"(topic=\S+)", R"(^E \(\d+\))", R"(^W \(\d+\))",
                                        R"(free heap \d+)", R"([0-9A-F]{2}(:[0-9A-F]{2}){5})", R"(qos [012])"};
    std::vector<HighlightRule> rules;
    for (const char *p : plain)
        rules.push_back({QString::fromLatin1(p), false, false, true, 0xFF0000, false, 0, true});
    for (const char *p : regex)
        rules.push_back({QString::fromLatin1(p), true, true, false, 0, true, 0x202080, true});
    return rules;
}

// The calling thread's processor time: the work itself, without the time
// the shared machine gave to others meanwhile.
qint64 cpuNow()
{
    timespec ts;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

struct Figures {
    double median, p95, worst;
};

Figures figures(std::vector<qint64> ns)
{
    std::sort(ns.begin(), ns.end());
    auto ms = [](qint64 v) { return double(v) / 1e6; };
    return {ms(ns[ns.size() / 2]), ms(ns[ns.size() * 95 / 100]), ms(ns.back())};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int screens = argc > 1 ? std::max(10, atoi(argv[1])) : 3000;
    const int boxLines = argc > 2 ? std::max(1000, atoi(argv[2])) : 1000000;
    const std::vector<QByteArray> lines = logLines(6000);
    const std::vector<HighlightRule> rules = thirtyRules();
    qint64 characters = 0;
    for (const QByteArray &l : lines)
        characters += l.size();
    std::printf("%d screens of 60 lines, %.0f characters a line on average with sequences, %zu rules\n", screens,
                double(characters) / double(lines.size()), rules.size());

    QElapsedTimer t;
    t.start();
    const Highlighter h(rules);
    std::printf("rules compiled in %.2f ms\n", double(t.nsecsElapsed()) / 1e6);

    std::vector<Highlighter::Range> ranges;
    std::vector<qint64> parsed, painted, cpu;
    qint64 coloured = 0;
    for (int s = 0; s < screens; ++s) {
        const size_t first = size_t(s * 61) % (lines.size() - 60);
        t.restart();
        SgrAttributes carried;
        for (size_t i = first; i < first + 60; ++i)
            carried = parseSgrLine(QByteArrayView(lines[i]), carried).end;
        parsed.push_back(t.nsecsElapsed());
        t.restart();
        const qint64 cpuStart = cpuNow();
        carried = {};
        for (size_t i = first; i < first + 60; ++i) {
            const SgrLine l = parseSgrLine(QByteArrayView(lines[i]), carried);
            carried = l.end;
            h.apply(l.text, ranges);
            coloured += qint64(ranges.size());
        }
        cpu.push_back(cpuNow() - cpuStart);
        painted.push_back(t.nsecsElapsed());
    }
    const Figures p = figures(parsed), a = figures(painted), c = figures(cpu);
    std::printf("escape sequences only, per screen: median %.3f ms, p95 %.3f ms, worst %.3f ms\n", p.median, p.p95,
                p.worst);
    std::printf("sequences and 30 rules, per screen: median %.3f ms, p95 %.3f ms, worst %.3f ms (%lld ranges)\n",
                a.median, a.p95, a.worst, static_cast<long long>(coloured));
    std::printf("  the same in processor time of the thread: median %.3f ms, p95 %.3f ms, worst %.3f ms\n", c.median,
                c.p95, c.worst);

    // Every rule as its own expression on every line, as a plain loop would.
    std::vector<QRegularExpression> each;
    for (const HighlightRule &r : rules) {
        each.emplace_back(r.regex ? r.expression : QRegularExpression::escape(r.expression),
                          r.matchCase ? QRegularExpression::NoPatternOption : QRegularExpression::CaseInsensitiveOption);
        each.back().optimize();
    }
    std::vector<qint64> alone;
    qint64 matches = 0;
    for (int s = 0; s < screens; ++s) {
        const size_t first = size_t(s * 61) % (lines.size() - 60);
        t.restart();
        SgrAttributes carried;
        for (size_t i = first; i < first + 60; ++i) {
            const SgrLine l = parseSgrLine(QByteArrayView(lines[i]), carried);
            carried = l.end;
            for (const QRegularExpression &e : each)
                for (auto it = e.globalMatch(l.text); it.hasNext(); it.next())
                    ++matches;
        }
        alone.push_back(t.nsecsElapsed());
    }
    const Figures n = figures(alone);
    std::printf("sequences and each rule alone, per screen: median %.3f ms, p95 %.3f ms, worst %.3f ms (%lld matches)\n",
                n.median, n.p95, n.worst, static_cast<long long>(matches));

    // The received box: each line a message, as a board prints them.
    ReceivedStore store;
    t.restart();
    QByteArray batch;
    for (int i = 0; i < boxLines; ++i) {
        batch.prepend(lines[size_t(i) % lines.size()] + "\r\n");
        if (batch.size() > (1 << 20) || i + 1 == boxLines) {
            store.prependBytes(batch);
            batch.clear();
        }
    }
    std::printf("box of %lld lines (%.0f MB) filled in %.1f s\n", static_cast<long long>(store.lineCount()),
                double(store.size()) / (1 << 20), double(t.nsecsElapsed()) / 1e9);
    LongWork work;
    ReceivedBox box(store, work);
    LineLook look;
    look.highlighter = std::make_shared<const Highlighter>(rules);
    box.setLook(look);
    box.resize(1400, 60 * box.fontMetrics().height() + 8);
    box.show();
    QCoreApplication::processEvents();
    std::vector<qint64> shown, shownCpu;
    QRandomGenerator r(7);
    const int places = std::min(screens, 1000);
    for (int s = 0; s < places; ++s) {
        box.verticalScrollBar()->setValue(int(r.bounded(box.verticalScrollBar()->maximum() + 1)));
        t.restart();
        const qint64 cpuStart = cpuNow();
        box.viewport()->repaint();
        shownCpu.push_back(cpuNow() - cpuStart);
        shown.push_back(t.nsecsElapsed());
    }
    const Figures w = figures(shown), wc = figures(shownCpu);
    std::printf("painted in the box, a screen at a new place: median %.3f ms, p95 %.3f ms, worst %.3f ms "
                "(processor time: median %.3f ms, p95 %.3f ms)\n",
                w.median, w.p95, w.worst, wc.median, wc.p95);
    return 0;
}
