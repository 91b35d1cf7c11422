#!/usr/bin/python3
"""Starts a program and tells whether it reads a given file and is still running a moment later;
then ends it. The kernel reports the reads (inotify), so the program needs no option or
variable of its own for the check: it runs exactly as a user starts it.

    starts-and-reads.py FILE PROGRAM [ARGUMENT...]

Exit status 0 when PROGRAM read FILE within 30 seconds and was still running 2 seconds later.
"""
import ctypes
import os
import select
import struct
import subprocess
import sys
import time

IN_ACCESS, IN_OPEN = 0x001, 0x020
WAIT_SECONDS, STAY_SECONDS = 30, 2


def watch(folder):
    libc = ctypes.CDLL("libc.so.6", use_errno=True)
    fd = libc.inotify_init1(os.O_CLOEXEC)
    if fd < 0 or libc.inotify_add_watch(fd, os.fsencode(folder), IN_OPEN | IN_ACCESS) < 0:
        sys.exit(f"inotify: {os.strerror(ctypes.get_errno())}")
    return fd


def events(fd, timeout):
    """(mask, name) of each event that comes within the timeout."""
    if not select.select([fd], [], [], timeout)[0]:
        return []
    data, out, at = os.read(fd, 65536), [], 0
    while at < len(data):
        _, mask, _, length = struct.unpack_from("iIII", data, at)
        name = data[at + 16:at + 16 + length].rstrip(b"\0").decode()
        out.append((mask, name))
        at += 16 + length
    return out


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    path, command = os.path.abspath(sys.argv[1]), sys.argv[2:]
    fd = watch(os.path.dirname(path))
    name = os.path.basename(path)
    program = subprocess.Popen(command, stdin=subprocess.DEVNULL)
    try:
        seen, deadline = 0, time.monotonic() + WAIT_SECONDS
        while seen != IN_OPEN | IN_ACCESS and program.poll() is None and time.monotonic() < deadline:
            for mask, event_name in events(fd, 0.5):
                if event_name == name:
                    seen |= mask & (IN_OPEN | IN_ACCESS)
        if seen != IN_OPEN | IN_ACCESS:
            sys.exit(f"{command[0]} did not read {path}" +
                     (f" (it ended with status {program.returncode})" if program.poll() is not None else ""))
        time.sleep(STAY_SECONDS)
        if program.poll() is not None:
            sys.exit(f"{command[0]} read {path}, then ended with status {program.returncode}")
        print(f"{command[0]} started, read {path} and kept running")
    finally:
        if program.poll() is None:
            program.terminate()
            program.wait()


if __name__ == "__main__":
    main()
