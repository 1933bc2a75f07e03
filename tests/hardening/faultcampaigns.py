"""Fault campaigns against the three programs that replace the X
configuration file: the writer (as Apply runs it, through writerprobe),
panelinstall and paneluninstall.

  kill         SIGKILL at many different system calls of a rewrite (strace
               injects the signal at the k-th call of a given kind)
  diskfull     a tmpfs with many different amounts of free room
  permissions  unwritable directory, read-only file system, a file of
               another owner, a symbolic link to the file, symbolic links
               planted at temporary names

In every case the configuration path must hold the old or the complete new
text, byte for byte; a failure must be reported (exit status and message);
owner, group, mode and a symbolic link are kept. A temporary file left
behind is counted; a left file holding a partial text is a failure.

Each campaign prints its figures. Run standalone:
  python3 faultcampaigns.py [--reduced] [kill|diskfull|permissions ...]
(the disk and permission campaigns re-run themselves inside tools/sandbox).
"""
import argparse
import os
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))
import panelharness  # noqa: E402

PROBE = os.path.join(panelharness.BUILD_DIR, "tests", "writer", "writerprobe")
JUDGE_DIR = os.path.join(panelharness.SOURCE_DIR, "tests", "data", "judge")
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]
CONFIG = "xorg.conf"
KEPT = {CONFIG, "real.conf", CONFIG + ".old", "real.conf.old"}


def tools():
    return [
        ("writer", lambda path: [PROBE, path]),
        ("panelinstall", lambda path: [panelharness.program("panelinstall"), path, "0", "0", "1"]),
        ("paneluninstall", lambda path: [panelharness.program("paneluninstall"), path]),
    ]


def sample_texts(extra=False):
    """Configuration texts of three sizes, each with a panel section."""
    with open(os.path.join(JUDGE_DIR, "xf86-4-serial-panel.conf"), "rb") as f:
        small = f.read()
    parts = [small]
    for n in range(900):
        parts.append(b'Section "InputDevice"\n\tIdentifier "Device%04d"\n\tDriver "evdev"\n'
                     b'\tOption "Device" "/dev/input/by-id/usb-device-%04d-event-mouse"\n'
                     b'EndSection\n\n' % (n, n))
    big = b"".join(parts)  # about 130 KB: two output chunks of the writer
    middle = b"".join(parts[:120])
    texts = [("small", small), ("middle", middle), ("big", big)]
    if extra:
        # More sizes, so that the installer tools, which make few system
        # calls per run, offer enough different kill points.
        texts += [("%d sections" % n, b"".join(parts[:n])) for n in (10, 40, 250, 500, 700)]
    return texts


def env():
    # LeakSanitizer cannot run under strace (it needs ptrace itself) and ends
    # a traced sanitizer build with status 1; leaks are checked elsewhere.
    return {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C",
            "ASAN_OPTIONS": "detect_leaks=0"}


def read(path):
    with open(path, "rb") as f:
        return f.read()


class Figures:
    def __init__(self, name):
        self.name = name
        self.cases = 0
        self.failures = []
        self.notes = {}

    def fail(self, case, message):
        self.failures.append("%s: %s" % (case, message))

    def note(self, key, n=1):
        self.notes[key] = self.notes.get(key, 0) + n

    def report(self):
        print("%s: %d cases, %d failures%s" % (
            self.name, self.cases, len(self.failures),
            "".join("; %s %d" % kv for kv in sorted(self.notes.items()))))
        for f in self.failures[:20]:
            print("  FAILED " + f)
        return not self.failures


