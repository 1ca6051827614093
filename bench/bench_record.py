#!/usr/bin/env python3
"""kestrum --record against its goals, through pseudo-terminals.

  python3 bench/bench_record.py [--kestrum build/kestrum] [--only rate,lost,files]
                                [--seconds 60] [--cycles 10] [--stream-mb 20]

rate   1 MB/s for --seconds (10,000 bytes every 10 ms of 60-byte lines, as the
       peer harness's "mbps" feed, but ending in LF alone so that the records'
       CR LF can be taken off again): every byte in the file, the recorder's
       processor time and RssAnon growth per MB; then the same feed into the
       window (offscreen platform, autosave on) for its processor time.
lost   the device lost and back --cycles times (a link re-pointed to a new
       pseudo-terminal): 1,000 bytes sent 50 ms before each loss, all must be
       in the file; lost and opened-again lines; time from the link's
       re-pointing to the opened-again line.
files  --stream-mb of 100-byte messages (one every 2.5 ms, receive timeout
       1 ms) with --new-file 1: no record holds part of a message, the files
       in order together equal the stream, each file but the last reached
       1 MB.
Every run has a configuration folder of its own; nothing else is touched.
"""
import argparse, hashlib, os, re, select, shutil, signal, subprocess, sys, tempfile, threading, time, tty

MB = 1 << 20
# Programs started, stopped at the end whatever happened.
STARTED = []


