"""When the output cannot be written, every step still runs, nothing goes to
standard error, and the status says so."""

import os
import unittest

import harness
from harness import run_all


class FailedOutput(unittest.TestCase):
    def test_undeliverable_output_ends_with_status_1(self):
        gone_reader, orphan_writer = os.pipe()
        os.close(gone_reader)
        full = open("/dev/full", "wb")
        outputs = {
            "a full device": {"stdout": full},
            "closed": {"stdout": None, "preexec_fn": lambda: os.close(1)},
            "a pipe whose reader has exited": {"stdout": orphan_writer},
        }
        try:
            results = run_all(outputs)
        finally:
            full.close()
            os.close(orphan_writer)
        for name, result in results.items():
            with self.subTest(output=name):
                # A negative status would mean death by a signal.
                self.assertEqual(result.status, 1)
                self.assertEqual(result.stderr, b"")
                self.assertGreaterEqual(result.seconds, harness.PAUSE)


if __name__ == "__main__":
    harness.main()
