#!/usr/bin/env python3
"""Runs a command in a new 100x30 pseudo-terminal, types keys into it once it has drawn
NEEDLE, and waits for it to end; its screen output goes to OUTPUT, its exit status is printed.
  keys_in_terminal.py NEEDLE KEYS OUTPUT COMMAND...
KEYS are separated by '|' and typed 0.2 s apart (so that a lone Esc is told from the start of
an escape sequence); Python escapes in them (\\t, \\r, \\x1b) are read as such."""
import fcntl
import os
import pty
import select
import struct
import sys
import termios
import time

needle, keys, output, command = sys.argv[1].encode(), sys.argv[2], sys.argv[3], sys.argv[4:]
pid, fd = pty.fork()
if pid == 0:
    os.execvp(command[0], command)
fcntl.ioctl(fd, termios.TIOCSWINSZ, struct.pack("HHHH", 30, 100, 0, 0))
screen = b""
typed = False
deadline = time.time() + 120
while time.time() < deadline:
    ready, _, _ = select.select([fd], [], [], 0.2)
    if ready:
        try:
            data = os.read(fd, 65536)
        except OSError:
            break
        if not data:
            break
        screen += data
    if not typed and needle in screen:
        time.sleep(0.5)
        for key in keys.split("|"):
            os.write(fd, key.encode().decode("unicode_escape").encode("latin-1"))
            time.sleep(0.2)
        typed = True
if time.time() >= deadline:
    os.kill(pid, 9)
_, status = os.waitpid(pid, 0)
with open(output, "wb") as f:
    f.write(screen)
if os.WIFSIGNALED(status):
    print("signal", os.WTERMSIG(status))
else:
    print(os.WEXITSTATUS(status))
