"""The start-up rules of the real panelconf program: who may run it, with and
without the driver loaded, seen from outside through the X server (xdotool)
inside the sandbox. A not-root case runs as a real unprivileged user."""
import os
import subprocess
import textwrap
import unittest

import panelharness as ph

HERE = os.path.dirname(os.path.abspath(__file__))
SECTION = textwrap.dedent("""\
    Section "InputDevice"
    \tIdentifier "TAVIR TouchPanel0"
    \tDriver "tavir"
    \tOption "Device" "/dev/ttyS1"
    \tOption "ScreenNo" "0"
    EndSection
    Section "ServerLayout"
    \tIdentifier "L"
    \tInputDevice "TAVIR TouchPanel0" "SendCoreEvents"
    EndSection
    """)

# Inside the sandbox: the configuration, a device list standing in for the X
# server's (loaded or not), the driver block, then panelconf in the
# background. Prints "dialog <title>" for a message dialog or "window" when
# the main window is up without one; then closes the dialog with Return and
# reports how the program ended.
SCRIPT = r"""
cat > /etc/X11/xorg.conf <<'CONF'
{config}CONF
mkdir -p /tmp/fakebin-$$ && fake=/tmp/fakebin-$$
printf '#!/bin/sh\nprintf "Virtual core pointer\\n{devices}"\n' > $fake/xsetpointer
chmod 755 $fake $fake/xsetpointer
export PATH=$fake:$PATH
python3 {here}/fakeblock.py 4 2 7 > $fake/block & block=$!
until [ -s $fake/block ]; do sleep 0.05; done
{copy}
{runas} {panelconf} > $fake/out 2>&1 & prog=$!
found=""
for i in $(seq 200); do
  for id in $(xdotool search --onlyvisible --class panelconf 2>/dev/null); do
    name=$(xdotool getwindowname $id)
    case "$name" in
      {dialog_titles})
        echo "dialog $name"; found=1
        sleep 0.2; xdotool windowfocus --sync $id; xdotool key Return ;;
    esac
  done
  if [ -n "$found" ] || ! kill -0 $prog 2>/dev/null; then break; fi
  sleep 0.05
done
# A program that ends may take a while to do so (a sanitizer build checks
# for leaks at exit): give it up to five seconds before calling it running.
for i in $(seq 50); do kill -0 $prog 2>/dev/null || break; sleep 0.1; done
if kill -0 $prog 2>/dev/null; then
  for id in $(xdotool search --onlyvisible --class panelconf); do
    case "$(xdotool getwindowname $id)" in {window_title}) echo window ;; esac
  done
  kill $prog; wait $prog || true; echo "still running"
else
  wait $prog && rc=0 || rc=$?; echo "exit $rc"
fi
kill $block; wait $block || true
cat $fake/out; rm -rf $fake
"""


class StartupRules(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.server = ph.XServer().start()

    @classmethod
    def tearDownClass(cls):
        cls.server.stop()

    def run_panelconf(self, loaded, root, lang="C"):
        runas = "" if root else "setpriv --reuid=65534 --regid=65534 --clear-groups"
        copy, panelconf = ph.runnable_by_anyone(ph.program("panelconf"))
        script = SCRIPT.format(copy=copy,
            config=SECTION, devices="TAVIR TouchPanel0 pointer\\n" if loaded else "",
            here=HERE, runas=runas, panelconf=panelconf,
            dialog_titles="Explanation|説明", window_title="'TouchPanel Utility'|タッチパネルユーティリティ")
        env = ph.base_env(self.server.display, LANG=lang)
        result = ph.run_in_sandbox(script, env, timeout=180)
        self.assertEqual(result.returncode, 0, result.stderr)
        return result.stdout

    def test_user_without_driver_is_told_and_the_program_ends(self):
        out = self.run_panelconf(loaded=False, root=False)
        self.assertIn("dialog Explanation\n", out)
        self.assertIn("exit 1\n", out)
        self.assertIn("  User    nobody\n", out)
        self.assertNotIn("Finished", out)

    def test_japanese_dialog_title_without_the_locale_installed(self):
        out = self.run_panelconf(loaded=False, root=False, lang="ja_JP.eucJP")
        self.assertIn("dialog 説明\n", out)
        self.assertIn("exit 1\n", out)

    def test_user_with_driver_is_told_and_keeps_the_window(self):
        out = self.run_panelconf(loaded=True, root=False)
        self.assertIn("dialog Explanation\n", out)
        self.assertIn("window\n", out)

    def test_root_without_driver_is_told_and_keeps_the_window(self):
        out = self.run_panelconf(loaded=False, root=True)
        self.assertIn("dialog Explanation\n", out)
        self.assertIn("window\n", out)

    def test_root_with_driver_gets_the_window_and_the_driver_version(self):
        out = self.run_panelconf(loaded=True, root=True)
        self.assertNotIn("dialog", out)
        self.assertIn("window\n", out)
        self.assertNotIn("Failed to SharedMemInit", out)


if __name__ == "__main__":
    unittest.main(verbosity=2)
