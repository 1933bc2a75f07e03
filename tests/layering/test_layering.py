"""The folders are the libraries, and dependencies run one way.

Every project include of the utility's and the installer tools' sources is
read and checked:

- only files in panelconf/ui/ include the toolkit (GTK, GDK);
- config/ and driverlink/ include nothing from ui/, config/ nothing from
  driverlink/;
- every include goes to the same layer or a lower one, so no chain of
  includes can come back to where it started. The layers, lowest first:

    vocabulary   config/ files that need no project header but their own
                 (option table, line syntax, safe file replacement); the
                 installer tools use these
    records      panelconf/: records, texts, language and page rules
    config       config/: reading and writing the configuration file
    driverlink   driverlink/: the driver block and its handshakes
    start-up     panelconf/: start-up and configuration discovery
    ui           ui/: every file that includes the toolkit
    entry        panelconf/main.cpp

  panelconf/ holds two layers, records below config/ and start-up above
  driverlink/, because the records are what the reader fills and start-up
  is what runs the reader;
- no header includes itself through others, and no module (foo.h and
  foo.cpp together) reaches itself through other modules: a module that
  includes one that includes it back cannot be understood, built or tested
  without the other;
- the driver block's fields are touched only inside driverlink/: everything
  else calls its named operations, which skip a block that is not attached.

Run directly or through CTest (layering).
"""
import os
import re
import sys
import unittest