def check_directory(fig, case, directory, old, new, link, status, stderr, owner=(4321, 8765, 0o640)):
    """The common checks after one run; returns the outcome text."""
    real = os.path.join(directory, "real.conf")
    text = read(real)
    if text not in (old, new):
        fig.fail(case, "the file holds a text that was never written (%d bytes)" % len(text))
    outcome = "old" if text == old else "new"
    if status == 0 and outcome != "new" and old != new:
        fig.fail(case, "exit status 0 but the file was not replaced")
    if status != 0 and status > 0 and not stderr.strip():
        fig.fail(case, "failed (status %d) without saying why" % status)
    info = os.stat(real)
    if owner and (info.st_uid, info.st_gid, info.st_mode & 0o7777) != owner:
        fig.fail(case, "owner/mode changed to %d:%d %o" % (info.st_uid, info.st_gid,
                                                           info.st_mode & 0o7777))
    if link and os.readlink(os.path.join(directory, CONFIG)) != "real.conf":
        fig.fail(case, "the symbolic link was replaced")
    for name in sorted(set(os.listdir(directory)) - KEPT):
        left = read(os.path.join(directory, name))
        if left in (b"", new, old):
            # Only a kill between naming a complete temporary file and the
            # rename can leave one; it never holds a partial text.
            fig.note("named temporary files left (empty or complete)")
            if os.environ.get("CAMPAIGN_VERBOSE"):
                print("  left %s after %s" % (name, case))
        else:
            fig.fail(case, "temporary file %s left with a partial text" % name)
    for backup in (CONFIG + ".old", "real.conf.old"):
        path = os.path.join(directory, backup)
        if os.path.exists(path) and read(path) != old:
            fig.fail(case, "backup %s is not the old text" % backup)
    return outcome


def prepare(directory, text, link):
    os.makedirs(directory, exist_ok=True)
    real = os.path.join(directory, "real.conf")
    with open(real, "wb") as f:
        f.write(text)
    os.chown(real, 4321, 8765)
    os.chmod(real, 0o640)
    path = os.path.join(directory, CONFIG)
    if link:
        os.symlink("real.conf", path)
    else:
        os.rename(real, path)
        os.symlink(CONFIG, real)  # the checks read "real.conf" either way
    return path


def fix_names(directory, link):
    """Without a link the file itself is the config path; put the view used
    by the checks back."""
    if not link:
        real = os.path.join(directory, "real.conf")
        if os.path.islink(real):
            os.unlink(real)
            os.link(os.path.join(directory, CONFIG), real)


def syscall_points(command, path):
    """(name, occurrence) of every system call the program makes from the
    moment it first opens the configuration file."""
    with tempfile.NamedTemporaryFile(prefix="trace-", delete=False) as t:
        trace = t.name
    subprocess.run(["strace", "-f", "-qq", "-o", trace] + command(path), env=env(),
                   capture_output=True, check=True)
    points, counts, started = [], {}, False
    with open(trace, errors="replace") as f:
        for line in f:
            parts = line.split(None, 1)
            if len(parts) < 2 or "(" not in parts[1]:
                continue
            name = parts[1].split("(", 1)[0]
            if not name.isidentifier():
                continue
            counts[name] = counts.get(name, 0) + 1
            if os.path.basename(path) in line or os.path.dirname(path) in line:
                started = True
            if started and name not in ("exit_group", "exit"):
                points.append((name, counts[name]))
    os.unlink(trace)
    return points


def spread(items, n):
    if len(items) <= n:
        return list(items)
    return [items[round(i * (len(items) - 1) / (n - 1))] for i in range(n)]


def campaign_kill(points_per_tool):
    fig = Figures("kill (SIGKILL at a system call of the rewrite)")
    if shutil.which("strace") is None:
        fig.fail("setup", "strace is not installed")
        return fig
    root = tempfile.mkdtemp(prefix="panel-kill-")
    try:
        for tool, command in tools():
            candidates = []
            for label, old in sample_texts(extra=True):
                d = os.path.join(root, "reference")
                shutil.rmtree(d, ignore_errors=True)
                path = prepare(d, old, link=True)
                subprocess.run(command(path), env=env(), check=True, capture_output=True)
                new = read(os.path.join(d, "real.conf"))
                shutil.rmtree(d)
                path = prepare(d, old, link=True)
                for point in syscall_points(command, path):
                    candidates.append((label, old, new, point))
                shutil.rmtree(d)
            chosen = spread(candidates, points_per_tool)
            seen = {"old": 0, "new": 0}
            for number, (label, old, new, (name, k)) in enumerate(chosen):
                link = number % 2 == 0
                d = os.path.join(root, "k%d" % number)
                path = prepare(d, old, link)
                case = "%s %s kill at %s #%d" % (tool, label, name, k)
                result = subprocess.run(
                    ["strace", "-f", "-qq", "-o", "/dev/null", "-e",
                     "inject=%s:signal=KILL:when=%d" % (name, k)] + command(path),
                    env=env(), capture_output=True)
                fix_names(d, link)
                fig.cases += 1
                seen[check_directory(fig, case, d, old, new, link, 0 if result.returncode == 0 else -9,
                                     "")] += 1
                shutil.rmtree(d)
            fig.note("%s kill points" % tool, len(chosen))
            fig.note("%s left old text" % tool, seen["old"])
            fig.note("%s left new text" % tool, seen["new"])
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return fig


