"""The README's recipe for a machine whose X server runs without a
configuration file: docs/examples/xorg.conf.minimal is what the README
shows, X.Org's parser accepts it, and panelinstall turns it into a file X.Org
accepts with the panel as an input device of the layout."""
import os
import re
import shutil
import subprocess
import unittest

import panelharness
import xorgjudge
from installtest import env, read

EXAMPLE = os.path.join(panelharness.SOURCE_DIR, "docs", "examples", "xorg.conf.minimal")
README = os.path.join(panelharness.SOURCE_DIR, "README.md")
BEGIN = "<!-- begin docs/examples/xorg.conf.minimal -->"
END = "<!-- end docs/examples/xorg.conf.minimal -->"

# The README's command (mode 0, screen 0, /dev/ttyS1) and the other modes.
MODES = [("0", "/dev/ttyS1"), ("1", "/dev/input/event*"), ("2", "/dev/ttyS1")]


def readme_copy():
    """The file as the README shows it: the fenced block between the two
    markers, fence lines left out."""
    with open(README, encoding="utf-8") as f:
        text = f.read()
    start = text.index(BEGIN) + len(BEGIN)
    block = text[start:text.index(END, start)].strip("\n").split("\n")
    assert block[0].startswith("```") and block[-1] == "```", block
    return ("\n".join(block[1:-1]) + "\n").encode()


def layout_lines(text):
    """The InputDevice lines of every ServerLayout section."""
    lines, inside = [], False
    for line in text.splitlines():
        words = line.split()
        if words[:2] == ["Section", '"ServerLayout"']:
            inside = True
        elif words[:1] == ["EndSection"]:
            inside = False
        elif inside and words[:1] == ["InputDevice"]:
            lines.append(line)
    return lines


class MinimalConfigTest(unittest.TestCase):
    def setUp(self):
        self._scratch = panelharness.scratch_dir()
        self.dir = self._scratch.__enter__()
        self.path = os.path.join(self.dir, "xorg.conf")
        shutil.copyfile(EXAMPLE, self.path)

    def tearDown(self):
        self._scratch.__exit__(None, None, None)

    def run_tool(self, *args):
        result = subprocess.run([str(a) for a in args], capture_output=True, text=True,
                                env=env(), timeout=30)
        self.assertEqual((result.returncode, result.stderr), (0, ""), args)

    def test_readme_shows_the_file_byte_for_byte(self):
        self.assertEqual(readme_copy(), read(EXAMPLE))

    def test_panelinstall_extends_it_and_paneluninstall_takes_it_back(self):
        original = read(EXAMPLE).decode()
        for mode, device in MODES:
            with self.subTest(mode=mode):
                shutil.copyfile(EXAMPLE, self.path)
                self.run_tool(panelharness.program("panelinstall"), self.path, mode, 0, 1)
                text = read(self.path).decode()
                self.assertEqual([l.split() for l in layout_lines(text)],
                                 [["InputDevice", '"TAVIR', 'TouchPanel0"']])
                # The panel's section follows the Screen section, the first
                # section that is not the layout.
                screen = text.index('Section "Screen"')
                panel = text.index('Section "InputDevice"')
                self.assertLess(screen, panel)
                self.assertIn(f'"Device"            "{device}"', text)

                self.run_tool(panelharness.program("paneluninstall"), self.path)
                after = read(self.path).decode()
                self.assertEqual(layout_lines(after), [])
                self.assertNotIn("tavir", after)
                # Only the blank line after the Screen section stays.
                self.assertEqual(re.sub(r"\n+", "\n", after), re.sub(r"\n+", "\n", original))

    @unittest.skipUnless(xorgjudge.available(), "needs root and xserver-xorg-core")
    def test_xorg_accepts_it_before_and_after(self):
        before = xorgjudge.judge(self.path)
        self.assertTrue(before.accepted, before.log)
        self.assertEqual(before.input_devices, [])
        for mode, _ in MODES:
            with self.subTest(mode=mode):
                shutil.copyfile(EXAMPLE, self.path)
                self.run_tool(panelharness.program("panelinstall"), self.path, mode, 0, 1)
                after = xorgjudge.judge(self.path)
                errors = [l for l in after.log.splitlines() if "Parse error" in l or "(EE)" in l]
                self.assertTrue(after.accepted, errors)
                self.assertEqual(after.input_devices, ["TAVIR TouchPanel0"])
                self.run_tool(panelharness.program("paneluninstall"), self.path)
                removed = xorgjudge.judge(self.path)
                self.assertTrue(removed.accepted)
                self.assertEqual(removed.input_devices, [])


if __name__ == "__main__":
    unittest.main(verbosity=2)
