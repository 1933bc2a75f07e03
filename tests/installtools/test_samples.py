"""Every real configuration file among the samples goes through panelinstall
and paneluninstall with everything outside the driver sections kept.

What install then uninstall gives back differs from the original in exactly
two ways: each ServerLayout section's EndSection line comes back as
"EndSection\\n" (the layout line carries its own), and where the first
section that is not a ServerLayout was not followed by a blank line, a blank
line now follows it (only a blank line after a driver section goes with
it); when that section's EndSection was the file's last line, without a line
end, it gains the line end instead."""
import os
import shutil
import unittest

import panelharness
from installtest import default_section, install, layout_line, leftovers, read, uninstall


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
    without the new section, where the section goes, and whether a blank
    line has to be added there when a driver section is later dropped (the
    line that followed was not blank)."""
    lines = lines_of(original)
    installed = []
    insert_at, add_blank = None, True
    in_layout = False
    for i, line in enumerate(lines):
        key = keyword_text(line)
        if key is not None and in_layout and key.startswith(b"endsection"):
            in_layout = False
            installed.append(layout_line(screen))
            continue
        if key is not None and not in_layout and key.startswith(b"section") and b'"serverlayout"' in key:
            in_layout = True
        installed.append(line)
        if key is not None and not in_layout and insert_at is None and key.startswith(b"endsection"):
            insert_at = len(b"".join(installed))
            following = lines[i + 1] if i + 1 < len(lines) else b""
            add_blank = following == b"" or following.strip(b" \t\r\n") != b""
    installed = b"".join(installed)
    if insert_at is None:
        insert_at = len(installed)
    return installed, insert_at, add_blank


def without_layout_lines(text, screen):
    return text.replace(layout_line(screen), b"EndSection\n")


class SamplesTest(unittest.TestCase):
    def setUp(self):
        self._scratch = panelharness.scratch_dir()
        self.dir = self._scratch.__enter__()
        self.path = os.path.join(self.dir, "xorg.conf")

    def tearDown(self):
        self._scratch.__exit__(None, None, None)

    def test_install_then_uninstall(self):
        self.assertGreater(len(samples()), 20)
        section = default_section(0, 1)
        for name in samples():
            with self.subTest(sample=name):
                shutil.copyfile(os.path.join(panelharness.SAMPLES_DIR, name), self.path)
                original = read(self.path)
                installed, insert_at, add_blank = expectations(original)
                back = without_layout_lines(installed, 0)
                if add_blank:
                    back = back[:insert_at] + b"\n" + back[insert_at:]

                result = install(self.path, 0, 0, 1)
                self.assertEqual((result.returncode, result.stderr), (0, ""))
                text = read(self.path)
                self.assertEqual(text, installed[:insert_at] + section + installed[insert_at:])

                result = uninstall(self.path)
                self.assertEqual((result.returncode, result.stderr), (0, ""))
                self.assertEqual(read(self.path), back)
                self.assertEqual(read(self.path + ".old"), text)
                self.assertEqual(leftovers(self.dir, ["xorg.conf", "xorg.conf.old"]), [])
                os.unlink(self.path + ".old")


if __name__ == "__main__":
    unittest.main(verbosity=2)
