"""On a terminal the banner is shown before the pause and stays alone on the
screen for it; the rest follows about one second later."""

import os
import pty
import select
import subprocess
import time
import unittest

import harness

QUIET_GAP = 0.75  # below the pause, to allow for the reader's own delays


def read_with_arrival_times(fd, process):
    """(seconds since start, bytes) for every chunk until the terminal closes."""
    start = time.monotonic()
    chunks = []
    while True:
        ready, _, _ = select.select([fd], [], [], 30)
        if not ready:
            process.kill()
            raise AssertionError("the program went silent for 30 s")
        try:
            data = os.read(fd, 4096)
        except OSError:  # EIO: every writer has closed the terminal
            return chunks
        if not data:
            return chunks
        chunks.append((time.monotonic() - start, data))


class Terminal(unittest.TestCase):
    def test_banner_is_on_screen_during_the_pause(self):
        controller, terminal = pty.openpty()
        process = subprocess.Popen(harness.COMMAND, stdin=terminal, stdout=terminal,
                                   stderr=terminal, close_fds=True)
        os.close(terminal)
        try:
            chunks = read_with_arrival_times(controller, process)
        finally:
            os.close(controller)
        self.assertEqual(process.wait(timeout=30), 0)

        # The terminal turns each line feed into carriage return and line feed.
        on_terminal = harness.STREAM.replace(b"\n", b"\r\n")
        self.assertEqual(b"".join(data for _, data in chunks), on_terminal)

        banner = harness.BANNER.replace(b"\n", b"\r\n")
        received, before_pause = b"", 0
        while received != banner:
            self.assertTrue(banner.startswith(received + chunks[before_pause][1]),
                            "more than the banner arrived before the pause")
            received += chunks[before_pause][1]
            before_pause += 1
        banner_time = chunks[before_pause - 1][0]
        rest_time = chunks[before_pause][0]
        self.assertGreaterEqual(rest_time - banner_time, QUIET_GAP)


if __name__ == "__main__":
    harness.main()