SOURCE = os.environ.get(
    "PANEL_SOURCE_DIR", os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
PANELCONF = os.path.join(SOURCE, "panelconf")
INSTALLTOOLS = os.path.join(SOURCE, "installtools")

LAYERS = ["vocabulary", "records", "config", "driverlink", "start-up", "ui", "entry",
          "installtools"]
VOCABULARY = {"config/driveroptions.h", "config/linetokens.h", "config/linetokens.cpp",
              "config/atomicfile.h", "config/atomicfile.cpp", "config/regularfile.h",
              "config/regularfile.cpp", "config/sectionwalk.h", "config/sectionwalk.cpp"}
START_UP = {"startup.h", "startup.cpp", "configsearch.h", "configsearch.cpp"}
RAW_BLOCK = re.compile(r'\bdriverBlock\s*->|\(\s*\*\s*driverBlock\s*\)')
# The program state config/ must not reach for (devicerecord.h).
PROGRAM_STATE = re.compile(
    r"(?<![.>\w])(deviceList|currentDeviceNode|layoutList|calibPointsNum|driverSectionCount"
    r"|configPath|calibrateOnly|isRoot|driverLoaded|restartNeeded|sendCoreEvents|screenWidth"
    r"|screenHeight|CurrentRecord|FindRecordByScreen|ResetDeviceState)\b"
    r"|(?<![.>\w])(AppendDeviceRecord)\(\s*\)")
TOOLKIT = re.compile(r'^\s*#\s*include\s*<(gtk|gdk|gdk-pixbuf)/')
PROJECT = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def sources():
    for root in (PANELCONF, INSTALLTOOLS):
        for directory, _, names in os.walk(root):
            for name in sorted(names):
                if name.endswith((".h", ".cpp")):
                    yield os.path.join(directory, name)


def key(path):
    """A file's name as the includes spell it (relative to panelconf/), or
    installtools/NAME."""
    if path.startswith(INSTALLTOOLS + os.sep):
        return "installtools/" + os.path.relpath(path, INSTALLTOOLS)
    return os.path.relpath(path, PANELCONF)


def layer(name):
    if name.startswith("installtools/"):
        return "installtools"
    if name in VOCABULARY:
        return "vocabulary"
    if name.startswith("config/"):
        return "config"
    if name.startswith("driverlink/"):
        return "driverlink"
    if name.startswith("ui/"):
        return "ui"
    if name == "main.cpp":
        return "entry"
    if name in START_UP:
        return "start-up"
    return "records"


def resolve(including, spelled):
    """The key of an included project file, or None for a system header."""
    if including.startswith("installtools/"):
        local = os.path.join(INSTALLTOOLS, spelled)
        if os.path.exists(local):
            return "installtools/" + spelled
    if os.path.exists(os.path.join(PANELCONF, spelled)):
        return spelled
    base = os.path.dirname(including)
    if os.path.exists(os.path.join(PANELCONF, base, spelled)):
        return os.path.normpath(os.path.join(base, spelled))
    return None


def includes():
    """(including file, included file or toolkit header, line number)."""
    found = []
    for path in sources():
        name = key(path)
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                if TOOLKIT.match(line):
                    found.append((name, "<toolkit>", number))
                m = PROJECT.match(line)
                if m:
                    target = resolve(name, m.group(1))
                    if target is not None:
                        found.append((name, target, number))
    return found


def module(name):
    """The module a file belongs to: foo.h and foo.cpp are one."""
    return os.path.splitext(name)[0]


def include_graph(node):
    """Project includes as edges between the nodes `node` maps files to;
    a node's own header is no edge."""
    graph = {}
    for name, target, _ in includes():
        if target != "<toolkit>" and node(name) != node(target):
            graph.setdefault(node(name), set()).add(node(target))
    return graph


def cycles(graph):
    """Every circle a depth-first walk of the graph meets, as "a -> b -> a"."""
    found = []

    def visit(node, path, on_path, done):
        on_path.add(node)
        path.append(node)
        for nxt in sorted(graph.get(node, ())):
            if nxt in on_path:
                found.append(" -> ".join(path[path.index(nxt):] + [nxt]))
            elif nxt not in done:
                visit(nxt, path, on_path, done)
        path.pop()
        on_path.discard(node)
        done.add(node)

    done = set()
    for node in sorted(graph):
        if node not in done:
            visit(node, [], set(), done)
    return found


class Layering(unittest.TestCase):
    def test_only_ui_includes_the_toolkit(self):
        offenders = [f"{name}:{n}" for name, target, n in includes()
                     if target == "<toolkit>" and not name.startswith("ui/")]
        self.assertEqual(offenders, [])

    def test_config_and_driverlink_do_not_reach_up(self):
        offenders = []
        for name, target, n in includes():
            if name.startswith(("config/", "driverlink/")) and target.startswith("ui/"):
                offenders.append(f"{name}:{n} -> {target}")
            if name.startswith("config/") and target.startswith("driverlink/"):
                offenders.append(f"{name}:{n} -> {target}")
        self.assertEqual(offenders, [])

    def test_every_include_goes_to_the_same_layer_or_below(self):
        offenders = []
        for name, target, n in includes():
            if target == "<toolkit>":
                continue
            here, there = LAYERS.index(layer(name)), LAYERS.index(layer(target))
            if there > here:
                offenders.append(f"{name}:{n} ({layer(name)}) -> {target} ({layer(target)})")
        self.assertEqual(offenders, [])

    def test_the_installer_tools_use_only_the_vocabulary(self):
        offenders = [f"{name}:{n} -> {target}" for name, target, n in includes()
                     if name.startswith("installtools/") and target != "<toolkit>"
                     and not target.startswith("installtools/") and layer(target) != "vocabulary"]
        self.assertEqual(offenders, [])

    def test_no_header_includes_itself_through_others(self):
        self.assertEqual(cycles(include_graph(lambda name: name)), [])

    def test_no_module_reaches_itself_through_others(self):
        self.assertEqual(cycles(include_graph(module)), [])

    def test_the_module_check_finds_a_circle(self):
        graph = {"ui/a": {"ui/b"}, "ui/b": {"ui/c"}, "ui/c": {"ui/a"}, "ui/d": {"ui/a"}}
        self.assertEqual(cycles(graph), ["ui/a -> ui/b -> ui/c -> ui/a"])
        self.assertEqual(module("ui/widgets.cpp"), module("ui/widgets.h"))

    def test_only_driverlink_touches_the_block(self):
        offenders = []
        for path in sources():
            name = key(path)
            if name.startswith("driverlink/"):
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    if RAW_BLOCK.search(line.split("//")[0]):
                        offenders.append(f"{name}:{number}")
        self.assertEqual(offenders, [])

    def test_config_takes_the_program_state_as_arguments(self):
        # The reader and the writer are handed the records and the shared
        # values; a config/ source that names one of the program's globals
        # (or a helper that reaches for them) could no longer be called by a
        # test without setting up program state. A member of the same name
        # (read->calibPointsNum) is not the global.
        offenders = []
        for path in sources():
            name = key(path)
            if not name.startswith("config/") or not name.endswith(".cpp"):
                continue
            with open(path, encoding="utf-8") as f:
                for number, line in enumerate(f, 1):
                    code = line.split("//", 1)[0]
                    for m in PROGRAM_STATE.finditer(code):
                        offenders.append(f"{name}:{number} names {m.group(0)}")
        self.assertEqual(offenders, [])

    def test_the_check_sees_the_files(self):
        # A moved tree must not make the other checks pass by finding nothing.
        names = {key(p) for p in sources()}
        for expected in ("main.cpp", "config/configreader.cpp", "driverlink/calibsession.cpp",
                         "ui/mainwindow.cpp", "installtools/panelinstall.cpp"):
            self.assertIn(expected, names)
        self.assertGreater(len(includes()), 100)


if __name__ == "__main__":
    unittest.main(verbosity=2)
