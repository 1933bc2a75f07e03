"""X.Org's own configuration parser as a judge.

The X server parses and validates the whole configuration file before it
loads any module. Started as root with an empty module path and its own log,
it reads the file, logs its verdict and stops by itself. The verdict is the
log line "(EE) Problem parsing the config file", not the exit status (the
server always fails later for want of modules), and not every "Parse error"
line (obsolete keywords are logged so and accepted).
"""
import os
import re
import subprocess
import tempfile

XORG = "/usr/lib/xorg/Xorg"


def available():
    return os.path.exists(XORG) and os.geteuid() == 0


def _free_display():
    for number in range(400, 700):
        if not os.path.exists(f"/tmp/.X{number}-lock") and \
                not os.path.exists(f"/tmp/.X11-unix/X{number}"):
            return number
    raise RuntimeError("no free display number")


class Verdict:
    def __init__(self, accepted, input_devices, log):
        self.accepted = accepted
        self.input_devices = input_devices  # identifiers the layout uses
        self.log = log

    def __repr__(self):
        return f"Verdict(accepted={self.accepted}, input_devices={self.input_devices})"


def judge(config_path, timeout=20):
    """Lets the X server parse config_path; returns a Verdict."""
    with tempfile.TemporaryDirectory(prefix="xorg-judge-") as work:
        empty = os.path.join(work, "empty")
        os.mkdir(empty)
        log_path = os.path.join(work, "Xorg.log")
        for _ in range(5):
            display = _free_display()
            args = [XORG, f":{display}", "-config", os.path.abspath(config_path),
                    "-configdir", empty, "-modulepath", empty, "-logfile", log_path,
                    "-sharevts", "-novtswitch", "-keeptty", "-nolisten", "tcp"]
            subprocess.run(args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=timeout)
            # A server that lost the display number to another one starting
            # at the same moment may stop before it opens its log.
            try:
                with open(log_path, errors="replace") as f:
                    log = f.read()
            except FileNotFoundError:
                log = None
                continue
            if "Server is already active" not in log:
                break
        if log is None:
            raise RuntimeError(f"the X server wrote no log for {config_path}")
        accepted = "(EE) Problem parsing the config file" not in log
        devices = re.findall(r'\|-->Input Device "([^"]*)"', log)
        return Verdict(accepted, devices, log)