def _tmpfs(directory, size):
    subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size, "tmpfs", directory], check=True)


def campaign_diskfull(sizes):
    """Inside the sandbox: for each tool and each amount of free room, a
    fresh tmpfs holding the old file and a filler that leaves that room."""
    fig = Figures("diskfull (tmpfs with little room)")
    mount = tempfile.mkdtemp(prefix="panel-full-")
    survived = 0
    try:
        for tool, command in tools():
            for label, old in sample_texts()[1:2]:
                for number in range(sizes):
                    _tmpfs(mount, 4 * 1024 * 1024)
                    try:
                        d = os.path.join(mount, "etc")
                        path = prepare(d, old, link=number % 2 == 0)
                        free = os.statvfs(mount)
                        avail = free.f_bavail * free.f_frsize
                        # Room from nothing to well past the new text.
                        room = (number * 2 * len(old)) // max(sizes - 1, 1)
                        filler = max(avail - room, 0) // 4096 * 4096
                        if filler:
                            with open(os.path.join(mount, "filler"), "wb") as f:
                                os.posix_fallocate(f.fileno(), 0, filler)
                        result = subprocess.run(command(path), env=env(), capture_output=True,
                                                text=True)
                        fix_names(d, number % 2 == 0)
                        os.unlink(os.path.join(mount, "filler")) if filler else None
                        new = expected_new(tool, command, old)
                        case = "%s with %d bytes free" % (tool, room)
                        fig.cases += 1
                        outcome = check_directory(fig, case, d, old, new, number % 2 == 0,
                                                  result.returncode, result.stderr)
                        if result.returncode != 0 and "No space left on device" not in result.stderr:
                            fig.fail(case, "failure message does not name the full disk: %r"
                                     % result.stderr[-200:])
                        fig.note("%s replaced" % tool, outcome == "new")
                        fig.note("%s refused, file kept" % tool, outcome == "old")
                        survived += 1
                    finally:
                        subprocess.run(["umount", mount], check=True)
    finally:
        os.rmdir(mount)
    fig.note("sizes survived", survived - len(fig.failures) if survived >= len(fig.failures) else 0)
    return fig


_expected = {}


def expected_new(tool, command, old):
    key = (tool, old)
    if key not in _expected:
        d = tempfile.mkdtemp(prefix="panel-expected-")
        try:
            path = prepare(d, old, link=True)
            subprocess.run(command(path), env=env(), check=True, capture_output=True)
            _expected[key] = read(os.path.join(d, "real.conf"))
        finally:
            shutil.rmtree(d)
    return _expected[key]


def says(tool, result, reason):
    """The writer logs the system's reason; the installer tools print their
    step and message ("Error : [step]"), naming the file that failed."""
    if tool == "writer":
        return reason in result.stderr
    return result.returncode == 1 and "Error : [" in result.stderr


