"""A run writes the same bytes to a file or a pipe, whatever its command line,
standard input or locale, and ends with status 0 after the pause."""

import os
import subprocess
import sys
import tempfile
import unittest

import harness
from harness import as_written, run, run_all, environment


class Stream(unittest.TestCase):
    def assertComplete(self, result):
        self.assertEqual(result.stdout, as_written(harness.STREAM))
        self.assertEqual(result.stderr, b"")
        self.assertEqual(result.status, 0)
        self.assertGreaterEqual(result.seconds, harness.PAUSE)

    def test_fixture_is_the_run_described(self):
        # Guards the fixture itself: banner, its empty line, the clearing,
        # then the two screens framed by the separator.
        stream = harness.STREAM
        self.assertEqual(len(stream), 262)
        self.assertTrue(stream.startswith(harness.BANNER + harness.CLEAR))
        screen = stream[len(harness.BANNER + harness.CLEAR):].split(b"\n")
        self.assertEqual(screen, [harness.SEPARATOR, " Olá, seja bem vindo(a) a:".encode(),
                                  b"Calculadora de notas de Vendrali.", harness.SEPARATOR,
                                  b" Obrigado por usar meu programa", b" Halvo2914, 2023.",
                                  harness.SEPARATOR, b""])

    def test_to_a_pipe(self):
        self.assertComplete(run())

    def test_to_a_file(self):
        with tempfile.TemporaryFile() as out:
            result = run(stdout=out)
            out.seek(0)
            result.stdout = out.read()
        self.assertComplete(result)

    def test_command_lines_are_ignored(self):
        command_lines = {
            "none": [],
            "several": ["um", "dois", "três"],
            "empty string": [""],
            "invalid UTF-8": [b"\xff\xfe\xc3", b"\x80abc"],
            "option-like": ["--help", "-h", "/?", "--version", "-"],
            "shell characters": ["$HOME", "*", "a b", "'\"", ";|&"],
            "very long": ["x" * 30000],
        }
        results = run_all({name: {"args": args} for name, args in command_lines.items()})
        for name, result in results.items():
            with self.subTest(command_line=name):
                self.assertComplete(result)

    def test_standard_input_is_never_read(self):
        # The write end of "silent" stays open: a read from it would never end.
        silent, silent_writer = os.pipe()
        inputs = {
            "at end of file": {"stdin": subprocess.DEVNULL},
            "with text waiting": {"input": b"10\n7.5\nsair\n", "stdin": None},
            "open but silent": {"stdin": silent},
            "closed": {"preexec_fn": lambda: os.close(0)},
        }
        try:
            results = run_all(inputs)
        finally:
            os.close(silent)
            os.close(silent_writer)
        for name, result in results.items():
            with self.subTest(standard_input=name):
                self.assertComplete(result)

    def test_locale_changes_nothing(self):
        environments = {
            "unknown LANG": environment(LANG="xx_YY.UTF-8", LC_ALL=None),
            "unknown LC_ALL": environment(LC_ALL="Portuguese"),
            "latin-1 Portuguese": environment(LC_ALL="pt_BR.ISO-8859-1"),
            "C": environment(LC_ALL="C", LANG="C"),
            "empty environment": {},
        }
        results = run_all({name: {"env": env} for name, env in environments.items()})
        for name, result in results.items():
            with self.subTest(environment=name):
                self.assertComplete(result)

    def test_with_a_real_locale_named_Portuguese(self):
        if harness.EMULATED:
            self.skipTest("the C runtime of Windows knows \"Portuguese\" itself")
        with tempfile.TemporaryDirectory() as locales:
            # The C library reads "Portuguese" as an alias of pt_PT.ISO-8859-1.
            subprocess.run(["localedef", "-c", "-i", "pt_PT", "-f", "ISO-8859-1",
                            os.path.join(locales, "pt_PT.ISO-8859-1")],
                           check=False, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            env = environment(LOCPATH=locales, LC_ALL=None, LANG="Portuguese")
            probe = subprocess.run(
                [sys.executable, "-c",
                 "import locale; print(locale.setlocale(locale.LC_ALL, 'Portuguese'))"],
                env=env, capture_output=True)
            self.assertEqual(probe.stdout, b"Portuguese\n", "the locale was not built")
            self.assertComplete(run(env=env))


if __name__ == "__main__":
    harness.main()
