"""The configuration file under real faults while the writer replaces it: a
full file system, a directory the user cannot write, a read-only file
system, a file of another owner, and the writer killed at many points. In
every case the file holds its old text or the complete new one, and no
temporary file is left. Also: no locale changes a byte of the new text."""
import os
import random
import resource
import shutil
import signal
import subprocess
import time
import unittest

import panelharness as harness

PROBE = os.path.join(harness.BUILD_DIR, "tests", "writer", "writerprobe")
NOBODY = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"]


def large_config(sections=1000):
    """About 1 MB: a layout, then many InputDevice sections, two of them the
    driver's, with comments and long option lines."""
    parts = ['# generated for the fault tests\nSection "ServerLayout"\n'
             '\tIdentifier "Layout0"\n\tScreen "Screen0"\n'
             '\tInputDevice "Keyboard0" "CoreKeyboard"\n'
             '\tInputDevice "TAVIR TouchPanel0"\nEndSection\n\n']
    for n in range(sections):
        if n in (3, sections // 2):
            parts.append('Section "InputDevice"\n\tIdentifier "TAVIR TouchPanel%d"\n'
                         '\tDriver "tavir"\n\tOption "ScreenNo" "%d"\n'
                         '\tOption "Device" "/dev/ttyS0"\nEndSection\n\n' % (n, n))
            continue
        parts.append('Section "InputDevice"\n\tIdentifier "Device%04d"\n\tDriver "evdev"\n' % n)
        parts.append('\t# event device %d, matched by its path\n' % n)
        for k in range(20):
            parts.append('\tOption "Property%02d" "%s"\n' % (k, "v%d" % (n * k) * 4))
        parts.append('EndSection\n\n')
    parts.append('Section "Screen"\n\tIdentifier "Screen0"\nEndSection\n')
    return "".join(parts)


def leftovers(directory):
    return sorted(name for name in os.listdir(directory) if name.startswith("gtp"))


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def probe_env(**extra):
    env = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"}
    for key in ("ASAN_OPTIONS", "UBSAN_OPTIONS", "LSAN_OPTIONS"):
        if key in os.environ:
            env[key] = os.environ[key]
    env.update(extra)
    return env


def expected_texts(directory, original, repeats=(1, 2)):
    """The texts the probe writes after 1 and 2 rewrites of original."""
    texts = []
    for n in repeats:
        path = os.path.join(directory, "expected%d" % n)
        write(path, original)
        subprocess.run([PROBE, path, "--repeat", str(n)], env=probe_env(), check=True,
                       capture_output=True)
        texts.append(read(path))
        os.unlink(path)
    return texts


class SandboxedFaults(unittest.TestCase):
    """Faults that need mounts or another user: run in tools/sandbox."""

    def setUp(self):
        self.dir = harness.scratch_dir()
        self.scratch = self.dir.__enter__()
        os.chmod(self.scratch, 0o755)  # the unprivileged user must get in
        self.original = large_config(120).encode()  # ~120 KB: two write chunks
        self.source = os.path.join(self.scratch, "original")
        write(self.source, self.original)

    def tearDown(self):
        self.dir.__exit__(None, None, None)

    def sandbox(self, script):
        script = "probe=%s\nsrc=%s\nd=%s/d\nmkdir -p \"$d\"\n%s" % (
            PROBE, self.source, self.scratch, script)
        return harness.run_in_sandbox(script, probe_env(), timeout=120)

    def assert_untouched(self, result, message):
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        lines = result.stdout.splitlines()
        self.assertIn("probe status 1", lines, result.stderr)
        self.assertIn("same", lines, result.stderr)
        self.assertIn("leftovers: 0", lines, result.stderr)
        self.assertIn(message, result.stderr)

    # After the probe: its status, whether the file kept its text, and how
    # many temporary files the directory holds.
    CHECK = ('set +e; "$@"; echo "probe status $?"; set -e\n'
             'cmp -s "$src" "$d/XF86Config" && echo same || echo changed\n'
             'echo "leftovers: $(ls -A "$d" | grep -c "^gtp" || true)"\n')

    def test_full_file_system(self):
        result = self.sandbox(
            'mount -t tmpfs -o size=256k tmpfs "$d"\n'
            'cp "$src" "$d/XF86Config"\n'
            'dd if=/dev/zero of="$d/fill" bs=4096 2>/dev/null || true\n'
            'truncate -s -32K "$d/fill"\n'  # room for a little, not for the new text
            'run() { "$probe" "$d/XF86Config"; }\n' + self.CHECK.replace('"$@"', 'run'))
        self.assert_untouched(result, "No space left on device")

    def test_directory_without_write_permission(self):
        result = self.sandbox(
            'cp "$src" "$d/XF86Config"\nchmod 0755 "$d"\nchmod 0666 "$d/XF86Config"\n'
            'run() { %s "$probe" "$d/XF86Config"; }\n' % " ".join(NOBODY) +
            self.CHECK.replace('"$@"', 'run'))
        self.assert_untouched(result, "cpTmpFileName: Permission denied")

    def test_read_only_file_system(self):
        result = self.sandbox(
            'mount -t tmpfs -o size=4m tmpfs "$d"\ncp "$src" "$d/XF86Config"\n'
            'mount -o remount,ro "$d"\n'
            'run() { "$probe" "$d/XF86Config"; }\n' + self.CHECK.replace('"$@"', 'run'))
        self.assert_untouched(result, "cpTmpFileName: Read-only file system")
        # The directory is named: it, not the file, has to be writable.
        self.assertIn("cpTmpFileName: Read-only file system (directory %s/d)\n" % self.scratch,
                      result.stderr)

    def test_file_of_another_owner_is_not_handed_over(self):
        # The user may write the file and the directory, but the new file
        # would belong to the user: the old one stays.
        result = self.sandbox(
            'cp "$src" "$d/XF86Config"\nchmod 1777 "$d"\nchmod 0666 "$d/XF86Config"\n'
            'run() { %s "$probe" "$d/XF86Config"; }\n' % " ".join(NOBODY) +
            self.CHECK.replace('"$@"', 'run'))
        self.assert_untouched(result, "Operation not permitted")

    def test_owner_group_and_mode_kept_for_root(self):
        result = self.sandbox(
            'cp "$src" "$d/XF86Config"\nchown 4321:8765 "$d/XF86Config"\n'
            'chmod 0604 "$d/XF86Config"\n"$probe" "$d/XF86Config"\n'
            'stat -c "%u %g %a" "$d/XF86Config"\n'
            'cmp -s "$src" "$d/XF86Config" && echo same || echo changed\n')
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(result.stdout.split("\n")[:2], ["4321 8765 604", "changed"])


class KilledWriter(unittest.TestCase):
    """The writer dies in the middle of a rewrite."""

    def setUp(self):
        self.dir = harness.scratch_dir()
        self.scratch = self.dir.__enter__()
        self.original = large_config().encode()
        self.path = os.path.join(self.scratch, "XF86Config")
        self.new_texts = expected_texts(self.scratch, self.original)

    def tearDown(self):
        self.dir.__exit__(None, None, None)

    def test_large_file_is_about_one_megabyte(self):
        self.assertGreater(len(self.original), 900_000)
        self.assertEqual(self.original.count(b'Section "InputDevice"'), 1000)
        self.assertNotEqual(self.new_texts[0], self.new_texts[1])

    def test_killed_after_n_bytes(self):
        # The file size limit kills the writer (SIGXFSZ, not handled) at the
        # first write past N bytes of the new text.
        size = len(self.new_texts[0])
        limits = {0, 1, 4095, 65535, 65536, 65537, 131072, size // 2, size - 1, size}
        rng = random.Random(7)
        limits |= {rng.randrange(size) for _ in range(12)}
        for limit in sorted(limits):
            with self.subTest(limit=limit):
                write(self.path, self.original)

                def limit_size(n=limit):
                    resource.setrlimit(resource.RLIMIT_FSIZE, (n, n))
                    resource.setrlimit(resource.RLIMIT_CORE, (0, 0))

                result = subprocess.run([PROBE, self.path], env=probe_env(),
                                        preexec_fn=limit_size, capture_output=True)
                if limit >= size:
                    self.assertEqual(result.returncode, 0)
                    self.assertEqual(read(self.path), self.new_texts[0])
                else:
                    self.assertEqual(result.returncode, -signal.SIGXFSZ, result.stderr)
                    self.assertEqual(read(self.path), self.original)
                self.assertEqual(leftovers(self.scratch), [])

    def test_killed_at_random_moments(self):
        valid = {self.original: "old", self.new_texts[0]: "new A", self.new_texts[1]: "new B"}
        # One rewrite's duration bounds the delays, so the kills land in
        # reading, writing, flushing and renaming alike.
        write(self.path, self.original)
        start = time.monotonic()
        subprocess.run([PROBE, self.path, "--repeat", "3"], env=probe_env(), check=True)
        span = (time.monotonic() - start) / 3 * 2
        rng = random.Random(11)
        seen = {}
        named_in_commit = 0
        for round_number in range(40):
            write(self.path, self.original if round_number % 2 else self.new_texts[1])
            proc = subprocess.Popen([PROBE, self.path, "--repeat", "1000000"], env=probe_env(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            time.sleep(rng.uniform(0, span) + (span if round_number % 4 == 3 else 0))
            proc.send_signal(signal.SIGKILL)
            proc.wait()
            text = read(self.path)
            self.assertIn(text, valid, "round %d left a text that was never written" % round_number)
            seen[valid[text]] = seen.get(valid[text], 0) + 1
            for name in leftovers(self.scratch):
                # The temporary file gets its name only in the last moments
                # before the rename; a kill exactly there leaves it, empty
                # or complete, never a part.
                left = read(os.path.join(self.scratch, name))
                self.assertIn(left, (b"", self.new_texts[0], self.new_texts[1]))
                named_in_commit += 1
                os.unlink(os.path.join(self.scratch, name))
        print("kills: %s; named temporary files left by a kill during the rename: %d"
              % (seen, named_in_commit))
        self.assertLessEqual(named_in_commit, 2)


class Locales(unittest.TestCase):
    """Numbers are written the same whatever the user's locale."""

    LOCALES = [("de_DE", "UTF-8", "de_DE.UTF-8", ","), ("ja_JP", "EUC-JP", "ja_JP.eucJP", "."),
               ("fr_FR", "UTF-8", "fr_FR.UTF-8", ",")]

    def test_locale_changes_no_byte(self):
        if shutil.which("localedef") is None or not os.path.isdir("/usr/share/i18n/locales"):
            self.skipTest("localedef or the locale sources (package locales) missing")
        with harness.scratch_dir() as scratch:
            locpath = os.path.join(scratch, "locales")
            os.mkdir(locpath)
            original = ('Section "InputDevice"\n\tIdentifier "TAVIR TouchPanel0"\n'
                        '\tDriver "tavir"\n\tOption "CoEfficient4p3" "-2020301"\n'
                        '\tOption "BorderRatio" "12"\n\tOption "Sampling" "250"\n'
                        'EndSection\n').encode()
            reference = os.path.join(scratch, "reference")
            write(reference, original)
            subprocess.run([PROBE, reference], env=probe_env(), check=True)
            want = read(reference)
            self.assertIn(b'"-2020301"', want)
            for source, charmap, name, decimal_point in self.LOCALES:
                with self.subTest(locale=name):
                    subprocess.run(["localedef", "-i", source, "-f", charmap,
                                    os.path.join(locpath, name)], capture_output=True)
                    if not os.path.isdir(os.path.join(locpath, name)):
                        self.skipTest("cannot build locale %s" % name)
                    path = os.path.join(scratch, name)
                    write(path, original)
                    result = subprocess.run(
                        [PROBE, path, "--print-locale"], capture_output=True, text=True,
                        env=probe_env(LC_ALL=name, LANG=name, LOCPATH=locpath), check=True)
                    # The locale really was in force.
                    self.assertEqual(result.stdout.split(), [name, decimal_point])
                    self.assertEqual(read(path), want)


if __name__ == "__main__":
    unittest.main(verbosity=2)
