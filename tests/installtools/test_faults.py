"""Faults for real: a full file system, an unwritable directory, the tools
killed at any moment, symbolic links planted in /tmp. After each, the
configuration path holds its old text or the complete new one, and no
temporary file is left."""
import os
import random
import signal
import subprocess
import time
import unittest

import panelharness
from installtest import DATA_DIR, data, env, leftovers, read, uninstall, write

INSTALL = panelharness.program("panelinstall")
UNINSTALL = panelharness.program("paneluninstall")
SUPPRESSIONS = os.path.join(panelharness.SOURCE_DIR, "tests", "lsan.supp")


def sandbox(script):
    result = panelharness.run_in_sandbox(script, env(), timeout=120)
    if result.returncode != 0:
        raise AssertionError(f"sandbox script failed ({result.returncode}):\n{result.stderr}\n{result.stdout}")
    return result.stdout


# Runs a tool, then prints its status and messages and the directory.
REPORT = """
report() {{  # dir, tool arguments...
  local dir="$1"; shift
  set +e
  "$@" > /etc/out 2> /etc/err
  echo "rc=$?"
  set -e
  cat /etc/out /etc/err
  echo "--"
  ls -A "$dir"
}}
"""


class FullDiskTest(unittest.TestCase):
    def test_full_file_system_leaves_file_unchanged(self):
        # 100 KiB of configuration on a 256 KiB file system with about 40
        # KiB free: the new text starts to be written and runs out of room.
        padding = "".join(f"# padding line {i:05d} " + "." * 80 + "\n" for i in range(1000))
        out = sandbox(REPORT.format() + f"""
mkdir -p /etc/X11/full
mount -t tmpfs -o size=256k full /etc/X11/full
{{ cat {DATA_DIR}/XF86Config; printf '%s' '{padding}'; }} > /etc/X11/full/xorg.conf
cp /etc/X11/full/xorg.conf /etc/original
dd if=/dev/zero of=/etc/X11/full/filler bs=1k count=110 status=none
report /etc/X11/full {INSTALL} /etc/X11/full/xorg.conf 0 0 1
cmp /etc/X11/full/xorg.conf /etc/original && echo unchanged
report /etc/X11/full {UNINSTALL} /etc/X11/full/xorg.conf
cmp /etc/X11/full/xorg.conf /etc/original && echo unchanged
rm /etc/X11/full/filler
report /etc/X11/full {INSTALL} /etc/X11/full/xorg.conf 0 0 1
""")
        path = "/etc/X11/full/xorg.conf"
        self.assertEqual(out,
                         "rc=1\n"
                         f"\nError : [WriteConfig]\n Can't write \"{path}\" (write: No space left on device)\n"
                         "--\nfiller\nxorg.conf\nunchanged\n"
                         "rc=1\n"
                         f"\nError : [uninstall]\n Can't write \"{path}\" (write: No space left on device)\n"
                         "--\nfiller\nxorg.conf\nunchanged\n"
                         "rc=0\n--\nxorg.conf\n")


