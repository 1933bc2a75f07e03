"""The serial controller stand-in over a real pseudo-terminal, reached at
/dev/ttyS1 inside the sandbox as the utility reaches a serial port."""
import os
import select
import subprocess
import sys
import termios
import time
import tty
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import simtools  # noqa: E402

simtools.reexec_in_sandbox()

import panelharness  # noqa: E402
from simtools import Lines  # noqa: E402

LINK = "/dev/ttyS1"


def read_until(fd, count=None, terminator=None, timeout=5.0):
    data = b""
    deadline = time.time() + timeout
    while time.time() < deadline:
        if count is not None and len(data) >= count:
            break
        if terminator is not None and data.endswith(terminator):
            break
        ready, _, _ = select.select([fd], [], [], 0.1)
        if ready:
            data += os.read(fd, 65536)
    return data


class SerialSim(unittest.TestCase):
    def start(self, *args):
        sim = Lines([panelharness.program("serialsim"), "--link", LINK, "--replace"] + list(args))
        self.addCleanup(sim.stop)
        sim.wait_for(r"^ready ")
        fd = os.open(LINK, os.O_RDWR | os.O_NOCTTY)
        self.addCleanup(os.close, fd)
        return sim, fd

    def test_commands_are_answered_and_logged(self):
        sim, fd = self.start()
        self.assertTrue(os.readlink(LINK).startswith("/dev/pts/"))
        self.assertFalse(termios.tcgetattr(fd)[3] & (termios.ICANON | termios.ECHO))
        os.write(fd, b"ABC\r")
        self.assertEqual(read_until(fd, terminator=b"\r"), b"OK ABC\r")
        sim.wait_for(r'^command "ABC" hex=4142430d speed=9600$')
        os.write(fd, b"SAY AB\rSAY\rLINES 2\r")
        self.assertEqual(read_until(fd, terminator=b"LINE 2\r"), b"AB\r\rLINE 1\rLINE 2\r")
        os.write(fd, b"NUL\r")
        self.assertEqual(read_until(fd, terminator=b"\r"), b"A\0B\0\0C\r")

    def test_line_speed_seen_at_the_far_end(self):
        sim, fd = self.start()
        attrs = termios.tcgetattr(fd)
        attrs[4] = attrs[5] = termios.B19200
        termios.tcsetattr(fd, termios.TCSANOW, attrs)
        sim.wait_for(r"^speed 19200$")
        os.write(fd, b"SPEED\r")
        self.assertEqual(read_until(fd, terminator=b"\r"), b"19200\r")
        sim.wait_for(r'^command "SPEED" hex=53504545440d speed=19200$')

    def test_flood_mode_sends_a_megabyte_without_carriage_return(self):
        sim, fd = self.start("--mode", "flood")
        os.write(fd, b"X\r")
        data = read_until(fd, count=1024 * 1024, timeout=20)
        self.assertEqual(len(data), 1024 * 1024)
        self.assertNotIn(b"\r", data)

    def test_overlong_input_is_dropped_and_the_link_goes_away(self):
        sim, fd = self.start()
        os.write(fd, b"Z" * 5000 + b"\rSAY ok\r")
        self.assertEqual(read_until(fd, terminator=b"ok\r"), b"OK " + b"Z" * 904 + b"\rok\r")
        sim.wait_for(r"^overlong bytes=4096 dropped$")
        self.assertEqual(sim.stop(15), 0)
        self.assertFalse(os.path.lexists(LINK))

    def test_existing_path_is_kept_without_replace(self):
        with open("/dev/ttyS3", "w"):
            pass
        run = subprocess.run([panelharness.program("serialsim"), "--link", "/dev/ttyS3"],
                             capture_output=True, text=True, timeout=10)
        self.assertEqual(run.returncode, 1)
        self.assertTrue(os.path.isfile("/dev/ttyS3"))

    def test_cooked_leaves_the_line_discipline_alone(self):
        sim, fd = self.start("--cooked")
        self.assertTrue(termios.tcgetattr(fd)[3] & termios.ICANON)
        tty.setraw(fd)  # what the utility does; without it nothing would arrive unchanged
        os.write(fd, b"SAY AB\r")
        self.assertEqual(read_until(fd, terminator=b"\r"), b"AB\r")


if __name__ == "__main__":
    unittest.main(verbosity=2)
