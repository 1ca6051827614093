#!/usr/bin/env python3
"""The receive path at its edges, on the real program as a user runs it.

  hangup   a board prints a line every 5 ms and resets (the pseudo-terminal's
           master closed) 2 ms after its last line, --tries times; how many of
           the lines reach the program's log, and how often its last words.
  framing  receive timeout 2 ms, 2,000 short messages 8 ms apart; how many
           records the autosave file holds, and whether every byte is there.

The program is build/kestrum (KESTRUM_BIN) with COM1 mapped to the slave and
autosave on, under an X server (run with xvfb-run -a); --prog floor reads the
same slave with `cat` into a file instead, as the floor of what a reader can
keep. From the project root, after a build:

  xvfb-run -a python3 bench/receive_edges.py hangup --tries 20 [--prog floor]
  xvfb-run -a python3 bench/receive_edges.py framing [--prog floor]
"""
import argparse, json, os, re, signal, subprocess, sys, tempfile, time, tty

HZ = os.sysconf("SC_CLK_TCK")


def cpu_s(pid):
    with open(f"/proc/{pid}/stat") as f:
        rest = f.read().rsplit(")", 1)[1].split()
    return (int(rest[11]) + int(rest[12])) / HZ


def holds(pid, path):
    d = f"/proc/{pid}/fd"
    for fd in os.listdir(d):
        try:
            if os.readlink(f"{d}/{fd}") == path:
                return True
        except OSError:
            pass
    return False


def wait_until(pred, timeout, step=0.02):
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if pred():
            return True
        time.sleep(step)
    return pred()