class UnwritableDirectoryTest(unittest.TestCase):
    def test_unprivileged_user_and_read_only_file_system(self):
        nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups"
        out = sandbox(REPORT.format() + f"""
mkdir -p /etc/X11/locked /etc/X11/rofs
cp {DATA_DIR}/XF86Config /etc/X11/locked/xorg.conf
chmod 666 /etc/X11/locked/xorg.conf
report /etc/X11/locked {nobody} {INSTALL} /etc/X11/locked/xorg.conf 0 0 1
report /etc/X11/locked {nobody} {UNINSTALL} /etc/X11/locked/xorg.conf
cmp /etc/X11/locked/xorg.conf {DATA_DIR}/XF86Config && echo unchanged
mount -t tmpfs rofs /etc/X11/rofs
cp {DATA_DIR}/XF86Config /etc/X11/rofs/xorg.conf
mount -o remount,ro /etc/X11/rofs
report /etc/X11/rofs {INSTALL} /etc/X11/rofs/xorg.conf 0 0 1
report /etc/X11/rofs {UNINSTALL} /etc/X11/rofs/xorg.conf
cmp /etc/X11/rofs/xorg.conf {DATA_DIR}/XF86Config && echo unchanged
""")
        expected = ""
        for d in ("locked", "rofs"):
            expected += ("rc=1\n"
                         f"\nError : [WriteConf4]\n Can't open tmpolary file\"/etc/X11/{d}/panelinstall.XXXXXX\"\n"
                         "--\nxorg.conf\n"
                         "rc=1\n"
                         f"\nError : [uninstall]\n Can't open tmpolary file\"/etc/X11/{d}/paneluninstall.XXXXXX\"\n"
                         "--\nxorg.conf\n"
                         "unchanged\n")
        self.assertEqual(out, expected)

    def test_failed_uninstall_leaves_no_backup(self):
        # A root-owned file in a directory anybody may write: an unprivileged
        # run can write the new text but not give it root's owner. A file
        # bound onto its path (as containers do): only the last step, the
        # rename, fails. Neither run leaves a backup or anything else.
        nobody = "setpriv --reuid=65534 --regid=65534 --clear-groups"
        installed = f"{DATA_DIR}/XF86Config.serial-screen0-ttyS1"
        out = sandbox(REPORT.format() + f"""
mkdir -p /etc/X11/open /etc/X11/bound
chmod 777 /etc/X11/open
cp {installed} /etc/X11/open/xorg.conf
report /etc/X11/open {nobody} {UNINSTALL} /etc/X11/open/xorg.conf
cmp /etc/X11/open/xorg.conf {installed} && echo unchanged
cp {installed} /etc/X11/bound/xorg.conf
cp {installed} /etc/bound-source
mount --bind /etc/bound-source /etc/X11/bound/xorg.conf
report /etc/X11/bound {UNINSTALL} /etc/X11/bound/xorg.conf
cmp /etc/X11/bound/xorg.conf {installed} && echo unchanged
""")
        self.assertEqual(out,
                         "rc=1\n"
                         "\nError : [uninstall]\n Can't write \"/etc/X11/open/xorg.conf\" "
                         "(chown: Operation not permitted)\n"
                         "--\nxorg.conf\nunchanged\n"
                         "rc=1\n"
                         "\nError : [uninstall]\n Can't write \"/etc/X11/bound/xorg.conf\" "
                         "(rename: Device or resource busy)\n"
                         "--\nxorg.conf\nunchanged\n")

    def test_backup_that_cannot_be_made_stops_the_uninstaller(self):
        with panelharness.scratch_dir() as d:
            path = os.path.join(d, "xorg.conf")
            write(path, data("XF86Config.serial-screen0-ttyS1"))
            os.mkdir(path + ".old")
            result = uninstall(path)
            self.assertEqual((result.returncode, result.stderr),
                             (1, f"\nError : [uninstall]\n Can't make backup file\"{path}.old\"\n"))
            self.assertEqual(read(path), data("XF86Config.serial-screen0-ttyS1"))
            self.assertEqual(leftovers(d, ["xorg.conf", "xorg.conf.old"]), [])


