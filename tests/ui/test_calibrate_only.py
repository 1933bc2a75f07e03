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


def screen0_options(text):
    """Numeric options of the first screen's section (the file holds two)."""
    section = text.split('"TAVIR TouchPanel0"', 1)[1].split("EndSection", 1)[0]
    return {m.group(1): int(m.group(2))
            for m in re.finditer(r'Option\s+"(\w+)"\s+"(-?\d+)"', section)}


def sample_text():
    with open(SAMPLE) as f:
        return f.read()


class CalibrateOnly(h.XServerTestCase):
    def run_calibrate_only(self, driver_args, setup=""):
        script = f'''
cp "{SAMPLE}" /etc/X11/xorg.conf
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
        env = h.base_env(self.x.display, LANG="C", HOME="/tmp")
        result = h.run_in_sandbox(script, env, timeout=120)
        self.assertEqual(result.returncode, 0, result.stderr)
        head, rest = result.stdout.split("\n--out\n", 1)
        out, rest = rest.split("--err\n", 1)
        err, rest = rest.split("--block\n", 1)
        block, rest = rest.split("--file\n", 1)
        written, sim = rest.split("--sim\n", 1)
        return {"status": int(head.split("=")[1]), "out": out, "err": err,
                "block": json.loads(block), "file": written, "sim": sim}

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


if __name__ == "__main__":
    unittest.main(verbosity=2)
