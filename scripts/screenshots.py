#!/usr/bin/env python3
"""Takes the README's pictures of one language: runs the program on the
display it is given (Xvfb) with a pseudo-terminal behind COM1 and its own
temporary settings, home and documents folders, writes a few messages into
the line, and saves the main window, the Options window and the Ports window
as PNG files. For the Ports window a second pseudo-terminal stands behind a
link named like an adapter's stable name, in a folder given with --by-id.

    screenshots.py PROGRAM LANGUAGE(en|ru) OUTPUT-FOLDER
"""
import os
import shutil
import subprocess
import sys
import tempfile
import termios
import time

program, language, out = sys.argv[1], sys.argv[2], sys.argv[3]
MESSAGES = [
    b"Bootloader 2.4.1, reset cause: power-on\r\n",
    b"Sensors: T=23.6 C  RH=41 %  P=1013.2 hPa\r\n",
    b"ADC0=0512 ADC1=0498 ADC2=1023\r\n",
    b"OK\r\n",
]
# The main window's client area and the middle of its Options... button,
# in twips.
CLIENT = (6495, 6705)
OPTIONS_BUTTON = (4680 + 1455 // 2, 1320 + 495 // 2)
CANCEL_BUTTON = (2280 + 1455 // 2, 4920 + 495 // 2)


def wait_for(what, test, seconds=20):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        result = test()
        if result:
            return result
        time.sleep(0.1)
    sys.exit(f"screenshots: gave up waiting for {what}")


def xdotool(*args):
    done = subprocess.run(["xdotool", *args], capture_output=True, text=True)
    return done.stdout.split() if done.returncode == 0 else []


def window_titled(pid, titles):
    for wid in xdotool("search", "--onlyvisible", "--pid", str(pid)):
        name = subprocess.run(["xdotool", "getwindowname", wid], capture_output=True, text=True).stdout.strip()
        if name in titles:
            return wid
    return None


def geometry(wid):
    values = dict(line.split("=") for line in xdotool("getwindowgeometry", "--shell", wid))
    return int(values["WIDTH"]), int(values["HEIGHT"])


def snap(wid, name):
    path = os.path.join(out, name)
    subprocess.run(["import", "-window", wid, path], check=True)
    print(path)


work = tempfile.mkdtemp(prefix="kestrum-shots-")
master, slave = os.openpty()
adapter_master, adapter_slave = os.openpty()
ADAPTER = "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"
UNPLUGGED = "/dev/serial/by-id/usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0"
app = None
try:
    home = os.path.join(work, "home")
    config = os.path.join(work, "config")
    os.makedirs(os.path.join(home, "Documents"))
    os.makedirs(os.path.join(config, "Kestrum"))
    by_id = os.path.join(work, "by-id")
    os.makedirs(by_id)
    os.symlink(os.ttyname(adapter_slave), os.path.join(by_id, ADAPTER))
    with open(os.path.join(config, "Kestrum", "Kestrum.ini"), "w") as ini:
        ini.write(f"[Ports]\nCOM1={os.ttyname(slave)}\nCOM2={os.path.join(by_id, ADAPTER)}\nCOM3={UNPLUGGED}\n\n"
                  f"[Lng]\nLng={1 if language == 'en' else 0}\n\n"
                  "[Parametr]\notobrTimeIn=1\notobrSizeIn=1\n")
    env = dict(os.environ, HOME=home, XDG_CONFIG_HOME=config, LANG="C.UTF-8")
    env.pop("QT_QPA_PLATFORM", None)
    original = termios.tcgetattr(slave)[4]
    app = subprocess.Popen([program, "--by-id", by_id], env=env)

    main = wait_for("the main window", lambda: window_titled(app.pid, {"Kestrum V1.01 for MC"}))
    # The program has opened COM1 once it has put its own speed (9600 baud)
    # on the line.
    wait_for("COM1 to open", lambda: termios.tcgetattr(slave)[4] != original)
    for message in MESSAGES:
        os.write(master, message)
        time.sleep(0.6)  # longer than two receive timeouts: one message each
    time.sleep(0.5)
    snap(main, f"main-{language}.png")

    # The Find window over it, after Find Next for "Size".
    xdotool("windowfocus", main)
    xdotool("key", "ctrl+f")
    find = wait_for("the Find window", lambda: window_titled(app.pid, {"Find", "Найти"}), 10)
    xdotool("windowfocus", find)
    xdotool("type", "Size")
    xdotool("key", "Return")
    time.sleep(0.8)
    snap(find, f"find-{language}.png")
    xdotool("key", "Escape")
    time.sleep(0.5)

    # View > Hex, then back to text: the choice is remembered.
    xdotool("windowfocus", main)
    xdotool("key", "ctrl+h")
    time.sleep(0.8)
    snap(main, f"hex-{language}.png")
    xdotool("key", "ctrl+h")
    time.sleep(0.5)

    # The window is its client area (6495 x 6705 twips) under the menu bar,
    # which gives both the scale and the menu bar's height.
    width, height = geometry(main)
    scale = width / CLIENT[0]
    x = round(OPTIONS_BUTTON[0] * scale)
    y = height - round(CLIENT[1] * scale) + round(OPTIONS_BUTTON[1] * scale)
    xdotool("mousemove", "--window", main, str(x), str(y), "click", "1")
    options = wait_for("the Options window", lambda: window_titled(app.pid, {"Options", "Параметры"}), 10)
    time.sleep(0.5)
    snap(options, f"options-{language}.png")
    # Cancel, in the Options window's own twips.
    xdotool("mousemove", "--window", options, str(round(CANCEL_BUTTON[0] * scale)), str(round(CANCEL_BUTTON[1] * scale)),
            "click", "1")
    wait_for("the Options window to close", lambda: not window_titled(app.pid, {"Options", "Параметры"}), 10)

    # File > Ports...: the item just above Exit, the menu's last.
    xdotool("mousemove", "--window", main, "20", str((height - round(CLIENT[1] * scale)) // 2), "click", "1")
    time.sleep(0.5)
    xdotool("key", "Up", "Up", "Return")
    ports = wait_for("the Ports window", lambda: window_titled(app.pid, {"Ports", "Порты"}), 10)
    time.sleep(0.5)
    snap(ports, f"ports-{language}.png")
finally:
    if app:
        app.terminate()
        app.wait()
    for fd in (master, slave, adapter_master, adapter_slave):
        os.close(fd)
    shutil.rmtree(work, ignore_errors=True)
