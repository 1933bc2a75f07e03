"""panelconf's start-up as a real process in the sandbox: which file it
picks, what it prints, its exit status."""
import os
import subprocess
import unittest

import panelharness as h
import xclose

SAMPLE = os.path.join(h.SOURCE_DIR, "scripts", "demo-xorg.conf")

# A stand-in for the X device query that logs its call and prints what the
# test puts in /tmp/devices (inside the sandbox).
FAKE_QUERY = r'''
mkdir -p /tmp/fakebin
cat > /tmp/fakebin/xsetpointer <<'SH'
#!/bin/sh
echo "$@" >> /tmp/query.log
cat /tmp/devices 2>/dev/null
SH
chmod +x /tmp/fakebin/xsetpointer
export PATH=/tmp/fakebin:$PATH
'''

CLEAR_CANDIDATES = r'''
rm -f /etc/X11/xorg.conf /etc/X11/XF86Config-4 /etc/X11/XF86Config /etc/XF86Config
rm -rf /usr/X11R6
'''


class StartUp(h.XServerTestCase):
    def run_panelconf(self, setup, args="", hostname=None, **env):
        script = CLEAR_CANDIDATES + FAKE_QUERY + setup + \
            f'\nexec "{h.program("panelconf")}" {args}\n'
        settings = {"LANG": "C", "HOME": "/tmp/home"}
        settings.update(env)
        environment = h.base_env(self.x.display, **settings)
        args = [h.SANDBOX] + (["--hostname", hostname] if hostname else []) + \
            ["--", "bash", "-euo", "pipefail", "-c", script]
        process = subprocess.Popen(args, env=environment, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True)
        # Whatever the program shows (a start-up message, the main window) is
        # closed as a window manager would, until the program has ended.
        self.closed = xclose.close_until_exit(process, self.x.display)
        stdout, stderr = process.communicate(timeout=30)
        return subprocess.CompletedProcess(args, process.returncode, stdout, stderr)

    def test_console_lines_and_first_candidate_wins(self):
        result = self.run_panelconf(
            f'cp "{SAMPLE}" /etc/X11/xorg.conf; echo junk > /etc/X11/XF86Config')
        self.assertEqual(result.returncode, 0, result.stderr)
        lines = result.stdout.splitlines()
        self.assertEqual(lines[:4], ["  Lang    C", "  Version 4.0.0", "  User    root",
                                     "  Config  /etc/X11/xorg.conf"])
        self.assertEqual(lines[-1], "  Finished.")

    def test_home_candidate_is_home_followed_by_the_name(self):
        result = self.run_panelconf(
            f'mkdir -p /tmp/home/sub; cp "{SAMPLE}" /tmp/home/sub/XF86Config;'
            ' cp /tmp/home/sub/XF86Config /etc/X11/XF86Config-4', HOME="/tmp/home/sub")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("  Config  /tmp/home/sub/XF86Config\n", result.stdout)

    def test_host_name_candidate(self):
        result = self.run_panelconf(
            'mkdir -p /usr/X11R6/lib/X11;'
            f'cp "{SAMPLE}" /usr/X11R6/lib/X11/XF86Config.panel1;'
            f'cp "{SAMPLE}" /usr/X11R6/lib/X11/XF86Config.other', hostname="panel1")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("  Config  /usr/X11R6/lib/X11/XF86Config.panel1\n", result.stdout)

    def test_candidate_order(self):
        # Each round removes the winner of the one before.
        order = ["/etc/X11/XF86Config-4", "/etc/X11/XF86Config", "/etc/XF86Config",
                 "/usr/X11R6/etc/X11/XF86Config.kiosk", "/usr/X11R6/etc/X11/XF86Config-4",
                 "/usr/X11R6/etc/X11/XF86Config", "/usr/X11R6/lib/X11/XF86Config-4",
                 "/usr/X11R6/lib/X11/XF86Config"]
        place = "; ".join(f'mkdir -p "$(dirname {p})"; cp "{SAMPLE}" {p}' for p in order)
        for i, expected in enumerate(order):
            remove = "; ".join(f"rm -f {p}" for p in order[:i]) or "true"
            result = self.run_panelconf(f"{place}; {remove}", hostname="kiosk")
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertIn(f"  Config  {expected}\n", result.stdout)

    def test_no_configuration_file_fails_and_says_what_was_looked_for(self):
        result = self.run_panelconf("true")
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout.splitlines(),
                         ["  Lang    C", "  Version 4.0.0", "  User    root"])
        self.assertIn("/etc/X11/xorg.conf", result.stderr)
        # The paths as looked for, HOME filled in.
        self.assertIn("  /tmp/home/XF86Config\n", result.stderr)
        self.assertNotIn("$HOME", result.stderr)

    def test_unreadable_configuration_fails(self):
        result = self.run_panelconf("mkdir /etc/X11/xorg.conf")
        self.assertEqual(result.returncode, 1)
        # Refused before it is read, with the reader's open failure line.
        self.assertIn('Read Config: Is a directory', result.stderr)
        self.assertNotIn("Finished", result.stdout)

    def test_pipe_or_device_as_configuration_is_refused_without_waiting(self):
        # A pipe would block the program for ever in open; a device is no
        # configuration. Both are refused before anything is read, also
        # behind a symbolic link.
        for setup in ("mkfifo /etc/X11/xorg.conf",
                      "mkfifo /etc/X11/pipe; ln -s /etc/X11/pipe /etc/X11/xorg.conf",
                      "ln -s /dev/null /etc/X11/xorg.conf"):
            with self.subTest(setup=setup):
                result = self.run_panelconf(setup)
                self.assertEqual(result.returncode, 1, result.stderr)
                self.assertIn("Read Config: Not a regular file\n", result.stderr)
                self.assertIn("  Config  /etc/X11/xorg.conf\n", result.stdout)
                self.assertNotIn("Finished", result.stdout)

    def test_help_and_version_need_no_display(self):
        environment = h.base_env(None, LANG="C")
        environment.pop("DISPLAY", None)
        for argument, expected in (("--help", "Usage: panelconf [-c]\n"),
                                   ("--version", "panelconf 4.0.0\n")):
            with self.subTest(argument=argument):
                result = subprocess.run([h.program("panelconf"), argument], env=environment,
                                        capture_output=True, text=True, timeout=10)
                self.assertEqual((result.returncode, result.stderr), (0, ""))
                self.assertTrue(result.stdout.startswith(expected), result.stdout)
        # Anything else stays a normal start: without a display it cannot open.
        result = subprocess.run([h.program("panelconf"), "--help", "x"], env=environment,
                                capture_output=True, text=True, timeout=10)
        self.assertEqual(result.returncode, 1)
        self.assertIn("cannot open display", result.stderr)

    def test_unset_home_is_said_in_the_list_of_paths(self):
        result = self.run_panelconf("true", HOME=None)
        self.assertEqual(result.returncode, 1)
        self.assertIn("  $HOME/XF86Config (not looked for: it names no path here)\n",
                      result.stderr)

    def test_unset_lang_prints_an_empty_value(self):
        result = self.run_panelconf(f'cp "{SAMPLE}" /etc/X11/xorg.conf', LANG=None)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertTrue(result.stdout.startswith("  Lang    \n"), result.stdout)

    def test_query_is_run_and_huge_output_is_harmless(self):
        result = self.run_panelconf(
            f'cp "{SAMPLE}" /etc/X11/xorg.conf;'
            'head -c 200000 /dev/zero | tr "\\0" "x" > /tmp/devices;'
            'echo "TAVIR TouchPanel0 pointer" >> /tmp/devices;'
            f'"{h.program("panelconf")}" > /tmp/out; cat /tmp/query.log')
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("-l", result.stdout)

    def unprivileged_run(self, devices):
        copy, panelconf = h.runnable_by_anyone(h.program("panelconf"))
        return self.run_panelconf(
            f'cp "{SAMPLE}" /etc/X11/xorg.conf; chmod 644 /etc/X11/xorg.conf;'
            f'printf "{devices}" > /tmp/devices; touch /tmp/query.log; chmod 666 /tmp/query.log;'
            f'{copy}; exec setpriv --reuid=65534 --regid=65534 --clear-groups env HOME=/tmp '
            f'{panelconf}; ')

    def test_unprivileged_user_with_the_driver_loaded(self):
        result = self.unprivileged_run("TAVIR TouchPanel0 XTEST pointer\\n")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn("  User    nobody\n", result.stdout)
        self.assertIn("  Config  /etc/X11/xorg.conf\n", result.stdout)
        # The "restart as root" notice first, then the window.
        self.assertEqual(len(self.closed), 2, self.closed)
        self.assertEqual(self.closed[-1], "TouchPanel Utility")

    def test_unprivileged_user_without_the_driver_can_do_nothing(self):
        # One message, then the program ends without its window: a run that
        # could not do its job.
        result = self.unprivileged_run("Virtual core pointer\\n")
        self.assertEqual(result.returncode, 1, result.stderr)
        self.assertEqual(len(self.closed), 1, self.closed)
        self.assertNotEqual(self.closed[0], "TouchPanel Utility")

    def test_root_without_the_driver_is_told_then_gets_the_window(self):
        result = self.run_panelconf(f'cp "{SAMPLE}" /etc/X11/xorg.conf')
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(len(self.closed), 2, self.closed)
        self.assertEqual(self.closed[-1], "TouchPanel Utility")
        self.assertEqual(result.stdout.splitlines()[-1], "  Finished.")


if __name__ == "__main__":
    unittest.main(verbosity=2)
