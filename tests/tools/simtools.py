"""Helpers for the stand-in tests: running inside the sandbox, following a
program's output lines, and reading and writing the driver block as the
utility does (byte offsets as the block's header pins them)."""
import ctypes
import os
import re
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "harness"))
import panelharness  # noqa: E402

_MARK = "PANEL_TOOLS_TEST_IN_SANDBOX"


def reexec_in_sandbox():
    """Runs the calling test script again inside tools/sandbox, so segment
    key 1234 and /dev belong to this run alone. Returns only inside."""
    if os.environ.get(_MARK) == "1":
        return
    env = dict(os.environ)
    env[_MARK] = "1"
    args = [panelharness.SANDBOX, "--", sys.executable] + sys.argv
    os.execve(panelharness.SANDBOX, args, env)


class Lines:
    """A running program whose standard output is collected line by line."""

    def __init__(self, args, env=None):
        self.proc = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                     text=True, env=env)
        self.lines = []
        self._stderr = None
        self._cond = threading.Condition()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.proc.stdout:
            with self._cond:
                self.lines.append(line.rstrip("\n"))
                self._cond.notify_all()
        with self._cond:
            self._cond.notify_all()

    def wait_for(self, pattern, timeout=10.0, start=0):
        """The first match of `pattern` among the lines from index `start`."""
        rx = re.compile(pattern)
        deadline = time.time() + timeout
        with self._cond:
            while True:
                for line in self.lines[start:]:
                    m = rx.search(line)
                    if m:
                        return m
                left = deadline - time.time()
                if left <= 0 or (self.proc.poll() is not None and not self._reader.is_alive()):
                    raise AssertionError(f"no line matching {pattern!r}; got:\n" +
                                         "\n".join(self.lines) + "\nstderr: " + self.stderr())
                self._cond.wait(min(left, 0.1))

    def stderr(self):
        if self.proc.poll() is None:
            return "(running)"
        if self._stderr is None:
            self._stderr = self.proc.stderr.read()
            self.proc.stderr.close()
        return self._stderr

    def stop(self, sig=15, timeout=10):
        if self.proc.poll() is None:
            self.proc.send_signal(sig)
        try:
            self.proc.wait(timeout)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        self._reader.join(5)
        self.stderr()
        if not self._reader.is_alive():
            self.proc.stdout.close()
        return self.proc.returncode

    def text(self):
        with self._cond:
            return "\n".join(self.lines)


_libc = ctypes.CDLL(None, use_errno=True)
_libc.shmget.argtypes = [ctypes.c_int, ctypes.c_size_t, ctypes.c_int]
_libc.shmat.argtypes = [ctypes.c_int, ctypes.c_void_p, ctypes.c_int]
_libc.shmat.restype = ctypes.c_void_p
_libc.shmdt.argtypes = [ctypes.c_void_p]


def segment_exists(key=1234):
    return _libc.shmget(key, 0, 0) >= 0


def segment_info(key=1234):
    """(perms, size) of the segment from /proc/sysvipc/shm, or None."""
    with open("/proc/sysvipc/shm") as f:
        next(f)
        for line in f:
            fields = line.split()
            if int(fields[0]) == key:
                return int(fields[2], 8), int(fields[3])
    return None


class Block:
    """The driver block attached like the utility attaches it."""

    FIELDS = {
        "calState": (0, ctypes.c_uint8), "coeffReady": (1, ctypes.c_uint8),
        "commMode": (2, ctypes.c_uint8), "calPoint": (4, ctypes.c_int32),
        "screenNo": (8, ctypes.c_int32), "screenWidth": (12, ctypes.c_int32),
        "screenHeight": (16, ctypes.c_int32), "versionMajor": (44, ctypes.c_uint8),
        "versionMinor": (45, ctypes.c_uint8), "calibPointsNum": (46, ctypes.c_uint8),
        "sampling": (47, ctypes.c_uint8), "versionBuild": (48, ctypes.c_uint16),
        "borderRatio": (52, ctypes.c_float), "commDataReady": (2756, ctypes.c_int32),
        "commResultX": (2760, ctypes.c_int32), "commResultY": (2764, ctypes.c_int32),
    }
    ARRAYS = {"cal9Base": (20, 2), "cal25Base": (28, 4), "coefficient": (56, 128),
              "coefficient4p": (568, 8), "coefficientRevise": (600, 10), "settings": (640, 14)}

    def __init__(self, key=1234):
        shmid = _libc.shmget(key, 3088, 0o666)
        if shmid < 0:
            raise OSError(ctypes.get_errno(), "shmget")
        addr = _libc.shmat(shmid, None, 0)
        if addr in (None, ctypes.c_void_p(-1).value):
            raise OSError(ctypes.get_errno(), "shmat")
        self.addr = addr

    def detach(self):
        if self.addr:
            _libc.shmdt(self.addr)
            self.addr = None

    def _cell(self, name):
        offset, ctype = self.FIELDS[name]
        return ctype.from_address(self.addr + offset)

    def __getitem__(self, name):
        if name in self.ARRAYS:
            offset, count = self.ARRAYS[name]
            return list((ctypes.c_int32 * count).from_address(self.addr + offset))
        return self._cell(name).value

    def __setitem__(self, name, value):
        if name in self.ARRAYS:
            offset, count = self.ARRAYS[name]
            arr = (ctypes.c_int32 * count).from_address(self.addr + offset)
            for i, v in enumerate(value):
                arr[i] = v
            return
        self._cell(name).value = value

    def samples(self):
        raw = (ctypes.c_int32 * 80).from_address(self.addr + 2768)
        return [(raw[2 * i], raw[2 * i + 1]) for i in range(40)]

    def wait(self, name, predicate, timeout=5.0):
        deadline = time.time() + timeout
        while time.time() < deadline:
            value = self[name]
            if predicate(value):
                return value
            time.sleep(0.001)
        raise AssertionError(f"{name} stayed at {self[name]}")
