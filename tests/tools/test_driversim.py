"""The driver stand-in as the utility and the X server see it: the segment,
the devices, the calibration handshake, the communication records."""
import os
import re
import subprocess
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import simtools  # noqa: E402

simtools.reexec_in_sandbox()

import panelharness  # noqa: E402
from simtools import Block, Lines  # noqa: E402

Q16 = 65536.0


def targets(count, width, height, ratio):
    """The target positions as the calibration window places them (table
    values for the sizes used here)."""
    side = {4: 2, 9: 3, 25: 5}[count]
    mx, my = int(width * ratio), int(height * ratio)
    cols = [mx] + [(i * width) // (side - 1) for i in range(1, side - 1)] + [width - mx]
    rows = [my] + [(i * height) // (side - 1) for i in range(1, side - 1)] + [height - my]
    return [(cols[k % side], rows[k // side]) for k in range(count)]


def play_utility(block, count, width=1024, height=768, ratio=0.05, per_target=None):
    """The utility's side of one run; returns the block's calPoint and
    coeffReady as the utility sees them at the end."""
    block["calibPointsNum"] = count
    block["borderRatio"] = ratio
    block["screenWidth"] = width
    block["screenHeight"] = height
    block["screenNo"] = 0
    block["coeffReady"] = 0
    block["calPoint"] = 1
    block["calState"] = 1
    while True:
        if per_target:
            per_target(block["calPoint"])
        block.wait("calState", lambda v: v == 2)
        point = block["calPoint"]
        if point > count:
            ready = block["coeffReady"]
            block["calState"] = 0
            block["calPoint"] = 0
            return point, ready
        block["calState"] = 1


class DriverSim(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.x = panelharness.XServer(screens=2).start()
        cls.env = panelharness.base_env(cls.x.display)

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()

    def start(self, *args):
        sim = Lines([panelharness.program("driversim")] + list(args), env=self.env)
        self.addCleanup(sim.stop)
        sim.wait_for(r"^ready ")
        return sim

    def attach(self):
        block = Block()
        self.addCleanup(block.detach)
        return block

    def devices(self):
        out = subprocess.run([panelharness.program("xsetpointer"), "-l"], env=self.env,
                             capture_output=True, text=True, check=True).stdout
        return out.splitlines()

    def test_segment_and_device_live_until_sigterm(self):
        sim = self.start("--screen", "0", "--version", "3.7.1025")
        self.assertEqual(simtools.segment_info(), (0o666, 3088))
        block = Block()
        self.assertEqual((block["versionMajor"], block["versionMinor"], block["versionBuild"]),
                         (3, 7, 1025))
        self.assertEqual((block["screenWidth"], block["screenHeight"]), (1024, 768))
        sim.wait_for(r"^attach nattch=2$")
        block.detach()
        sim.wait_for(r"^detach nattch=1$")
        self.assertTrue(any(d.startswith("TAVIR TouchPanel0 ") for d in self.devices()))

        self.assertEqual(sim.stop(15), 0)
        self.assertRegex(sim.text(), r"segment removed\nexit signal=15")
        self.assertFalse(simtools.segment_exists())
        self.assertFalse(any("TAVIR" in d for d in self.devices()))

    def test_one_device_per_screen_and_sigint(self):
        sim = self.start("--screen", "0", "--screen", "1")
        names = self.devices()
        for n in (0, 1):
            self.assertTrue(any(d.startswith(f"TAVIR TouchPanel{n} ") for d in names), names)
        self.assertEqual(sim.stop(2), 0)
        self.assertFalse(any("TAVIR" in d for d in self.devices()))

    def test_existing_segment_refused_unless_reused(self):
        self.start("--no-x", "--version", "1.2.3")
        second = subprocess.run([panelharness.program("driversim"), "--no-x"], env=self.env,
                                capture_output=True, text=True, timeout=10)
        self.assertEqual(second.returncode, 1)
        self.assertIn("exists already", second.stderr)

        block = self.attach()
        block["calibPointsNum"] = 9
        reuse = self.start("--no-x", "--reuse", "--version", "5.6.7")
        self.assertIn("reused=1", reuse.lines[0])
        self.assertEqual((block["versionMajor"], block["calibPointsNum"]), (5, 9))
        self.assertEqual(subprocess.run([panelharness.program("driversim"), "--calib", "bogus"],
                                        env=self.env, capture_output=True).returncode, 2)

    def check_patches(self, block, sim, count, width=1024, height=768):
        """Each touch's raw reading, run through the patch of a cell it
        bounds, lands on its target."""
        side = {4: 2, 9: 3, 25: 5}[count]
        coeff = block["coefficient"]
        touches = {}
        for m in re.finditer(r"calib touch point=(\d+) target=(-?\d+),(-?\d+) at=\S+ "
                             r"raw=(\d+),(\d+)", sim.text()):
            touches[int(m[1])] = tuple(int(v) for v in m.groups()[1:])
        self.assertEqual(sorted(touches), list(range(1, count + 1)))
        expected = targets(count, width, height, 0.05)
        for k, (tx, ty, rx, ry) in touches.items():
            self.assertEqual((tx, ty), expected[k - 1])
            r, c = min((k - 1) // side, side - 2), min((k - 1) % side, side - 2)
            p = [v / Q16 for v in coeff[(r * (side - 1) + c) * 8:][:8]]
            u, v = rx / 4096.0, ry / 4096.0
            self.assertAlmostEqual(p[0] + p[1] * u + p[2] * v + p[3] * u * v, tx, delta=0.05)
            self.assertAlmostEqual(p[4] + p[5] * u + p[6] * v + p[7] * u * v, ty, delta=0.05)

    def test_auto_calibration_rounds(self):
        sim = self.start("--delay", "20")
        block = self.attach()
        for count, used in ((4, 8), (9, 32), (25, 128)):
            with self.subTest(count=count):
                block["coefficient"] = [0] * 128
                block["cal9Base"] = [0, 0]
                block["cal25Base"] = [0] * 4
                start = len(sim.lines)
                self.assertEqual(play_utility(block, count), (count + 1, 1))
                sim.wait_for(rf"calib done points={count} valid=1 coeffReady=1", start=start)
                self.check_patches(block, sim, count)
                coeff = block["coefficient"]
                self.assertTrue(all(any(coeff[i:i + 8]) for i in range(0, used, 8)))
                self.assertFalse(any(block["coefficient"][used:]))
                self.assertEqual(any(block["cal9Base"]), count >= 9)
                self.assertEqual(any(block["cal25Base"]), count == 25)
                self.assertEqual(block["coefficientRevise"][8:], [count, 4096])
                # Clear the run's lines so the next check sees only its own.
                sim.lines[:] = []
        sim.stop()
        m = re.search(r"handshake count=(\d+) median_ms=([\d.]+) worst_ms=([\d.]+)", sim.text())
        self.assertEqual(int(m[1]), 3 + 8 + 24)
        self.assertLessEqual(float(m[2]), float(m[3]))

    def test_invalid_silent_and_no_advance(self):
        sim = self.start("--no-x", "--calib", "invalid", "--delay", "10")
        block = self.attach()
        self.assertEqual(play_utility(block, 4), (5, 0))
        sim.wait_for(r"calib done points=4 valid=1 coeffReady=0")
        sim.stop()
        block.detach()

        sim = self.start("--no-x", "--calib", "silent", "--delay", "10")
        block = self.attach()
        block["calibPointsNum"], block["calPoint"], block["calState"] = 4, 1, 1
        time.sleep(0.5)
        self.assertEqual((block["calState"], block["calPoint"]), (1, 1))
        block["calState"] = 0  # the utility's time-out
        sim.wait_for(r"calib cancelled point=1 state=0")
        sim.stop()
        block.detach()

        sim = self.start("--no-x", "--calib", "no-advance", "--delay", "10")
        block = self.attach()
        block["calibPointsNum"], block["calPoint"], block["calState"] = 4, 1, 1
        for _ in range(2):
            block.wait("calState", lambda v: v == 2)
            self.assertEqual(block["calPoint"], 1)
            block["calState"] = 1
        sim.wait_for(r"calib reply point=1 ms=")

    def test_pointer_releases_are_touches(self):
        sim = self.start("--calib", "pointer")
        block = self.attach()
        spots = targets(4, 1024, 768, 0.05)

        def click(point):
            sim.wait_for(rf"calib target point={point}$")
            time.sleep(0.3)  # releases right after a target appears are ignored
            x, y = spots[point - 1]
            subprocess.run(["xdotool", "mousemove", "--screen", "0", str(x + 2), str(y - 1),
                            "click", "1"], env=self.env, check=True)

        self.assertEqual(play_utility(block, 4, per_target=click), (5, 1))
        self.assertIn(f"calib touch point=4 target=973,730 at=975,729", sim.text())

    def test_communication_records(self):
        sim = self.start("--no-x", "--comm-samples", "--comm-period", "20")
        block = self.attach()
        block.wait("commDataReady", lambda v: v != 0)
        first = block.samples()
        self.assertEqual(first[0], (7, -5))
        self.assertEqual(first[1], (11, 7))  # 211 - 200, 157 - 150
        self.assertTrue(any(x < 0 or y < 0 for x, y in first[1:]))
        self.assertEqual(block["commResultX"], int(sum(x for x, _ in first) / 40))
        time.sleep(0.1)  # unread: the driver must not overwrite it
        self.assertEqual(block.samples(), first)
        block["commDataReady"] = 0
        block.wait("commDataReady", lambda v: v != 0)
        self.assertNotEqual(block.samples()[1], first[1])
        sim.wait_for(r"^comm record seq=1 ")

        sim.proc.send_signal(10)  # SIGUSR1 switches the records off
        sim.wait_for(r"^comm off$")
        block["commDataReady"] = 0
        time.sleep(0.1)
        self.assertEqual(block["commDataReady"], 0)

    def test_live_settings_are_reported(self):
        sim = self.start("--no-x")
        block = self.attach()
        settings = block["settings"]
        self.assertEqual(settings, [3, 0, 25, 0, 0, 5, 0, 0, 0, 0, 0, 1500, 10, 0])
        settings[2] = 40
        block["settings"] = settings
        sim.wait_for(r"^settings 3 0 40 0 0 5 0 0 0 0 0 1500 10 0$")
        block["sampling"] = 7
        sim.wait_for(r"^sampling 7$")

    def test_hostile_values(self):
        sim = self.start("--no-x", "--hostile", "points-7")
        block = self.attach()
        self.assertEqual(block["calibPointsNum"], 7)
        sim.stop()
        block.detach()

        sim = self.start("--no-x", "--hostile", "calpoint-negative", "--delay", "10")
        block = self.attach()
        block["calibPointsNum"], block["calPoint"], block["calState"] = 4, 1, 1
        block.wait("calState", lambda v: v == 2)
        self.assertEqual(block["calPoint"], -5)
        sim.stop()
        block.detach()

        sim = self.start("--no-x", "--hostile", "calstate-3", "--delay", "10")
        block = self.attach()
        block["calibPointsNum"], block["calPoint"], block["calState"] = 4, 1, 1
        block.wait("calState", lambda v: v == 3)


if __name__ == "__main__":
    unittest.main(verbosity=2)
