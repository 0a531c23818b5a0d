"""In a real terminal (a tmux pane) the banner stands alone at the top during
the pause, the rest follows about a second later, and after the run the screen
holds the seven lines and nothing else.

Under wine the console stands between the program and the terminal: it shows
the clearing sequence as text and passes the accented letter on through its
code page, so there the banner stays above the seven lines, the sequence is
visible before the first separator, and the "á" is two other characters."""

import os
import pathlib
import re
import shlex
import subprocess
import tempfile
import time
import unittest

import harness

WIDTH, HEIGHT = 80, 24

FINAL_SCREEN = [
    "=================================",
    " Olá, seja bem vindo(a) a:",
    "Calculadora de notas de Vendrali.",
    "=================================",
    " Obrigado por usar meu programa",
    " Halvo2914, 2023.",
    "=================================",
]
BANNER_SCREEN = ["H L O 9 4 O T A E", " A V 2 1 S F W R S"]
QUIET_GAP = 0.75  # below the pause, to allow for the polling


def padded(lines):
    return lines + [""] * (HEIGHT - len(lines))


class Pane(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.socket = os.path.join(self.folder.name, "tmux")
        self.env = harness.environment(LC_ALL="C.UTF-8", TMUX=None)

    def tearDown(self):
        subprocess.run(["tmux", "-S", self.socket, "kill-server"], env=self.env,
                       stderr=subprocess.DEVNULL)
        self.folder.cleanup()

    def tmux(self, *args):
        return subprocess.run(["tmux", "-S", self.socket, "-f", "/dev/null", *args],
                              env=self.env, check=True, capture_output=True, text=True).stdout

    def screen(self):
        return self.tmux("capture-pane", "-p", "-t", "calc").split("\n")[:HEIGHT]

    def test_screen_during_and_after_the_run(self):
        status_file = pathlib.Path(self.folder.name, "status")
        # The shell records the status in a file and then keeps the pane open
        # without writing to it.
        shell = "{}; echo $? >{}; exec sleep 600".format(
            shlex.join(harness.COMMAND), shlex.quote(str(status_file)))
        self.tmux("new-session", "-d", "-s", "calc", "-x", str(WIDTH), "-y", str(HEIGHT), shell)

        screens_seen = []  # (seconds, screen)
        deadline = time.monotonic() + 30
        while not status_file.exists() or not status_file.read_text():
            self.assertLess(time.monotonic(), deadline, "the run did not end")
            screens_seen.append((time.monotonic(), self.screen()))
            time.sleep(0.05)
        screens_seen.append((time.monotonic(), self.screen()))
        self.assertEqual(status_file.read_text(), "0\n")

        banner = padded(BANNER_SCREEN)
        banner_times = [when for when, screen in screens_seen if screen == banner]
        self.assertTrue(banner_times, "the banner was never on the screen alone")
        rest_time = next(when for when, screen in screens_seen
                         if when > banner_times[0] and screen != banner)
        self.assertGreaterEqual(rest_time - banner_times[0], QUIET_GAP)

        final = screens_seen[-1][1]
        if not harness.EMULATED:
            self.assertEqual(final, padded(FINAL_SCREEN))
            return
        self.assertEqual(final[:3], BANNER_SCREEN + [""])
        clearing, separator = final[3][:-33], final[3][-33:]
        self.assertEqual(separator, FINAL_SCREEN[0])
        self.assertRegex(clearing, r"^\W?\[1;1H\W?\[2J$")
        self.assertRegex(final[4], r"^ Ol[^á]{2}, seja bem vindo\(a\) a:$")
        self.assertEqual(final[5:], padded(FINAL_SCREEN)[2:HEIGHT - 3])


if __name__ == "__main__":
    harness.main()
