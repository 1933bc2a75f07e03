"""Process-level test helpers: a private X server, the sandbox, the driver
stand-in and the built programs.

Environment (set by CTest): PANEL_BUILD_DIR (the build tree whose programs
are tested) and PANEL_SOURCE_DIR (the source tree).
"""
import contextlib
import os
import shutil
import signal
import subprocess
import tempfile
import time
import unittest

SOURCE_DIR = os.environ.get(
    "PANEL_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
BUILD_DIR = os.environ.get("PANEL_BUILD_DIR", os.path.join(SOURCE_DIR, "build"))
SANDBOX = os.path.join(SOURCE_DIR, "tools", "sandbox")
SAMPLES_DIR = os.path.join(SOURCE_DIR, "tests", "data", "xorg-samples")


def program(name):
    """Path of a built program (panelconf, panelinstall, driversim, ...)."""
    for sub in ("panelconf", "installtools", os.path.join("tools", name), "tools"):
        path = os.path.join(BUILD_DIR, sub, name)
        if os.path.isfile(path) and os.access(path, os.X_OK):
            return path
    raise FileNotFoundError(f"{name} not built under {BUILD_DIR}")


def runnable_by_anyone(binary):
    """A shell snippet (for inside the sandbox) that copies a built program
    to a directory every user may enter, and a command prefix that runs the
    copy. The build tree may lie below a directory such as /root that another
    user cannot traverse; the leak suppressions of a sanitizer build are
    copied along for the same reason."""
    public = "/tmp/panel-public"
    copy = f"{public}/{os.path.basename(binary)}"
    suppressions = os.path.join(SOURCE_DIR, "tests", "lsan.supp")
    snippet = (f'install -D -m 0755 "{binary}" "{copy}"; '
               f'install -m 0644 "{suppressions}" "{public}/lsan.supp"; '
               f'chmod 0755 {public}')
    command = (f'env LSAN_OPTIONS=suppressions={public}/lsan.supp:print_suppressions=0 '
               f'"{copy}"')
    return snippet, command


def tool_path():
    """A PATH whose first entries hold the built xsetpointer and driversim."""
    dirs = [os.path.dirname(program("xsetpointer")), os.path.dirname(program("driversim"))]
    return os.pathsep.join(dirs + [os.environ.get("PATH", "/usr/bin:/bin")])


def _ensure_socket_dir():
    """The X socket directory, made once with the right mode before several
    servers start at the same moment."""
    try:
        os.mkdir("/tmp/.X11-unix", 0o1777)
        os.chmod("/tmp/.X11-unix", 0o1777)
    except FileExistsError:
        pass


class XServer:
    """A private Xvfb. -noreset keeps devices added by one client when the
    last client leaves."""

    def __init__(self, width=1024, height=768, screens=1):
        self.width, self.height, self.screens = width, height, screens
        self.proc = None
        self.display = None

    def start(self):
        # Xvfb picks a free display itself and reports it (-displayfd), so
        # tests started in parallel never race for the same number.
        _ensure_socket_dir()
        for _ in range(3):
            read_end, write_end = os.pipe()
            args = ["Xvfb", "-displayfd", str(write_end), "-noreset", "-nolisten", "tcp"]
            for s in range(self.screens):
                args += ["-screen", str(s), f"{self.width}x{self.height}x24"]
            self.proc = subprocess.Popen(args, stdout=subprocess.DEVNULL,
                                         stderr=subprocess.DEVNULL, pass_fds=(write_end,))
            os.close(write_end)
            with os.fdopen(read_end) as reported:
                number = reported.readline().strip()
            if number.isdigit() and self.proc.poll() is None:
                self.display = f":{number}"
                return self
            self.stop()
        raise RuntimeError("Xvfb did not start")

    def stop(self):
        if self.proc and self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.proc = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()


class XServerTestCase(unittest.TestCase):
    """A test class whose tests share one private X server, self.x."""

    @classmethod
    def setUpClass(cls):
        cls.x = XServer().start()

    @classmethod
    def tearDownClass(cls):
        cls.x.stop()


def base_env(display=None, **extra):
    """A clean environment for a program under test."""
    env = {
        "PATH": tool_path(),
        "HOME": os.environ.get("HOME", "/root"),
        "GDK_BACKEND": "x11",
        "NO_AT_BRIDGE": "1",
        "LC_ALL": "",
    }
    for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if key in os.environ:
            env[key] = os.environ[key]
    if display:
        env["DISPLAY"] = display
    env.pop("LC_ALL")
    for key, value in extra.items():
        if value is None:
            env.pop(key, None)
        else:
            env[key] = value
    return env


def run_in_sandbox(script, env, hostname=None, timeout=60):
    """Runs a bash script inside a fresh sandbox; returns CompletedProcess."""
    args = [SANDBOX]
    if hostname:
        args += ["--hostname", hostname]
    args += ["--", "bash", "-euo", "pipefail", "-c", script]
    return subprocess.run(args, env=env, capture_output=True, text=True, timeout=timeout)


@contextlib.contextmanager
def scratch_dir():
    path = tempfile.mkdtemp(prefix="panel-test-")
    try:
        yield path
    finally:
        shutil.rmtree(path, ignore_errors=True)
