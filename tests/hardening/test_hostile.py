"""panelconf -c (one calibration run, then Apply) against a driver stand-in
that writes out-of-range values into the block: calPoint negative or huge,
calibPointsNum 0, 7 or 255, calState 3. The program never hangs (its
messages are answered as a person would), the sanitizer build finds no
out-of-bounds access, and a point count the panel does not know ends the
program with "Wrong Calibration points num.", status 1 and the
configuration file untouched."""
import os
import subprocess
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
import panelharness as h  # noqa: E402
import xclose  # noqa: E402

SAMPLE = os.path.join(h.SOURCE_DIR, "scripts", "demo-xorg.conf")
KINDS = ["points-0", "points-7", "points-255", "calpoint-negative", "calpoint-huge", "calstate-3"]


def inside(kind):
    """In the sandbox: the stand-in, then panelconf -c; prints the figures."""
    with open(SAMPLE, "rb") as f:
        original = f.read()
    with open("/etc/X11/xorg.conf", "wb") as f:
        f.write(original)
    sim = subprocess.Popen([h.program("driversim"), "--hostile", kind, "--calib", "auto",
                            "--delay", "20"], stdout=subprocess.PIPE, text=True)
    if not sim.stdout.readline().startswith("ready "):
        print("driversim did not start")
        return 2
    start = time.time()
    proc = subprocess.Popen([h.program("panelconf"), "-c"], stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)
    # The calibration window is left alone long enough for its 10-second
    # time-out; only then are the program's messages answered.
    try:
        proc.wait(timeout=13)
    except subprocess.TimeoutExpired:
        pass
    closed = xclose.close_until_exit(proc, os.environ["DISPLAY"], timeout=60)
    if proc.poll() is None:
        proc.kill()
    out, err = proc.communicate()
    elapsed = time.time() - start
    sim.terminate()
    sim.communicate()
    with open("/etc/X11/xorg.conf", "rb") as f:
        unchanged = f.read() == original
    print("status=%s seconds=%.1f unchanged=%d dialogs=%d" % (
        proc.returncode, elapsed, unchanged, len(closed)))
    print("--err")
    print(err)
    return 0


@unittest.skipUnless(os.geteuid() == 0 or os.path.exists(h.SANDBOX), "needs the sandbox")
class HostileDriver(h.XServerTestCase):
    def run_kind(self, kind):
        env = h.base_env(self.x.display, LANG="C", HOME="/tmp",
                         PYTHONPATH=os.path.join(HERE, "..", "harness"),
                         PANEL_BUILD_DIR=h.BUILD_DIR, PANEL_SOURCE_DIR=h.SOURCE_DIR)
        result = subprocess.run([h.SANDBOX, "--", sys.executable, os.path.abspath(__file__),
                                 "--inside", kind], env=env, capture_output=True, text=True,
                                timeout=120)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        head, err = result.stdout.split("\n--err\n", 1)
        figures = dict(item.split("=") for item in head.split())
        return figures, err

    def test_every_hostile_kind(self):
        for kind in KINDS:
            with self.subTest(kind=kind):
                figures, err = self.run_kind(kind)
                print("%s: %s" % (kind, figures))
                self.assertNotIn("AddressSanitizer", err)
                self.assertNotIn("runtime error", err)
                # At most one 10-second time-out, never a hang.
                self.assertLess(float(figures["seconds"]), 30, err)
                if kind in ("points-7", "points-255"):
                    self.assertEqual(figures["status"], "1", err)
                    self.assertIn("Wrong Calibration points num.", err)
                    self.assertEqual(figures["unchanged"], "1")
                else:
                    self.assertIn(figures["status"], ("0", "1"), err)


if __name__ == "__main__":
    if len(sys.argv) == 3 and sys.argv[1] == "--inside":
        sys.exit(inside(sys.argv[2]))
    unittest.main(verbosity=2)