class KillTest(unittest.TestCase):
    """SIGKILL at random moments while the tools work on a large file."""
    RUNS = 40

    def setUp(self):
        self._scratch = panelharness.scratch_dir()
        self.dir = self._scratch.__enter__()
        self.path = os.path.join(self.dir, "xorg.conf")
        # About 8 MB: many kept input devices around an installed panel.
        mice = b"".join(b'Section "InputDevice"\n    Identifier "Mouse%d"\n    Driver "mouse"\nEndSection\n\n' % i
                        for i in range(100000))
        self.old = data("XF86Config.serial-screen0-ttyS1") + b"\n" + mice

    def tearDown(self):
        self._scratch.__exit__(None, None, None)

    def run_once(self, args):
        write(self.path, self.old)
        start = time.monotonic()
        subprocess.run(args, env=env(), check=True)
        elapsed = time.monotonic() - start
        new = read(self.path)
        self.assertNotEqual(new, self.old)
        return new, elapsed

    def kill_loop(self, args, extra_names=()):
        new, elapsed = self.run_once(args)
        rng = random.Random(4)
        outcomes = {"old": 0, "new": 0, "named": 0}
        for run in range(self.RUNS):
            write(self.path, self.old)
            for name in extra_names:
                if os.path.exists(os.path.join(self.dir, name)):
                    os.unlink(os.path.join(self.dir, name))
            proc = subprocess.Popen(args, env=env())
            time.sleep(rng.uniform(0, elapsed * 1.2))
            proc.send_signal(signal.SIGKILL)
            proc.wait()
            text = read(self.path)
            # The one leftover no program can avoid: killed between naming
            # the finished temporary file and renaming it, which leaves that
            # file complete beside the intact configuration file.
            named = 0
            for name in leftovers(self.dir, ("xorg.conf",) + tuple(extra_names)):
                if read(os.path.join(self.dir, name)) == new and text == self.old:
                    os.unlink(os.path.join(self.dir, name))
                    named += 1
            outcomes["named"] += named
            with self.subTest(run=run):
                self.assertIn(text, (self.old, new))
                self.assertEqual(leftovers(self.dir, ("xorg.conf",) + tuple(extra_names)), [])
                for name in extra_names:
                    backup = os.path.join(self.dir, name)
                    if os.path.exists(backup):
                        self.assertEqual(read(backup), self.old)
                    else:
                        self.assertEqual(text, self.old)
            outcomes["old" if text == self.old else "new"] += 1
        print(f"\n  {os.path.basename(args[0])}: run {elapsed:.3f} s, {self.RUNS} kills: "
              f"{outcomes['old']} left the old text, {outcomes['new']} the new one, "
              f"{outcomes['named']} a complete named temporary file")

    def test_install_killed(self):
        self.kill_loop([INSTALL, self.path, "2", "3", "0"])

    def test_uninstall_killed(self):
        self.kill_loop([UNINSTALL, self.path], extra_names=("xorg.conf.old",))


class PlantedLinkTest(unittest.TestCase):
    def test_links_in_tmp_change_nothing(self):
        # /tmp is a private file system full of links to a victim, then made
        # read-only: a tool that created or wrote anything there would fail.
        # Everything the run needs is copied out of the way first: the
        # checkout itself may lie below /tmp, which the new file system hides.
        out = sandbox(f"""
mkdir -p /etc/planted
cp {DATA_DIR}/XF86Config {DATA_DIR}/XF86Config.serial-screen0-ttyS1 {INSTALL} {UNINSTALL} /etc/planted/
cp {SUPPRESSIONS} /etc/planted/lsan.supp
export LSAN_OPTIONS=suppressions=/etc/planted/lsan.supp:print_suppressions=0
mount -t tmpfs tmp /tmp
echo victim > /etc/victim
for n in $(seq 0 299); do
  ln -s /etc/victim /tmp/file$n
  ln -s /etc/victim /tmp/tmp$n
  ln -s /etc/victim /tmp/gtp$n
done
ln -s /etc/victim /tmp/xorg.conf
ln -s /etc/victim /tmp/xorg.conf.old
ls -lA --time-style=full-iso /tmp > /etc/before
mount -o remount,ro /tmp
cp /etc/planted/XF86Config /etc/X11/xorg.conf
TMPDIR=/tmp /etc/planted/panelinstall /etc/X11/xorg.conf 0 0 1
cmp /etc/X11/xorg.conf /etc/planted/XF86Config.serial-screen0-ttyS1
TMPDIR=/tmp /etc/planted/paneluninstall /etc/X11/xorg.conf
cmp /etc/X11/xorg.conf /etc/planted/XF86Config
cmp /etc/X11/xorg.conf.old /etc/planted/XF86Config.serial-screen0-ttyS1
ls -lA --time-style=full-iso /tmp | cmp - /etc/before
cat /etc/victim
""")
        self.assertEqual(out, "victim\n")


if __name__ == "__main__":
    unittest.main(verbosity=2)