def campaign_permissions(repeats):
    """Inside the sandbox, as root and as the unprivileged user nobody."""
    fig = Figures("permissions")
    root = tempfile.mkdtemp(prefix="panel-perm-")
    os.chmod(root, 0o755)
    old = sample_texts()[0][1]
    try:
        for tool, command in tools():
            new = expected_new(tool, command, old)

            def run(d, as_nobody, link=True):
                path = os.path.join(d, CONFIG)
                args = (NOBODY if as_nobody else []) + command(path)
                result = subprocess.run(args, env=env(), capture_output=True, text=True)
                fix_names(d, link)
                return result

            # A directory the user may not write, the file writable to all.
            d = os.path.join(root, tool + "-dir")
            prepare(d, old, link=True)
            os.chmod(os.path.join(d, "real.conf"), 0o666)
            r = run(d, True)
            fig.cases += 1
            out = check_directory(fig, tool + " unwritable directory", d, old, new, True,
                                  r.returncode, r.stderr, owner=(4321, 8765, 0o666))
            if out != "old" or r.returncode == 0 or not says(tool, r, "Permission denied"):
                fig.fail(tool + " unwritable directory", "status %d, %s: %r"
                         % (r.returncode, out, r.stderr[-200:]))

            # A read-only file system.
            d = os.path.join(root, tool + "-ro")
            os.makedirs(d)
            _tmpfs(d, 1 << 20)
            try:
                prepare(d, old, link=True)
                subprocess.run(["mount", "-o", "remount,ro", d], check=True)
                r = run(d, False)
                fig.cases += 1
                out = check_directory(fig, tool + " read-only", d, old, new, True, r.returncode,
                                      r.stderr)
                if out != "old" or r.returncode == 0 or not says(tool, r, "Read-only file system"):
                    fig.fail(tool + " read-only", "status %d, %s: %r"
                             % (r.returncode, out, r.stderr[-200:]))
            finally:
                subprocess.run(["umount", d], check=True)

            # A file of another owner in a directory everybody may write:
            # replacing it would hand it to the user who ran the tool.
            d = os.path.join(root, tool + "-owner")
            prepare(d, old, link=False)
            os.chmod(d, 0o1777)
            os.chmod(os.path.join(d, CONFIG), 0o666)
            r = run(d, True, link=False)
            fig.cases += 1
            out = check_directory(fig, tool + " foreign owner", d, old, new, False, r.returncode,
                                  r.stderr, owner=(4321, 8765, 0o666))
            if out != "old" or r.returncode == 0 or not says(tool, r, "Operation not permitted"):
                fig.fail(tool + " foreign owner", "status %d, %s: %r"
                         % (r.returncode, out, r.stderr[-200:]))

            # The path is a symbolic link: the file it names is replaced, the
            # link stays (checked by check_directory).
            d = os.path.join(root, tool + "-link")
            prepare(d, old, link=True)
            r = run(d, False)
            fig.cases += 1
            if check_directory(fig, tool + " symbolic link", d, old, new, True, r.returncode,
                               r.stderr) != "new" or r.returncode != 0:
                fig.fail(tool + " symbolic link", "not replaced: %r" % r.stderr[-200:])

            # Symbolic links planted at temporary names (the templates
            # themselves and many names of their form) pointing at a file
            # that must not change.
            d = os.path.join(root, tool + "-planted")
            victim = os.path.join(root, tool + "-victim")
            with open(victim, "wb") as f:
                f.write(b"precious\n")
            for n in range(repeats):
                shutil.rmtree(d, ignore_errors=True)
                prepare(d, old, link=True)
                planted = ["gtpXXXXXX", "panelinstall.XXXXXX", "paneluninstall.XXXXXX",
                           CONFIG + ".old.tmp"]
                alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"
                rng = __import__("random").Random(n)
                for _ in range(300):
                    prefix = rng.choice(["gtp", "panelinstall.", "paneluninstall.", ".bak"])
                    planted.append(prefix + "".join(rng.choice(alphabet) for _ in range(6)))
                for name in planted:
                    os.symlink(victim, os.path.join(d, name))
                r = run(d, False)
                fig.cases += 1
                for name in planted:
                    os.unlink(os.path.join(d, name))
                out = check_directory(fig, tool + " planted links", d, old, new, True,
                                      r.returncode, r.stderr)
                if out != "new" or read(victim) != b"precious\n":
                    fig.fail(tool + " planted links", "status %d, %s" % (r.returncode, out))
            fig.note("links planted", 304 * repeats)
    finally:
        shutil.rmtree(root, ignore_errors=True)
    return fig


CAMPAIGNS = {"kill": campaign_kill, "diskfull": campaign_diskfull,
             "permissions": campaign_permissions}
FULL = {"kill": 200, "diskfull": 50, "permissions": 10}
REDUCED = {"kill": 25, "diskfull": 8, "permissions": 2}
IN_SANDBOX = {"diskfull", "permissions"}


def main(argv):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--reduced", action="store_true", help="the short campaign of the tests")
    parser.add_argument("--inside", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("campaigns", nargs="*", default=list(CAMPAIGNS))
    args = parser.parse_args(argv)
    sizes = REDUCED if args.reduced else FULL
    ok = True
    for name in args.campaigns:
        if name in IN_SANDBOX and not args.inside:
            # Mounts and other users: in a private sandbox of their own.
            command = [panelharness.SANDBOX, "--", sys.executable, os.path.abspath(__file__),
                       "--inside"] + (["--reduced"] if args.reduced else []) + [name]
            result = subprocess.run(command, env=dict(os.environ))
            ok &= result.returncode == 0
            continue
        ok &= CAMPAIGNS[name](sizes[name]).report()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