def cpu_seconds(pid):
    fields = open(f"/proc/{pid}/stat").read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def rss_anon_kb(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("RssAnon:"):
            return int(line.split()[1])
    return -1


def load():
    return open("/proc/loadavg").read().split()[:3]


def new_pty():
    master, slave = os.openpty()
    tty.setraw(slave)
    os.set_blocking(master, False)
    return master, slave, os.ttyname(slave)


def config_folder(base, ini):
    cfg = os.path.join(base, "config")
    os.makedirs(os.path.join(cfg, "Kestrum"), exist_ok=True)
    with open(os.path.join(cfg, "Kestrum", "Kestrum.ini"), "w") as f:
        f.write(ini)
    return cfg


class Program:
    """The program under test, its standard error collected as it comes."""

    def __init__(self, args, cfg, window=False):
        env = dict(os.environ, XDG_CONFIG_HOME=cfg)
        for name in ("DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"):
            env.pop(name, None)
        if window:
            env["QT_QPA_PLATFORM"] = "offscreen"
        self.p = subprocess.Popen(args, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        STARTED.append(self.p)
        self.err = ""
        self.lock = threading.Lock()
        threading.Thread(target=self._read, daemon=True).start()

    def _read(self):
        for line in self.p.stderr:
            with self.lock:
                self.err += line.decode(errors="replace")

    def count(self, what):
        with self.lock:
            return self.err.count(what)

    def wait_for(self, what, n=1, timeout=30.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.count(what) >= n:
                return True
            time.sleep(0.001)
        return False

    def holds(self, path):
        for fd in os.listdir(f"/proc/{self.p.pid}/fd"):
            try:
                if os.readlink(f"/proc/{self.p.pid}/fd/{fd}") == path:
                    return True
            except OSError:
                pass
        return False

    def stop(self):
        self.p.send_signal(signal.SIGTERM)
        try:
            return self.p.wait(60)
        except subprocess.TimeoutExpired:
            self.p.kill()
            return None


def write_all(master, data):
    view = memoryview(data)
    while view:
        try:
            n = os.write(master, view)
            view = view[n:]
        except BlockingIOError:
            select.select([], [master], [], 0.05)


def recorded(folder, pattern=r"^rec"):
    """The records of the files in order (by day and number), each without its CR LF."""
    def key(name):
        m = re.match(r"^(.*?)(?: \((\d+)\))?(\.[^.]*)?$", name)
        return (m.group(1), int(m.group(2) or 1))
    names = sorted((n for n in os.listdir(folder) if re.match(pattern, n)), key=key)
    return names, [open(os.path.join(folder, n), "rb").read() for n in names]


def feed_lines(master, seconds, rate=1_000_000, quantum=10_000):
    body = (b"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789" * 2)[:50]
    seq, h, written, buf = 0, hashlib.sha256(), 0, bytearray()
    t0 = time.monotonic()
    while True:
        now = time.monotonic()
        if now - t0 >= seconds:
            break
        due = min(int((now - t0) * rate / quantum) + 1, int(seconds * rate / quantum)) * quantum
        while len(buf) < due - written:
            buf += b"%08d " % seq + body + b"\n"
            seq += 1
        chunk = bytes(buf[: due - written])
        del buf[: due - written]
        write_all(master, chunk)
        h.update(chunk)
        written += len(chunk)
        nxt = t0 + (int((time.monotonic() - t0) * rate / quantum) + 1) * quantum / rate
        time.sleep(max(0.0, nxt - time.monotonic()))
    return written, h.hexdigest(), time.monotonic() - t0


def bench_rate(kestrum, seconds, base):
    out = {}
    for mode in ("record", "window"):
        folder = os.path.join(base, "rate-" + mode)
        os.makedirs(folder)
        master, slave, path = new_pty()
        log = os.path.join(folder, "rec.txt")
        ini = "[Ports]\nCOM1=%s\n" % path
        if mode == "window":
            ini += "[Parametr]\nAutosave=1\nFileName=%s\nLabelSave=%s\n" % (log, log)
            prog = Program([kestrum], config_folder(folder, ini), window=True)
        else:
            prog = Program([kestrum, "--record", log], config_folder(folder, ini))
        end = time.monotonic() + 60
        while not prog.holds(path) and time.monotonic() < end:
            time.sleep(0.05)
        time.sleep(1.0)
        cpu0, rss0 = cpu_seconds(prog.p.pid), rss_anon_kb(prog.p.pid)
        rss_at = {}
        t = threading.Timer(5.0, lambda: rss_at.setdefault(5, rss_anon_kb(prog.p.pid)))
        t.start()
        written, sha, took = feed_lines(master, seconds)
        # Until the file holds everything (the last message ends 200 ms on).
        end = time.monotonic() + 30
        got = b""
        while time.monotonic() < end:
            got = open(log, "rb").read().replace(b"\r\n", b"") if os.path.exists(log) else b""
            if len(got) >= written:
                break
            time.sleep(0.1)
        cpu1, rss1 = cpu_seconds(prog.p.pid), rss_anon_kb(prog.p.pid)
        status = prog.stop()
        got = open(log, "rb").read().replace(b"\r\n", b"")
        os.close(master)
        os.close(slave)
        mb = written / MB
        out[mode] = dict(mb=round(mb, 1), seconds=round(took, 1), status=status,
                         every_byte=hashlib.sha256(got).hexdigest() == sha, missing=written - len(got),
                         cpu_s=round(cpu1 - cpu0, 2), cpu_percent=round(100 * (cpu1 - cpu0) / took, 1),
                         rss_anon_kb=(rss0, rss_at.get(5), rss1),
                         growth_mb_per_mb=round((rss1 - rss0) / 1024 / mb, 4),
                         growth_after_5s_mb_per_mb=round((rss1 - rss_at.get(5, rss0)) / 1024 / mb, 4))
        print(mode, out[mode], flush=True)
    return out


def bench_lost(kestrum, cycles, base):
    folder = os.path.join(base, "lost")
    os.makedirs(folder)
    link = os.path.join(folder, "ttyBENCH")
    master, slave, path = new_pty()
    os.symlink(path, link)
    log = os.path.join(folder, "rec.txt")
    prog = Program([kestrum, "--record", log, "--port", "COM1=" + link], config_folder(folder, ""))
    assert prog.wait_for(" opened"), prog.err
    sent, reopen_ms = b"", []
    for i in range(cycles):
        data = (b"cycle %02d " % i) * 111
        write_all(master, data)
        sent += data
        time.sleep(0.05)   # the board's last words, then it resets
        os.close(master)
        os.close(slave)
        if not prog.wait_for(" lost", i + 1, 10):
            break
        master, slave, path = new_pty()
        os.symlink(path, link + ".new")
        t0 = time.monotonic()
        os.rename(link + ".new", link)
        if not prog.wait_for(" opened again", i + 1, 10):
            break
        reopen_ms.append((time.monotonic() - t0) * 1000)
    status = prog.stop()
    os.close(master)
    os.close(slave)
    got = open(log, "rb").read().replace(b"\r\n", b"")
    out = dict(cycles=cycles, status=status, lost_lines=prog.count(" lost"),
               opened_again_lines=prog.count(" opened again"), resetting_lines=prog.count("again and again"),
               every_byte=got == sent, missing=len(sent) - len(got),
               reopen_ms_median=round(sorted(reopen_ms)[len(reopen_ms) // 2], 1) if reopen_ms else None,
               reopen_ms_max=round(max(reopen_ms), 1) if reopen_ms else None)
    print("lost", out, flush=True)
    return out


def bench_files(kestrum, stream_mb, base, gap=0.0025):
    folder = os.path.join(base, "files")
    os.makedirs(folder)
    master, slave, path = new_pty()
    ini = "[Ports]\nCOM1=%s\n[Parametr]\nTimeout=1\n" % path
    log = os.path.join(folder, "rec.txt")
    prog = Program([kestrum, "--record", log, "--new-file", "1"], config_folder(folder, ini))
    assert prog.wait_for(" opened"), prog.err
    count = stream_mb * MB // 100
    filler = b"abcdefghijklmnopqrstuvwxyz" * 4
    stream = bytearray()
    cpu0 = cpu_seconds(prog.p.pid)
    t0 = time.monotonic()
    for i in range(count):
        msg = b"%08d:" % i + filler[:91]
        write_all(master, msg)
        stream += msg
        time.sleep(max(0.0, t0 + (i + 1) * gap - time.monotonic()))
    took = time.monotonic() - t0
    end = time.monotonic() + 30
    while time.monotonic() < end:
        names, contents = recorded(folder)
        if sum(len(c) for c in contents) - 2 * sum(c.count(b"\r\n") for c in contents) >= len(stream):
            break
        time.sleep(0.2)
    cpu = cpu_seconds(prog.p.pid) - cpu0
    status = prog.stop()
    os.close(master)
    os.close(slave)
    names, contents = recorded(folder)
    split, merged, records, at = 0, 0, 0, 0
    for c in contents:
        for rec in c.split(b"\r\n")[:-1]:
            records += 1
            whole = len(rec) % 100 == 0 and rec[:9] == b"%08d:" % (at // 100)
            split += not whole
            merged += whole and len(rec) > 100
            at += len(rec)
    joined = b"".join(contents).replace(b"\r\n", b"")
    out = dict(messages=count, mb=stream_mb, seconds=round(took, 1), status=status, files=len(names),
               first=names[:2], last=names[-1:], records=records, records_split=split,
               records_of_several_messages=merged, files_equal_stream=joined == bytes(stream),
               sizes_mb=sorted({round(len(c) / MB, 3) for c in contents})[:3] + ["..."],
               every_file_but_last_reached_1mb=all(len(c) >= MB for c in contents[:-1]),
               cpu_s=round(cpu, 1))
    print("files", out, flush=True)
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kestrum", default="build/kestrum")
    ap.add_argument("--only", default="rate,lost,files")
    ap.add_argument("--seconds", type=float, default=60)
    ap.add_argument("--cycles", type=int, default=10)
    ap.add_argument("--stream-mb", type=int, default=20)
    a = ap.parse_args()
    kestrum = os.path.abspath(a.kestrum)
    base = tempfile.mkdtemp(prefix="bench-record-")
    print("cores", os.cpu_count(), "load before", load(), flush=True)
    try:
        for part in a.only.split(","):
            if part == "rate":
                bench_rate(kestrum, a.seconds, base)
            elif part == "lost":
                bench_lost(kestrum, a.cycles, base)
            elif part == "files":
                bench_files(kestrum, a.stream_mb, base)
            print("load now", load(), flush=True)
    finally:
        for p in STARTED:
            if p.poll() is None:
                p.kill()
                p.wait()
        shutil.rmtree(base, ignore_errors=True)


if __name__ == "__main__":
    main()
