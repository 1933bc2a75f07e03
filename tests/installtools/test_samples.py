"""Every real configuration file among the samples goes through panelinstall
and paneluninstall with everything outside the driver sections kept.

What install then uninstall gives back differs from the original in at most
two ways: each ServerLayout section's EndSection line comes back as
"EndSection" with the file's line end (the layout line carries its own), and
when the panel's section came to follow a last line without a line end, that
line has gained one. A second install with the same arguments changes
nothing. A file without a ServerLayout section is installed all the same,
with a warning; none of the samples is refused."""
import os
import shutil
import unittest

import panelharness
from installtest import (default_section, install, layout_line, leftovers, line_end,
                         no_layout_warning, read, uninstall)

# The samples without a ServerLayout section.
WITHOUT_LAYOUT = {"009-debian-ati-nolayout.conf", "011-openbsd-imac-r128.conf",
                  "013-switch-nvidia.conf", "031-usbfb-nolayout.conf",
                  "033-openbsd-inputclass-tiny.conf", "035-crlf-screen-only.conf",
                  "039-confd-evdev-inputclass.conf"}


def samples():
    return sorted(name for name in os.listdir(panelharness.SAMPLES_DIR) if name.endswith(".conf"))


def lines_of(text):
    return text.splitlines(keepends=True) if text else []


def keyword_text(line):
    """Lower-case text after the indentation, None for a comment."""
    trimmed = line.lstrip(b" \t")
    return None if trimmed.startswith(b"#") else trimmed.lower()


def expectations(original, screen=0):
    """For a file without driver sections installed for screen: the result
    without the new section, where the section goes, what uninstalling gives
    back, and how many layouts name the panel."""
    eol = line_end(original)
    installed, back = [], []
    insert_at = None
    in_layout = False
    layouts = 0
    for line in lines_of(original):
        key = keyword_text(line)
        if key is not None and in_layout and key.startswith(b"endsection"):
            in_layout = False
            installed.append(layout_line(screen, eol))
            back.append(b"EndSection" + eol)
            layouts += 1
            continue
        if key is not None and not in_layout and key.startswith(b"section") and b'"serverlayout"' in key:
            in_layout = True
        installed.append(line)
        back.append(line)
        if key is not None and not in_layout and insert_at is None and key.startswith(b"endsection"):
            if not line.endswith(b"\n"):
                installed.append(eol)
                back.append(eol)
            insert_at = len(b"".join(installed))
    if insert_at is None:
        if installed and not installed[-1].endswith(b"\n"):
            installed.append(eol)
            back.append(eol)
        insert_at = len(b"".join(installed))
    return b"".join(installed), insert_at, b"".join(back), layouts


class SamplesTest(unittest.TestCase):
    def setUp(self):
        self._scratch = panelharness.scratch_dir()
        self.dir = self._scratch.__enter__()
        self.path = os.path.join(self.dir, "xorg.conf")

    def tearDown(self):
        self._scratch.__exit__(None, None, None)

    def test_install_then_uninstall(self):
        self.assertGreater(len(samples()), 20)
        warned = set()
        for name in samples():
            with self.subTest(sample=name):
                shutil.copyfile(os.path.join(panelharness.SAMPLES_DIR, name), self.path)
                original = read(self.path)
                installed, insert_at, back, layouts = expectations(original)
                section = default_section(0, 1, eol=line_end(original))
                warning = "" if layouts else no_layout_warning(self.path)

                result = install(self.path, 0, 0, 1)
                self.assertEqual((result.returncode, result.stderr), (0, warning))
                text = read(self.path)
                self.assertEqual(text, installed[:insert_at] + section + installed[insert_at:])
                if warning:
                    warned.add(name)

                result = uninstall(self.path)
                self.assertEqual((result.returncode, result.stderr), (0, ""))
                self.assertEqual(read(self.path), back)
                self.assertEqual(read(self.path + ".old"), text)
                self.assertEqual(leftovers(self.dir, ["xorg.conf", "xorg.conf.old"]), [])
                os.unlink(self.path + ".old")
        self.assertEqual(warned, WITHOUT_LAYOUT)

    def test_second_install_changes_nothing(self):
        for name in samples():
            for mode, screen, serial in ((0, 0, 1), (1, 2, 0), (2, 1, 8)):
                with self.subTest(sample=name, mode=mode):
                    shutil.copyfile(os.path.join(panelharness.SAMPLES_DIR, name), self.path)
                    install(self.path, mode, screen, serial)
                    first = read(self.path)
                    result = install(self.path, mode, screen, serial)
                    self.assertEqual(result.returncode, 0, result.stderr)
                    self.assertEqual(read(self.path), first)
                    self.assertEqual(leftovers(self.dir, ["xorg.conf"]), [])

if __name__ == "__main__":
    unittest.main(verbosity=2)