def start(prog, slave, work, timeout_ms):
    log = os.path.join(work, "terminal.log")
    if prog == "floor":
        p = subprocess.Popen(["sh", "-c", 'stty raw -echo < "$1" && exec cat "$1" > "$2"', "floor", slave, log])
    else:
        cfg = os.path.join(work, "cfg", "Kestrum")
        os.makedirs(cfg, exist_ok=True)
        with open(os.path.join(cfg, "Kestrum.ini"), "w") as f:
            f.write("[Ports]\nCOM1=%s\n\n[Parametr]\nAutosave=1\nFileName=%s\nLabelSave=%s\nTimeout=%d\n"
                    % (slave, log, log, timeout_ms))
        env = dict(os.environ, XDG_CONFIG_HOME=os.path.join(work, "cfg"), HOME=work, NO_AT_BRIDGE="1")
        binary = os.path.abspath(os.environ.get("KESTRUM_BIN", "build/kestrum"))
        p = subprocess.Popen([binary], cwd=work, env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not wait_until(lambda: holds(p.pid, slave), 20):
        stop(p, slave)
        raise RuntimeError("the program did not open the port")
    time.sleep(0.5)
    return p, log


def stop(p, slave):
    if p.poll() is None:
        p.send_signal(signal.SIGTERM)
        try:
            p.wait(10)
        except subprocess.TimeoutExpired:
            p.kill()
            p.wait()
    lock = "/run/lock/LCK.." + slave.replace("/dev/", "").replace("/", "_")
    try:
        if open(lock).read().split()[0] == str(p.pid):
            os.remove(lock)
    except (OSError, IndexError):
        pass


def sleep_until(due):
    """Sleeps until the monotonic clock reaches due, spinning only its last half millisecond."""
    while True:
        left = due - time.monotonic()
        if left <= 0:
            return
        if left > 0.0005:
            time.sleep(left - 0.0005)


def pty_pair():
    master, slave = os.openpty()
    tty.setraw(slave)
    return master, slave, os.ttyname(slave)


def settle(log, quiet=1.0, timeout=10):
    """Waits until the log stops growing; returns its bytes."""
    last, since = -1, time.monotonic()
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        size = os.path.getsize(log) if os.path.exists(log) else 0
        if size != last:
            last, since = size, time.monotonic()
        elif time.monotonic() - since >= quiet:
            break
        time.sleep(0.05)
    return open(log, "rb").read() if os.path.exists(log) else b""


def hangup(prog, tries, lines):
    kept_total, whole, last_kept, per_try = 0, 0, 0, []
    for t in range(tries):
        with tempfile.TemporaryDirectory() as work:
            master, slave_fd, slave = pty_pair()
            p, log = start(prog, slave, work, 100)
            try:
                os.close(slave_fd)
                sent = []
                due = time.monotonic()
                for i in range(lines):
                    line = b"T%02d L%03d the board says something worth keeping\r\n" % (t, i)
                    if i == lines - 1:
                        line = b"T%02d L%03d PANIC: the last words\r\n" % (t, i)
                    sleep_until(due)
                    os.write(master, line)
                    sent.append(line)
                    due += 0.005
                time.sleep(0.002)
                os.close(master)
                got = settle(log)
            finally:
                stop(p, slave)
            kept = sum(1 for line in sent if line[:-2] in got)
            if os.environ.get("RECEIVE_EDGES_DEBUG") and kept < len(sent):
                print("try %d: missing %s" % (t, [l[:8] for l in sent if l[:-2] not in got]), file=sys.stderr)
            kept_total += kept
            whole += kept == len(sent)
            last_kept += sent[-1][:-2] in got
            per_try.append(kept)
    return dict(scenario="hangup", prog=prog, tries=tries, lines_per_try=lines, lines_sent=tries * lines,
                lines_kept=kept_total, tries_whole=whole, last_words_kept=last_kept, kept_per_try=per_try)


def framing(prog, count, gap_ms, timeout_ms):
    with tempfile.TemporaryDirectory() as work:
        master, slave_fd, slave = pty_pair()
        p, log = start(prog, slave, work, timeout_ms)
        try:
            cpu0 = cpu_s(p.pid)
            sent = []
            t0 = due = time.monotonic()
            late = 0.0
            for i in range(count):
                sleep_until(due)
                late = max(late, time.monotonic() - due)
                msg = b"M%05d=%s" % (i, b"x" * 12)
                os.write(master, msg)
                sent.append(msg)
                # From the write itself: a late writer never sends two
                # messages closer than the gap.
                due = time.monotonic() + gap_ms / 1000.0
            got = settle(log, quiet=1.5)
            cpu = cpu_s(p.pid) - cpu0
            wall = time.monotonic() - t0
        finally:
            stop(p, slave)
            os.close(master)
            os.close(slave_fd)
    stream = b"".join(sent)
    out = dict(scenario="framing", prog=prog, messages_sent=count, gap_ms=gap_ms, timeout_ms=timeout_ms,
               writer_latest_ms=round(late * 1000, 2), cpu_s=round(cpu, 2), wall_s=round(wall, 1))
    if prog == "floor":
        out.update(bytes_sent=len(stream), bytes_kept=len(got), every_byte=got == stream)
    else:
        records = got.split(b"\r\n")
        if records and records[-1] == b"":
            records.pop()
        out.update(bytes_sent=len(stream), records=len(records), every_byte=b"".join(records) == stream,
                   records_holding_more_than_one=sum(1 for r in records if len(re.findall(rb"M\d{5}=", r)) > 1))
    return out


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("scenario", choices=["hangup", "framing"])
    ap.add_argument("--prog", choices=["kestrum", "floor"], default="kestrum")
    ap.add_argument("--tries", type=int, default=20)
    ap.add_argument("--lines", type=int, default=20)
    ap.add_argument("--messages", type=int, default=2000)
    a = ap.parse_args()
    if a.scenario == "hangup":
        r = hangup(a.prog, a.tries, a.lines)
    else:
        r = framing(a.prog, a.messages, 8, 2)
    r["load"] = open("/proc/loadavg").read().split()[:3]
    print(json.dumps(r))


if __name__ == "__main__":
    sys.exit(main())
