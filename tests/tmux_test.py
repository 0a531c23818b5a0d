"""In a real terminal (a tmux pane) the banner stands alone at the top during
the pause, and after the run the screen holds the seven lines and nothing else."""

import os
import pathlib
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

        screens_seen = []
        deadline = time.monotonic() + 30
        while not status_file.exists() or not status_file.read_text():
            self.assertLess(time.monotonic(), deadline, "the run did not end")
            screens_seen.append(self.screen())
            time.sleep(0.05)

        self.assertEqual(status_file.read_text(), "0\n")
        self.assertIn(padded(BANNER_SCREEN), screens_seen)
        self.assertEqual(self.screen(), padded(FINAL_SCREEN))


if __name__ == "__main__":
    harness.main()
