"""Runs each tool that writes the configuration file over a sample and asks
X.Org's own parser about the result. Shared by the judge test and the
figures script."""
import os
import re
import shutil
import subprocess
import tempfile

import panelharness
import xorgjudge

JUDGE_DIR = os.path.join(panelharness.SOURCE_DIR, "tests", "data", "judge")
PROBE = os.path.join(panelharness.BUILD_DIR, "tests", "writer", "writerprobe")

# (name, command given the path); panelinstall for screen 0 on /dev/ttyS1.
TOOLS = [
    ("SetConfig", lambda path: [PROBE, path]),
    ("panelinstall mode 0", lambda path: [panelharness.program("panelinstall"), path, "0", "0", "1"]),
    ("panelinstall mode 1", lambda path: [panelharness.program("panelinstall"), path, "1", "0", "1"]),
    ("panelinstall mode 2", lambda path: [panelharness.program("panelinstall"), path, "2", "0", "1"]),
    ("paneluninstall", lambda path: [panelharness.program("paneluninstall"), path]),
]


def samples():
    """Our own samples and the public ones, as (label, path)."""
    out = []
    for directory in (JUDGE_DIR, panelharness.SAMPLES_DIR):
        for name in sorted(os.listdir(directory)):
            if name.endswith(".conf"):
                out.append((os.path.relpath(os.path.join(directory, name), panelharness.SOURCE_DIR),
                            os.path.join(directory, name)))
    return out


def _sections(text):
    """(kind, lines) for every Section of the text, kind lower-cased."""
    sections, current = [], None
    for line in text.splitlines():
        words = line.split()
        if not words or words[0].startswith("#"):
            continue
        if words[0].lower() == "section" and len(words) > 1:
            current = (words[1].strip('"').lower(), [])
            sections.append(current)
        elif words[0].lower() == "endsection":
            current = None
        elif current is not None:
            current[1].append(line)
    return sections


def _first_quoted(line):
    m = re.search(r'"([^"]*)"', line)
    return m.group(1) if m else None


def enabled_panels(text):
    """Identifiers of the driver's sections that the layout the server uses
    (the first ServerLayout) names."""
    panels = set()
    layouts = []
    for kind, lines in _sections(text):
        if kind == "inputdevice":
            ident = [_first_quoted(l) for l in lines if l.split()[0].lower() == "identifier"]
            driver = [l for l in lines if l.split()[0].lower() == "driver"]
            if ident and ident[0] and any(_first_quoted(d) and _first_quoted(d).lower() == "tavir"
                                          for d in driver):
                panels.add(ident[0])
        elif kind == "serverlayout":
            layouts.append([_first_quoted(l) for l in lines
                            if l.split()[0].lower() == "inputdevice"])
    if not layouts:
        return set()
    return {p for p in panels if p in layouts[0]}


class Outcome:
    def __init__(self, tool, status, accepted, missing, log, stderr):
        self.tool, self.status, self.accepted = tool, status, accepted
        self.missing, self.log, self.stderr = missing, log, stderr

    @property
    def dangling_layout_line(self):
        """The layout still names a driver section the tool dropped."""
        return not self.accepted and re.search(
            r'Undefined InputDevice "TAVIR[^"]*" referenced by ServerLayout', self.log) is not None

    @property
    def good(self):
        return self.status == 0 and self.accepted and not self.missing


def run_tool(tool, command, sample, scratch):
    """Copies sample, runs the tool on the copy, judges the result."""
    path = os.path.join(scratch, "xorg.conf")
    shutil.copyfile(sample, path)
    result = subprocess.run(command(path), capture_output=True, text=True, timeout=60,
                            env={"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "LC_ALL": "C"})
    verdict = xorgjudge.judge(path)
    with open(path, errors="replace") as f:
        missing = enabled_panels(f.read()) - set(verdict.input_devices)
    for name in os.listdir(scratch):
        if name.endswith(".old"):
            os.unlink(os.path.join(scratch, name))
    return Outcome(tool, result.returncode, verdict.accepted, missing, verdict.log, result.stderr)


def accepted_before(sample):
    return xorgjudge.judge(sample).accepted


def scratch():
    return tempfile.TemporaryDirectory(prefix="panel-judge-")
