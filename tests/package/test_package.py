"""The Debian package as an administrator gets it: its control data and
files, the manual pages, menu entry and polkit action validated with the
system's own tools and lintian, then the package installed with dpkg into a
throw-away sandbox before and after x11-xserver-utils (which owns
/usr/bin/xsetpointer), each installed program run, and the package removed
again with x11-xserver-utils left whole.

Environment: PANEL_DEB (the package), PANEL_BUILD_DIR (a build tree with the
driver stand-in), PANEL_SOURCE_DIR.
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import xml.etree.ElementTree as ET

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "harness"))
import panelharness as h  # noqa: E402
import xclose  # noqa: E402

DEB = os.environ.get("PANEL_DEB", "")
PACKAGE = "tavir-panel-utility"
DOC = f"/usr/share/doc/{PACKAGE}"
# The device lister lies at a private path: Debian's x11-xserver-utils owns
# /usr/bin/xsetpointer and its manual page.
OWN_LISTER = f"/usr/libexec/{PACKAGE}/xsetpointer"
PROGRAMS = {"/usr/bin/panelconf", OWN_LISTER, "/usr/sbin/panelinstall", "/usr/sbin/paneluninstall"}
MAN_PAGES = ["/usr/share/man/man1/panelconf.1.gz",
             "/usr/share/man/man8/panelinstall.8.gz", "/usr/share/man/man8/paneluninstall.8.gz"]
DESKTOP = "/usr/share/applications/org.tavir.panelconf.desktop"
POLICY = "/usr/share/polkit-1/actions/org.tavir.panelconf.policy"
ICON = "/usr/share/icons/hicolor/scalable/apps/org.tavir.panelconf.svg"
LINTIAN_OVERRIDES = f"/usr/share/lintian/overrides/{PACKAGE}"
DATA_FILES = set(MAN_PAGES) | {DESKTOP, POLICY, ICON, LINTIAN_OVERRIDES, f"{DOC}/README.md",
                               f"{DOC}/changelog.gz", f"{DOC}/copyright"}
SCREENSHOTS = f"{DOC}/docs/screenshots/"
CANDIDATES = ["/etc/X11/xorg.conf", "$HOME/XF86Config", "/etc/X11/XF86Config-4",
              "/etc/X11/XF86Config", "/etc/XF86Config",
              "/usr/X11R6/etc/X11/XF86Config.$HOSTNAME", "/usr/X11R6/etc/X11/XF86Config-4",
              "/usr/X11R6/etc/X11/XF86Config", "/usr/X11R6/lib/X11/XF86Config.$HOSTNAME",
              "/usr/X11R6/lib/X11/XF86Config-4", "/usr/X11R6/lib/X11/XF86Config"]


def run(*args, **kw):
    return subprocess.run(list(args), capture_output=True, text=True, **kw)


def parse_depends(text):
    """'a (>= 1), b | c' -> {'a': '(>= 1)', 'b': '', 'c': ''}"""
    found = {}
    for alternative in re.split(r"[,|]", text):
        m = re.match(r"\s*([a-z0-9.+-]+)(?::\w+)?\s*(\(.*\))?\s*$", alternative)
        if m:
            found[m.group(1)] = m.group(2) or ""
    return found


@unittest.skipUnless(DEB and os.path.isfile(DEB), "PANEL_DEB names no package")
class PackageContents(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = tempfile.mkdtemp(prefix="panel-deb-")
        subprocess.run(["dpkg-deb", "-x", DEB, cls.root], check=True)
        cls.fields = {}
        for name in ("Package", "Version", "Architecture", "Section", "Maintainer",
                     "Depends", "Recommends", "Description", "Installed-Size"):
            cls.fields[name] = run("dpkg-deb", "-f", DEB, name).stdout.strip()
        cls.entries = []  # (mode string, owner/group, path)
        for line in run("dpkg-deb", "-c", DEB).stdout.splitlines():
            parts = line.split(None, 5)
            path = parts[5].split(" -> ")[0]
            cls.entries.append((parts[0], parts[1], path[1:].rstrip("/") or "/"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.root, ignore_errors=True)

    def local(self, path):
        return os.path.join(self.root, path.lstrip("/"))

    def test_control_data(self):
        f = self.fields
        self.assertEqual(f["Package"], PACKAGE)
        self.assertEqual(f["Version"], "4.0.0")
        self.assertEqual(f["Architecture"], run("dpkg", "--print-architecture").stdout.strip())
        self.assertEqual(f["Section"], "admin")
        self.assertRegex(f["Maintainer"], r".+ <[^@ ]+@[^> ]+>")
        self.assertTrue(f["Description"].splitlines()[0].strip())
        self.assertGreater(int(f["Installed-Size"]), 0)
        self.assertEqual(f["Recommends"], "")
        # The shipped changelog is in Debian's format and its newest entry is
        # this version (a release whose changelog was forgotten fails here).
        changelog = run("dpkg-parsechangelog", "-l",
                        self.local(f"{DOC}/changelog.gz"), "-S", "Version")
        self.assertEqual((changelog.returncode, changelog.stdout.strip()), (0, f["Version"]),
                         changelog.stderr)

        depends = parse_depends(f["Depends"])
        # The libraries the programs are linked with, each with the lowest
        # version its symbols need: what dpkg-shlibdeps computes, never a
        # hand-written list.
        for library in ("libc6", "libglib2.0-0", "libgtk-3-0", "libx11-6", "libxi6",
                        "libstdc++6", "libgcc-s1"):
            self.assertIn(library, depends)
        # The menu entry runs pkexec, which a machine may lack.
        self.assertEqual(depends["pkexec"], "")
        self.assertRegex(depends["libc6"], r"^\(>= [0-9.]+\)$")
        self.assertRegex(depends["libgtk-3-0"], r"^\(>= [0-9.]+\)$")
        for name in depends:
            self.assertFalse(name.endswith("-dev"), name)

    def test_files_owners_and_modes(self):
        files = {p for mode, _, p in self.entries if mode.startswith("-")}
        shots = {p for p in files if p.startswith(SCREENSHOTS)}
        self.assertEqual(files - shots, PROGRAMS | DATA_FILES)
        self.assertTrue(shots)
        self.assertTrue(all(p.endswith(".png") for p in shots))
        for mode, owner, path in self.entries:
            self.assertEqual(owner, "root/root", path)
            self.assertTrue(path == "/" or path.startswith("/usr"), path)
            if mode.startswith("d"):
                self.assertEqual(mode, "drwxr-xr-x", path)
            elif path in PROGRAMS:
                self.assertEqual(mode, "-rwxr-xr-x", path)
            else:
                self.assertEqual(mode, "-rw-r--r--", path)
        for program in PROGRAMS:
            kind = run("file", "-b", self.local(program)).stdout
            self.assertIn("ELF", kind, program)
            self.assertNotIn("not stripped", kind, program)
            # Built with the distribution's hardening: relocations read-only
            # and bound at start, fortified library calls.
            headers = run("readelf", "-W", "-l", "-d", self.local(program)).stdout
            self.assertIn("GNU_RELRO", headers, program)
            self.assertRegex(headers, r"\(FLAGS\)\s+BIND_NOW|\(FLAGS_1\)\s+Flags:.*\bNOW\b", program)
            symbols = run("readelf", "-W", "--dyn-syms", self.local(program)).stdout
            self.assertRegex(symbols, r"__\w+_chk\b", program)

    def test_no_file_belongs_to_another_package(self):
        # dpkg refuses to install a package over another one's file. Every
        # package installed here counts, x11-xserver-utils among them.
        self.assertIn("install ok installed",
                      run("dpkg-query", "-W", "-f=${Status}", "x11-xserver-utils").stdout)
        files = sorted(p for mode, _, p in self.entries if not mode.startswith("d"))
        owners = run("dpkg-query", "-S", *files).stdout.splitlines()
        taken = [line for line in owners
                 if not line.startswith("diversion ")
                 and PACKAGE not in line.split(": ", 1)[0].split(", ")]
        self.assertEqual(taken, [])

    def test_lintian_finds_no_error_or_warning(self):
        if not shutil.which("lintian"):
            self.skipTest("lintian is not installed")
        result = run("lintian", "--fail-on", "error,warning", DEB)
        self.assertEqual(result.returncode, 0, result.stdout + result.stderr)
        self.assertNotRegex(result.stdout, r"(?m)^[EW]: ")

    def test_manual_pages_render_without_warnings(self):
        env = dict(os.environ, LC_ALL="C.UTF-8", MANROFFSEQ="", MANWIDTH="80")
        rendered = {}
        for page in MAN_PAGES:
            result = run("man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", "-Z",
                         self.local(page), env=env)
            self.assertEqual(result.returncode, 0, result.stderr)
            self.assertEqual(result.stderr, "", page)
            text = run("man", "-l", self.local(page), env=env).stdout
            text = re.sub(".\b", "", text)
            for heading in ("NAME", "SYNOPSIS", "DESCRIPTION", "EXIT STATUS", "FILES",
                            "EXAMPLES", "SEE ALSO"):
                self.assertRegex(text, rf"(?m)^{heading}\b", f"{page}: {heading}")
            rendered[os.path.basename(page)] = text
        # The administrator reads here which file panelconf takes: the
        # candidates must stand in the order the program tries them.
        text = rendered["panelconf.1.gz"]
        lines = [line.strip() for line in text.splitlines()]
        self.assertTrue(any(lines[i:i + len(CANDIDATES)] == CANDIDATES
                            for i in range(len(lines))), "candidate list")
        self.assertIn("ja_JP.eucJP", text)
        self.assertIn("1234", text)

    def test_desktop_entry_and_icon(self):
        desktop = self.local(DESKTOP)
        result = run("desktop-file-validate", desktop)
        # Hints fail too: two main categories, for one, list the entry twice
        # in some menus.
        complaints = (result.stdout + result.stderr).splitlines()
        self.assertEqual((result.returncode, complaints), (0, []))
        entry = {}
        with open(desktop, encoding="utf-8") as lines:
            for line in lines:
                if "=" in line:
                    key, value = line.rstrip("\n").split("=", 1)
                    entry[key] = value
        self.assertEqual(entry["Exec"], "pkexec /usr/bin/panelconf")
        self.assertEqual(entry["Terminal"], "false")
        # One main category; HardwareSettings belongs below Settings.
        self.assertEqual(entry["Categories"], "Settings;HardwareSettings;")
        self.assertTrue(entry["Name[ja]"])
        self.assertTrue(os.path.isfile(self.local(
            f"/usr/share/icons/hicolor/scalable/apps/{entry['Icon']}.svg")))
        picture = os.path.join(self.root, "icon.png")
        result = run("rsvg-convert", "-w", "48", "-h", "48", "-o", picture, self.local(ICON))
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertGreater(os.path.getsize(picture), 0)

    def test_polkit_action_lets_only_administrators_run_the_window(self):
        tree = ET.parse(self.local(POLICY))
        actions = tree.getroot().findall("action")
        self.assertEqual([a.get("id") for a in actions], ["org.tavir.panelconf.run"])
        action = actions[0]
        defaults = {d.tag: d.text for d in action.find("defaults")}
        self.assertEqual(defaults, {"allow_any": "auth_admin", "allow_inactive": "auth_admin",
                                    "allow_active": "auth_admin"})
        notes = {a.get("key"): a.text for a in action.findall("annotate")}
        self.assertEqual(notes["org.freedesktop.policykit.exec.path"], "/usr/bin/panelconf")
        self.assertEqual(notes["org.freedesktop.policykit.exec.allow_gui"], "true")

    def test_readme_pictures_are_shipped(self):
        with open(self.local(f"{DOC}/README.md"), encoding="utf-8") as file:
            readme = file.read()
        pictures = re.findall(r"!\[[^\]]*\]\(([^)\s]+)\)", readme)
        self.assertTrue(pictures)
        for picture in pictures:
            self.assertTrue(os.path.isfile(self.local(os.path.join(DOC, picture))), picture)


INSTALLED_RUN = r'''
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
own=/usr/libexec/tavir-panel-utility/xsetpointer

# x11-xserver-utils installed, every file as it shipped it, its lister there.
intact() {
  if dpkg-query -W -f='${Status}' x11-xserver-utils 2>/dev/null | grep -q 'install ok installed' &&
     [ -z "$(dpkg --verify x11-xserver-utils)" ] && [ -x /usr/bin/xsetpointer ] &&
     [ -f /usr/share/man/man1/xsetpointer.1.gz ]; then echo yes; else echo no; fi
}
# The installed window once; closing it writes nothing.
window() {
  local status=0 out
  out=$(/usr/bin/panelconf) || status=$?
  printf '%s\n' "$out"
  echo "window $1: $status"
}

install -m 0644 "$DEMO_CONF" /etc/X11/xorg.conf
"$DRIVERSIM" --screen 0 > "$work/driversim.log" 2>&1 &
sim=$!
for _ in $(seq 200); do grep -q '^ready' "$work/driversim.log" && break; sleep 0.05; done

# Ours first, on a system without x11-xserver-utils; then that package.
echo "x11-xserver-utils at start: $(intact)"
(cd "$work" && dpkg-repack x11-xserver-utils >/dev/null)
dpkg -r --force-depends x11-xserver-utils >/dev/null
echo "alone on PATH: $(command -v xsetpointer || echo none)"
dpkg -i "$DEB" >/dev/null
echo "status: $(dpkg-query -W -f='${Status}' tavir-panel-utility)"
echo "devices: $("$own" -l | tr '\n' '|')"
window alone
dpkg -i "$work"/x11-xserver-utils_*.deb >/dev/null
echo "x11-xserver-utils after ours: $(intact)"
echo "beside on PATH: $(command -v xsetpointer || echo none)"
echo "debian devices: $(xsetpointer -l | grep TAVIR | tr '\n' '|')"
window beside
dpkg -r tavir-panel-utility >/dev/null
echo "x11-xserver-utils after removal: $(intact)"

# x11-xserver-utils first, as on every Debian desktop; then ours.
dpkg -i "$DEB" >/dev/null
echo "status: $(dpkg-query -W -f='${Status}' tavir-panel-utility)"
cp "$SAMPLE" "$work/xorg.conf"
/usr/sbin/panelinstall "$work/xorg.conf" 0 0 1
echo "installed: $(grep -c '"TAVIR TouchPanel0"' "$work/xorg.conf")"
/usr/sbin/paneluninstall "$work/xorg.conf"
echo "uninstalled: $(grep -c 'TAVIR' "$work/xorg.conf" || true) $(cmp -s "$SAMPLE" "$work/xorg.conf" && echo same)"
test -f "$work/xorg.conf.old" && echo "backup: yes"
kill $sim; wait $sim || true
cmp -s "$DEMO_CONF" /etc/X11/xorg.conf && echo "config: unchanged"

dpkg -r tavir-panel-utility >/dev/null
left=""
for f in /usr/bin/panelconf "$own" /usr/libexec/tavir-panel-utility /usr/sbin/panelinstall \
         /usr/sbin/paneluninstall /usr/share/applications/org.tavir.panelconf.desktop \
         /usr/share/polkit-1/actions/org.tavir.panelconf.policy; do
  [ -e "$f" ] && left="$left $f"
done
echo "left after removal:$left"
echo "x11-xserver-utils at end: $(intact)"
'''


@unittest.skipUnless(DEB and os.path.isfile(DEB), "PANEL_DEB names no package")
class InstalledPackage(unittest.TestCase):
    def test_install_before_and_after_x11_xserver_utils_run_and_remove(self):
        sample = os.path.join(h.SAMPLES_DIR, "001-xf86-4-debian-dexconf.conf")
        with h.XServer() as x:
            env = h.base_env(x.display, LANG="C", DEB=os.path.abspath(DEB), SAMPLE=sample,
                             DEMO_CONF=os.path.join(h.SOURCE_DIR, "scripts", "demo-xorg.conf"),
                             DRIVERSIM=h.program("driversim"), DEBIAN_FRONTEND="noninteractive")
            args = [h.SANDBOX, "--private", "/var", "--", "bash", "-euo", "pipefail", "-c",
                    INSTALLED_RUN]
            process = subprocess.Popen(args, env=env, stdout=subprocess.PIPE,
                                       stderr=subprocess.PIPE, text=True)
            closed = xclose.close_until_exit(process, x.display, timeout=300)
            stdout, stderr = process.communicate(timeout=60)
        report = f"\n--- stdout\n{stdout}\n--- stderr\n{stderr}"
        self.assertEqual(process.returncode, 0, report)
        lines = stdout.splitlines()
        self.assertIn("x11-xserver-utils at start: yes", lines, report)
        # Without x11-xserver-utils our package installs, and the window finds
        # the panel through the package's own lister.
        self.assertIn("alone on PATH: none", lines, report)
        self.assertEqual(lines.count("status: install ok installed"), 2, report)
        devices = next(line for line in lines if line.startswith("devices: "))
        self.assertIn("TAVIR TouchPanel0", devices)
        # x11-xserver-utils installs after ours, and its xsetpointer, which
        # the window then runs, names the panel in its own format.
        self.assertIn("x11-xserver-utils after ours: yes", lines, report)
        self.assertIn("beside on PATH: /usr/bin/xsetpointer", lines, report)
        self.assertRegex(stdout, r'(?m)^debian devices: .*"TAVIR TouchPanel0 ', report)
        # Both windows ran without the "driver not loaded" message before the
        # main window and ended normally; closing them writes nothing.
        self.assertEqual(closed, ["TouchPanel Utility"] * 2, report)
        self.assertEqual(lines.count("  Config  /etc/X11/xorg.conf"), 2, report)
        self.assertEqual(lines.count("  Finished."), 2, report)
        self.assertIn("window alone: 0", lines, report)
        self.assertIn("window beside: 0", lines, report)
        self.assertIn("config: unchanged", lines, report)
        # Ours installs after x11-xserver-utils; the installer tools work.
        self.assertIn("installed: 2", lines, report)
        self.assertTrue(any(l.startswith("uninstalled: 0") for l in lines), report)
        self.assertIn("backup: yes", lines, report)
        # Each removal takes all of ours and leaves x11-xserver-utils whole.
        self.assertIn("x11-xserver-utils after removal: yes", lines, report)
        self.assertIn("left after removal:", lines, report)
        self.assertIn("x11-xserver-utils at end: yes", lines, report)


if __name__ == "__main__":
    unittest.main(verbosity=2)
