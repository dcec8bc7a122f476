#!/usr/bin/env python3
"""One gauge stream on several pseudo-terminals at once, for bench/cpu_vs_cutecom.sh.

    pty_stream.py LINK...

Opens one pseudo-terminal per LINK and prints their device names, one a line, then
"ready". The links themselves (symbolic links LINK -> /dev/pts/N) are made only on the
command "link", so a program can first be measured while its port is missing. Commands,
one a line on standard input:

    link                          make the links
    stream SECONDS RATE MODE      RATE readings a second for SECONDS, written to every
                                  terminal at the same moment; MODE "whole" writes each
                                  line at once, "paced" each byte in its own time at
                                  115200 baud (8N1). Answers "sent N".
    burst BYTES                   about BYTES of readings to every terminal at once, each
                                  as fast as its program takes them (a terminal holds
                                  back what its reader has not taken, so nothing is
                                  lost). Answers "burst N S1 S2 ...": the lines, and the
                                  seconds each terminal took to take all of them.
    quit                          remove the links and end

A reading is "0000123 12.5 um" CR LF: 17 bytes. What the programs write back is read and
dropped, so they never block on a full terminal.
"""
import ctypes
import os
import select
import threading
import sys
import time
import tty

BYTE_TIME = 10 / 115200  # start bit, 8 data bits, stop bit
PR_SET_TIMERSLACK = 29


def precise_sleeps():
    # The default slack of 50 us would smear the byte timing.
    try:
        ctypes.CDLL(None, use_errno=True).prctl(PR_SET_TIMERSLACK, 1, 0, 0, 0)
    except (OSError, AttributeError):
        pass


def sleep_until(when):
    delay = when - time.monotonic()
    if delay > 0:
        time.sleep(delay)


class Terminals:
    def __init__(self, links):
        self.links = links
        self.masters = []
        self.slaves = []  # kept open: a program reopening its port finds it still there
        for _ in links:
            master, slave = os.openpty()
            tty.setraw(slave)
            os.set_blocking(master, False)
            self.masters.append(master)
            self.slaves.append(slave)

    def names(self):
        return [os.ttyname(s) for s in self.slaves]

    def link(self):
        for path, name in zip(self.links, self.names()):
            if os.path.lexists(path):
                os.unlink(path)
            os.symlink(name, path)

    def unlink(self):
        for path in self.links:
            if os.path.lexists(path):
                os.unlink(path)

    def drain(self):
        for m in self.masters:
            try:
                while os.read(m, 4096):
                    pass
            except (BlockingIOError, OSError):
                pass

    def write(self, data):
        for m in self.masters:
            done = 0
            while done < len(data):
                try:
                    done += os.write(m, data[done:])
                except BlockingIOError:
                    self.drain()
                    time.sleep(0.001)

    def stream(self, seconds, rate, mode):
        count = int(seconds * rate)
        start = time.monotonic() + 0.05
        for i in range(count):
            line = b"%07d 12.5 um\r\n" % i
            line_start = start + i / rate
            if mode == "paced":
                for k in range(len(line)):
                    sleep_until(line_start + k * BYTE_TIME)
                    self.write(line[k:k + 1])
            else:
                sleep_until(line_start)
                self.write(line)
            self.drain()
        return count

    def burst(self, size):
        count = size // 17
        data = b"".join(b"%07d 12.5 um\r\n" % i for i in range(count))
        took = [0.0] * len(self.masters)

        def feed(index, master):
            start = time.monotonic()
            done = 0
            while done < len(data):
                select.select([], [master], [], 1.0)
                try:
                    done += os.write(master, data[done:done + 65536])
                except BlockingIOError:
                    pass
            took[index] = time.monotonic() - start

        threads = [threading.Thread(target=feed, args=(i, m)) for i, m in enumerate(self.masters)]
        for t in threads:
            t.start()
        for t in threads:
            t.join()
        return count, took


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    precise_sleeps()
    terminals = Terminals(sys.argv[1:])
    for name in terminals.names():
        print(name, flush=True)
    print("ready", flush=True)
    try:
        for command in sys.stdin:
            words = command.split()
            if not words:
                continue
            if words[0] == "link":
                terminals.link()
                print("linked", flush=True)
            elif words[0] == "stream" and len(words) == 4:
                sent = terminals.stream(float(words[1]), float(words[2]), words[3])
                print("sent", sent, flush=True)
            elif words[0] == "burst" and len(words) == 2:
                count, took = terminals.burst(int(words[1]))
                print("burst", count, *("%.3f" % t for t in took), flush=True)
            elif words[0] == "quit":
                break
            else:
                print("unknown command:", command.strip(), flush=True)
            terminals.drain()
    finally:
        terminals.unlink()
    return 0


if __name__ == "__main__":
    sys.exit(main())
