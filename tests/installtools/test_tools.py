"""panelinstall and paneluninstall as processes: command lines, messages,
the files they write."""
import os
import re
import stat
import unittest

import panelharness
from installtest import (USAGE_INSTALL, USAGE_UNINSTALL, data, default_section, env, install,
                         layout_line, leftovers, no_layout_warning, read, uninstall, write)

# The suite's version: the project's, which the build puts into version.h.
with open(os.path.join(panelharness.SOURCE_DIR, "CMakeLists.txt")) as _project:
    VERSION = re.search(r'project\(\w+ VERSION ([0-9.]+)', _project.read()).group(1)


class InstallTest(unittest.TestCase):
    def setUp(self):
        self._scratch = panelharness.scratch_dir()
        self.dir = self._scratch.__enter__()
        self.path = os.path.join(self.dir, "xorg.conf")
        write(self.path, data("XF86Config"))

    def tearDown(self):
        self._scratch.__exit__(None, None, None)

    def assertClean(self, *names):
        self.assertEqual(leftovers(self.dir, names), [])

    def test_serial_install_into_etc_x11(self):
        # The tools' usual call, on the system path, inside the sandbox.
        golden = os.path.join(os.path.dirname(__file__), "data")
        script = f"""
cp {golden}/XF86Config /etc/X11/XF86Config
ls -A /etc/X11 > /etc/before
{panelharness.program('panelinstall')} /etc/X11/XF86Config 0 0 1
ls -A /etc/X11 > /etc/after
cmp /etc/X11/XF86Config {golden}/XF86Config.serial-screen0-ttyS1
cmp /etc/before /etc/after
"""
        result = panelharness.run_in_sandbox(script, env())
        self.assertEqual(result.returncode, 0, result.stderr + result.stdout)
        self.assertEqual(result.stderr, "")

    def test_refused_arguments_change_nothing(self):
        long_dir = os.path.join(self.dir, "d" * 120)
        os.mkdir(long_dir)
        os.mkfifo(os.path.join(self.dir, "fifo"))
        missing = os.path.join(self.dir, "missing.conf")
        cases = [
            ((self.path, 0, 0), USAGE_INSTALL),
            ((self.path, 0, 0, 1, 1), USAGE_INSTALL),
            ((self.path, 0, 0, 9), "\nError : [WriteConfig]\n arg(serial_number) is bad format.\n"),
            ((self.path, 0, 0, -1), "\nError : [WriteConfig]\n arg(serial_number) is bad format.\n"),
            ((self.path, 3, 0, 1), USAGE_INSTALL),
            ((self.path, -1, 0, 1), USAGE_INSTALL),
            ((self.path, "99999999999", 0, 1), USAGE_INSTALL),
            # A negative screen would name the device "TAVIR TouchPanel-1".
            ((self.path, 0, -1, 1), USAGE_INSTALL),
            ((self.path, 1, "-99999999999", 0), USAGE_INSTALL),
            ((missing, 0, 0, 1), f"\nError : [WriteConf4]\n Can't open X's config file\"{missing}\".\n"),
            ((long_dir, 0, 0, 1), f"\nError : [WriteConf4]\n Can't open X's config file\"{long_dir}\".\n"),
            ((self.dir + "/fifo", 0, 0, 1),
             f"\nError : [WriteConf4]\n Can't open X's config file\"{self.dir}/fifo\".\n"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = install(*args, timeout=10)
                self.assertEqual((result.returncode, result.stdout, result.stderr), (1, "", message))
                self.assertEqual(read(self.path), data("XF86Config"))
        self.assertClean("xorg.conf", "fifo", "d" * 120)

    def test_help_and_version_alone_on_the_command_line(self):
        result = install("--help")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertTrue(result.stdout.startswith(
            "usage: panelinstall X's_path mode screen_num serial_num\n"), result.stdout)
        result = install("--version")
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, f"panelinstall {VERSION}\n", ""))
        # Anywhere else they are arguments like any other.
        for args in (("--help", 0, 0, 1), (self.path, "--version"), ("-h",), ("--help", "--help")):
            with self.subTest(args=args):
                result = install(*args)
                self.assertEqual((result.returncode, result.stdout), (1, ""))
        self.assertEqual(install("--help", 0, 0, 1).stderr,
                         "\nError : [WriteConf4]\n Can't open X's config file\"--help\".\n")
        self.assertEqual(read(self.path), data("XF86Config"))
        self.assertClean("xorg.conf")

    def test_atoi_reading_of_numbers(self):
        # Leading sign and digits count; anything else reads as 0.
        result = install(self.path, "1x", "+2", "abc")
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertIn(default_section(2, usb=True), read(self.path))

    def test_twice_leaves_one_section_and_one_layout_line(self):
        install(self.path, 0, 0, 1)
        first = read(self.path)
        result = install(self.path, 0, 0, 1)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(read(self.path), first)
        self.assertEqual(first, data("XF86Config.serial-screen0-ttyS1"))

    def test_long_path(self):
        deep = os.path.join(self.dir, *(["a" * 60] * 20))
        os.makedirs(deep)
        path = os.path.join(deep, "xorg.conf")
        write(path, data("XF86Config"))
        self.assertEqual(install(path, 0, 0, 1).returncode, 0)
        self.assertEqual(read(path), data("XF86Config.serial-screen0-ttyS1"))

    def test_symlink_is_followed_and_kept_with_owner_and_mode(self):
        real_dir = os.path.join(self.dir, "real")
        os.mkdir(real_dir)
        real = os.path.join(real_dir, "xorg.conf")
        os.rename(self.path, real)
        os.chmod(real, 0o640)
        os.chown(real, 65534, 65534)
        os.symlink("real/xorg.conf", self.path)

        self.assertEqual(install(self.path, 0, 0, 1).returncode, 0)
        self.assertEqual(os.readlink(self.path), "real/xorg.conf")
        self.assertEqual(read(real), data("XF86Config.serial-screen0-ttyS1"))
        info = os.stat(real)
        self.assertEqual((stat.S_IMODE(info.st_mode), info.st_uid, info.st_gid), (0o640, 65534, 65534))

        self.assertEqual(uninstall(self.path).returncode, 0)
        self.assertEqual(os.readlink(self.path), "real/xorg.conf")
        self.assertEqual(read(real), data("XF86Config"))
        self.assertEqual(read(self.path + ".old"), data("XF86Config.serial-screen0-ttyS1"))
        info = os.stat(real)
        self.assertEqual((stat.S_IMODE(info.st_mode), info.st_uid, info.st_gid), (0o640, 65534, 65534))
        self.assertClean("xorg.conf", "xorg.conf.old", "real")
        self.assertEqual(os.listdir(real_dir), ["xorg.conf"])


    def test_crlf_file_gets_crlf_lines(self):
        crlf = data("XF86Config").replace(b"\n", b"\r\n")
        write(self.path, crlf)
        result = install(self.path, 0, 0, 1)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        installed = data("XF86Config.serial-screen0-ttyS1").replace(b"\n", b"\r\n")
        self.assertEqual(read(self.path), installed)
        self.assertEqual(install(self.path, 0, 0, 1).returncode, 0)
        self.assertEqual(read(self.path), installed)
        self.assertEqual(uninstall(self.path).returncode, 0)
        self.assertEqual(read(self.path), crlf)

    def test_second_run_adds_nothing_to_files_without_sections(self):
        # Each of these used to gain one blank line on every run.
        cases = {
            "empty": b"",
            "comments only": b"# xorg.conf\n# nothing yet\n",
            "layout only": b'Section "ServerLayout"\n    Identifier "L"\nEndSection\n',
            "a lone CR": b"\r",
            "the only other section last": (b'Section "ServerLayout"\nEndSection\n\n'
                                            b'Section "Files"\nEndSection\n'),
            "CRLF, no final line end": b'Section "Files"\r\nEndSection',
        }
        for name, text in cases.items():
            for mode in (0, 1, 2):
                with self.subTest(name, mode=mode):
                    write(self.path, text)
                    install(self.path, mode, 0, 1)
                    first = read(self.path)
                    self.assertIn(default_section(0, 1, usb=mode == 1,
                                                  eol=b"\r\n" if b"\r\n" in text else b"\n"),
                                  first)
                    for _ in range(2):
                        self.assertEqual(install(self.path, mode, 0, 1).returncode, 0)
                        self.assertEqual(read(self.path), first)
                    self.assertEqual(uninstall(self.path).returncode, 0)
                    # Only a missing final line end may have been added.
                    self.assertIn(read(self.path), (text, text + b"\n", text + b"\r\n"))
                    os.unlink(self.path + ".old")

    def test_unclosed_section_is_refused(self):
        # The mouse's section is not closed before the panel's: taken for
        # one driver section, both would be dropped.
        text = (b'Section "Files"\nEndSection\n\n'
                b'Section "InputDevice"\n    Identifier "Mouse0"\n    Driver "mouse"\n\n'
                + default_section(0, 1)[1:]
                + b'\nSection "ServerLayout"\n    InputDevice "Mouse0"\n'
                b'    InputDevice    "TAVIR TouchPanel0"\nEndSection\n')
        cases = [
            (text, 4, "before the Section at line 8"),
            # Any section, comments aside; ending inside one other than the
            # panel's is refused too.
            (b'Section "Monitor"\n# EndSection\r\nsection "Device"\nEndSection\n', 1,
             "before the Section at line 3"),
            (data("XF86Config") + b'Section "Screen"\n  Identifier "S"\n', 28,
             "before the end of the file"),
        ]
        for content, opened, where in cases:
            with self.subTest(where=where):
                write(self.path, content)
                message = (f"Can't edit \"{self.path}\": the section begun at line {opened} has "
                           f"no EndSection {where}.\n")
                result = install(self.path, 0, 0, 1)
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (1, "", "\nError : [WriteConf4]\n " + message))
                result = uninstall(self.path)
                self.assertEqual((result.returncode, result.stdout, result.stderr),
                                 (1, "", "\nError : [uninstall]\n " + message))
                self.assertEqual(read(self.path), content)
                self.assertClean("xorg.conf")
        # The panel's own section may end the file unclosed: it is dropped.
        write(self.path, data("XF86Config") + default_section(0, 1)[:-len(b"EndSection\n")])
        self.assertEqual(install(self.path, 0, 0, 1).returncode, 0)
        self.assertEqual(read(self.path), data("XF86Config.serial-screen0-ttyS1"))

    def test_warnings_for_a_panel_that_cannot_work_or_was_replaced(self):
        result = install(self.path, 0, 0, 1)
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        # A second panelinstall for another screen replaces screen 0's panel.
        result = install(self.path, 1, 1, 0)
        self.assertEqual((result.returncode, result.stdout), (0, ""))
        self.assertEqual(result.stderr,
                         "\nWarning : [WriteConf4]\n Removed the touch panel \"TAVIR TouchPanel0\" "
                         "with its settings and calibration; panelinstall sets up "
                         "\"TAVIR TouchPanel1\" only. Panels of further screens are added in "
                         "panelconf.\n")
        self.assertNotIn(b"TouchPanel0", read(self.path))
        write(self.path, UninstallTest.TWO_SCREENS)
        result = install(self.path, 0, 2, 1)
        self.assertEqual(result.returncode, 0)
        self.assertIn(' the touch panels "TAVIR TouchPanel0", "TAVIR TouchPanel1" with their ',
                      result.stderr)
        # The same screen again: nothing to say.
        result = install(self.path, 0, 2, 1)
        self.assertEqual((result.returncode, result.stderr), (0, ""))

        # No layout: the file is written all the same.
        write(self.path, b'Section "Files"\nEndSection\n')
        result = install(self.path, 0, 3, 1)
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, "", no_layout_warning(self.path, 3)))
        self.assertEqual(read(self.path), b'Section "Files"\nEndSection\n' + default_section(3, 1))
        self.assertClean("xorg.conf")


