"""Every package of every preset that ships, and the executables in them, come
out bit for bit the same from two builds that Debian's reprotest makes differ
in all it can vary on this machine: source and build folder, time, umask,
time zone, locale, number of CPUs, HOME, PATH, environment, file order, ASLR.
Left out: other users and groups, host and domain name and kernel version,
which need more than one machine's root can give here. When something
differs, diffoscope's report says what.

    reproducible_test.py SOURCE_DIR
"""

import os
import subprocess
import sys
import unittest

SOURCE = sys.argv[1]
PRESETS = ["release", "portable", "windows"]
ARTIFACTS = ["build/release/CalcVendrali", "build/release/*.deb",
             "build/portable/CalcVendrali", "build/portable/*.tar.gz",
             "build/windows/CalcVendrali.exe", "build/windows/*.zip",
             "build/*/*.sha256"]
VARIATIONS = "+all,-user_group,-domain_host,-kernel"


class Reproducible(unittest.TestCase):
    def test_two_varied_builds_are_identical(self):
        # The sources as a user has them, without what earlier builds left.
        entries = sorted(name for name in os.listdir(SOURCE)
                         if name not in ("build", "__pycache__"))
        build = " && ".join(f"cmake --preset {preset} >/dev/null && "
                            f"cmake --build --preset {preset} >/dev/null && "
                            f"cpack --preset {preset} >/dev/null" for preset in PRESETS)
        report = subprocess.run(
            ["reprotest", "--verbosity", "1", "--variations", VARIATIONS, "--min-cpus", "1",
             "--source-pattern", " ".join(entries), "--diffoscope-arg=--text-color=never",
             "--build-command", build, SOURCE, " ".join(ARTIFACTS)],
            capture_output=True, text=True, cwd=SOURCE)
        output = report.stdout + report.stderr
        self.assertEqual(report.returncode, 0, output)
        self.assertIn("Reproduction successful", output)
        # reprotest lists the hash of every artifact it compared.
        for artifact in ("CalcVendrali", ".deb", ".tar.gz", "CalcVendrali.exe", ".zip",
                         ".sha256"):
            with self.subTest(artifact=artifact):
                self.assertRegex(output, rf"[0-9a-f]{{64}}  \S*{artifact.replace('.', '[.]')}\n")
        print(output)


if __name__ == "__main__":
    unittest.main(argv=[sys.argv[0], "-v"])
