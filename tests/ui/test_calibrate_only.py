"""panelconf -c as a real process: one calibration against the driver
stand-in on the bundled sample file, then Apply, without a window; what it
prints, what it writes, its exit status."""
import json
import os
import re
import sys
import unittest

import panelharness as h

SAMPLE = os.path.join(h.SOURCE_DIR, "scripts", "demo-xorg.conf")

# Prints the calibration fields of the driver block as JSON (run inside the
# sandbox while the stand-in still holds the segment).
DUMP_BLOCK = r'''
import ctypes, json
libc = ctypes.CDLL(None, use_errno=True)
libc.shmat.restype = ctypes.c_void_p
libc.shmat.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
base = libc.shmat(libc.shmget(1234, 3088, 0), None, 0)
ints = lambda offset, n: list((ctypes.c_int32 * n).from_address(base + offset))
print(json.dumps({"calState": ctypes.c_uint8.from_address(base).value,
                  "calPoint": ints(4, 1)[0], "cal9Base": ints(20, 2),
                  "coefficient": ints(56, 128), "coefficient4p": ints(568, 8),
                  "coefficientRevise": ints(600, 10)}))
'''


def screen_options(text, screen):
    """Numeric options of one screen's section."""
    section = text.split(f'"TAVIR TouchPanel{screen}"', 1)[1].split("EndSection", 1)[0]
    return {m.group(1): int(m.group(2))
            for m in re.finditer(r'Option\s+"(\w+)"\s+"(-?\d+)"', section)}


def screen0_options(text):
    """Numeric options of the first screen's section (the file holds two)."""
    return screen_options(text, 0)


def only_screen0(text):
    """The sample without screen 1's section and layout line."""
    start = text.rindex('Section "InputDevice"', 0, text.index('"TAVIR TouchPanel1"'))
    end = text.index("EndSection", start) + len("EndSection\n")
    text = text[:start] + text[end:]
    return "".join(line for line in text.splitlines(True) if '"TAVIR TouchPanel1"' not in line)


def sample_text():
    with open(SAMPLE) as f:
        return f.read()