class UninstallTest(unittest.TestCase):
    TWO_SCREENS = (b'Section "Files"\nEndSection\n\n'
                   + default_section(0, 1)[1:] + b"\n"
                   + default_section(1, usb=True)[1:] + b"\n"
                   + b'Section "ServerLayout"\n'
                   b'    InputDevice    "TAVIR TouchPanel0"\n'
                   b'    InputDevice    "TAVIR TouchPanel1"\n'
                   b'EndSection\n')

    def setUp(self):
        self._scratch = panelharness.scratch_dir()
        self.dir = self._scratch.__enter__()
        self.path = os.path.join(self.dir, "xorg.conf")

    def tearDown(self):
        self._scratch.__exit__(None, None, None)

    def test_undoes_install_and_keeps_backup(self):
        write(self.path, data("XF86Config.serial-screen0-ttyS1"))
        result = uninstall(self.path)
        self.assertEqual((result.returncode, result.stdout, result.stderr), (0, "", ""))
        self.assertEqual(read(self.path), data("XF86Config"))
        self.assertEqual(read(self.path + ".old"), data("XF86Config.serial-screen0-ttyS1"))
        self.assertEqual(leftovers(self.dir, ["xorg.conf", "xorg.conf.old"]), [])

    def test_two_screens_lose_both_sections_and_both_layout_lines(self):
        # A layout line left for a dropped section would name an undefined
        # device, and the X server would refuse the whole file.
        write(self.path, self.TWO_SCREENS)
        self.assertEqual(uninstall(self.path).returncode, 0)
        self.assertEqual(read(self.path),
                         b'Section "Files"\nEndSection\n\n'
                         b'Section "ServerLayout"\n'
                         b'EndSection\n')

    def test_no_driver_sections_unchanged_and_backup_replaced(self):
        write(self.path, data("XF86Config"))
        write(self.path + ".old", b"an earlier backup\n")
        self.assertEqual(uninstall(self.path).returncode, 0)
        self.assertEqual(read(self.path), data("XF86Config"))
        self.assertEqual(read(self.path + ".old"), data("XF86Config"))
        # A second run replaces the first run's backup.
        write(self.path, data("XF86Config.serial-screen0-ttyS1"))
        self.assertEqual(uninstall(self.path).returncode, 0)
        self.assertEqual(read(self.path + ".old"), data("XF86Config.serial-screen0-ttyS1"))

    def test_help_and_version_alone_on_the_command_line(self):
        result = uninstall("--help")
        self.assertEqual((result.returncode, result.stderr), (0, ""))
        self.assertTrue(result.stdout.startswith("usage: paneluninstall xpath\n"), result.stdout)
        result = uninstall("--version")
        self.assertEqual((result.returncode, result.stdout, result.stderr),
                         (0, f"paneluninstall {VERSION}\n", ""))
        self.assertEqual(uninstall("--help", "--version").stderr, USAGE_UNINSTALL)
        # No file named "--help" or ".old" appears in the working directory.
        self.assertEqual(leftovers(self.dir, []), [])
        result = uninstall("-h", cwd=self.dir)
        self.assertEqual((result.returncode, result.stderr),
                         (1, "\nError : [uninstall]\n Can't open X's config fil\"-h\"\n"))

    def test_refusals(self):
        write(self.path, self.TWO_SCREENS)
        missing = os.path.join(self.dir, "none")
        cases = [
            ((), USAGE_UNINSTALL),
            ((self.path, "x"), USAGE_UNINSTALL),
            ((missing,), f"\nError : [uninstall]\n Can't open X's config fil\"{missing}\"\n"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                result = uninstall(*args)
                self.assertEqual((result.returncode, result.stdout, result.stderr), (1, "", message))
        self.assertEqual(read(self.path), self.TWO_SCREENS)
        self.assertEqual(leftovers(self.dir, ["xorg.conf"]), [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
