#!/usr/bin/env python3
"""pty_capture.py OUT COMMAND...: runs COMMAND on a pseudo-terminal 80 columns wide and
appends everything it writes there to the file OUT as it arrives, so that a test can watch
a terminal display while it changes. Exits with COMMAND's exit status."""
import fcntl
import os
import pty
import struct
import sys
import termios


def main():
    out_path, argv = sys.argv[1], sys.argv[2:]
    pid, master = pty.fork()
    if pid == 0:
        # The size is set before the command runs, so its first look at the terminal sees it.
        fcntl.ioctl(0, termios.TIOCSWINSZ, struct.pack("HHHH", 24, 80, 0, 0))
        os.execvp(argv[0], argv)
    with open(out_path, "ab", buffering=0) as out:
        while True:
            try:
                data = os.read(master, 4096)
            except OSError:  # EIO: the command and every holder of the terminal are gone
                break
            if not data:
                break
            out.write(data)
    _, status = os.waitpid(pid, 0)
    return os.waitstatus_to_exitcode(status)


if __name__ == "__main__":
    sys.exit(main())