class CalibrateOnlyRuns(h.XServerTestCase):
    """Runs panelconf -c in a sandbox against the driver stand-in."""

    def run_calibrate_only(self, driver_args, setup="", screen=None, config=SAMPLE):
        script = f'''
cp "{config}" /etc/X11/xorg.conf
{setup}
"{h.program("driversim")}" {driver_args} > /tmp/sim.log &
sim=$!
for i in $(seq 100); do grep -q "^ready " /tmp/sim.log && break; sleep 0.05; done
set +e
"{h.program("panelconf")}" -c > /tmp/out 2> /tmp/err
echo "status=$?" > /tmp/status
set -e
"{sys.executable}" -c '{DUMP_BLOCK}' > /tmp/block
kill $sim; wait $sim || true
cat /tmp/status; echo "--out"; cat /tmp/out; echo "--err"; cat /tmp/err
echo "--block"; cat /tmp/block; echo "--file"; cat /etc/X11/xorg.conf
echo "--sim"; cat /tmp/sim.log
'''
        display = self.x.display if screen is None else f"{self.x.display}.{screen}"
        env = h.base_env(display, LANG="C", HOME="/tmp")
        result = h.run_in_sandbox(script, env, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        head, rest = result.stdout.split("\n--out\n", 1)
        out, rest = rest.split("--err\n", 1)
        err, rest = rest.split("--block\n", 1)
        block, rest = rest.split("--file\n", 1)
        written, sim = rest.split("--sim\n", 1)
        return {"status": int(head.split("=")[1]), "out": out, "err": err,
                "block": json.loads(block), "file": written, "sim": sim}


class CalibrateOnly(CalibrateOnlyRuns):
    def test_one_run_then_apply_writes_the_drivers_coefficients(self):
        run = self.run_calibrate_only("--calib auto --delay 30")
        self.assertEqual(run["status"], 0, run["out"] + run["err"] + run["sim"])
        self.assertIn("  -> Calibrating...  -> Completed.", run["out"])
        self.assertTrue(run["out"].endswith("  Finished.\n"), run["out"])
        self.assertIn("calib done points=9 valid=1", run["sim"])

        block = run["block"]
        self.assertEqual((block["calState"], block["calPoint"]), (0, 0))
        before = screen0_options(sample_text())
        after = screen0_options(run["file"])
        for n in range(32):
            self.assertEqual(after[f"CoEfficient{n:03d}"], block["coefficient"][n], n)
        for n in range(8):
            self.assertEqual(after[f"CoEfficient4p{n}"], block["coefficient4p"][n])
        for n in range(10):
            self.assertEqual(after[f"CoEfficientRevise{n}"], block["coefficientRevise"][n])
        self.assertEqual([after["Cal9Base0"], after["Cal9Base1"]], block["cal9Base"])
        self.assertNotEqual(after["CoEfficient000"], before["CoEfficient000"])
        # The second screen's section is still there.
        self.assertIn('"TAVIR TouchPanel1"', run["file"])

    def test_invalid_coefficients_complete_keep_the_files_values_and_fail(self):
        # The console says the run completed, as it always has; the status
        # tells a script that the panel is not calibrated.
        run = self.run_calibrate_only("--calib invalid --delay 20")
        self.assertEqual(run["status"], 1, run["out"] + run["err"])
        self.assertIn("  -> Can't set calibrated co-efficients.\n  -> Completed.", run["out"])
        before = screen0_options(sample_text())
        after = screen0_options(run["file"])
        for n in range(32):
            self.assertEqual(after[f"CoEfficient{n:03d}"], before[f"CoEfficient{n:03d}"])

    def test_file_that_cannot_be_written_fails_the_run_without_a_dialog(self):
        # No window in this mode: the console and the exit status say it,
        # and nothing waits for a person.
        run = self.run_calibrate_only(
            "--calib auto --delay 20",
            setup="mount --bind /etc/X11 /etc/X11; mount -o remount,bind,ro /etc/X11")
        self.assertEqual(run["status"], 1, run["out"] + run["err"])
        self.assertIn("  -> Completed.", run["out"])
        self.assertIn("cpTmpFileName: Read-only file system (directory /etc/X11)", run["err"])
        self.assertEqual(run["file"], sample_text())
        self.assertTrue(run["out"].endswith("  Finished.\n"), run["out"])


class CalibrateOnlyOnTheSecondScreen(CalibrateOnlyRuns):
    """-c on screen 1 of a two-screen X server: the targets appear on screen
    1, so only screen 1's panel may be calibrated."""

    @classmethod
    def setUpClass(cls):
        cls.x = h.XServer(screens=2).start()

    def test_calibrates_the_panel_of_the_displays_screen(self):
        run = self.run_calibrate_only("--screen 1 --calib auto --delay 20", screen=1)
        self.assertEqual(run["status"], 0, run["out"] + run["err"] + run["sim"])
        self.assertIn("  -> Calibrating...  -> Completed.", run["out"])
        self.assertIn("calib start points=9 screen=1 size=1024x768", run["sim"])
        block = run["block"]
        before = sample_text()
        after = screen_options(run["file"], 1)
        for n in range(32):
            self.assertEqual(after[f"CoEfficient{n:03d}"], block["coefficient"][n], n)
        self.assertNotEqual(after["CoEfficient000"], screen_options(before, 1)["CoEfficient000"])
        # Screen 0's panel keeps its values.
        self.assertEqual(screen0_options(run["file"]), screen0_options(before))

    def test_refuses_without_a_panel_of_the_displays_screen(self):
        with h.scratch_dir() as tmp:
            config = os.path.join(tmp, "xorg.conf")
            with open(config, "w") as f:
                f.write(only_screen0(sample_text()))
            with open(config) as f:
                original = f.read()
            self.assertNotIn('"TAVIR TouchPanel1"', original)
            os.chmod(tmp, 0o755)
            run = self.run_calibrate_only("--calib auto --delay 20", screen=1, config=config)
        self.assertEqual(run["status"], 1, run["out"] + run["err"])
        self.assertIn("panelconf: no touch panel is configured for X screen 1\n", run["err"])
        self.assertNotIn("Calibrating", run["out"])
        self.assertNotIn("calib start", run["sim"])
        self.assertEqual(run["file"], original)
        self.assertTrue(run["out"].endswith("  Finished.\n"), run["out"])


if __name__ == "__main__":
    unittest.main(verbosity=2)
