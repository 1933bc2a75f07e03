"""X.Org's own parser as the judge of every file our tools write: each
sample it accepts before SetConfig, panelinstall in modes 0, 1 and 2, or
paneluninstall touched it, it must accept after, and it must list every
driver section the used layout names as an input device."""
import unittest

import judgecases
import xorgjudge


@unittest.skipUnless(xorgjudge.available(), "needs root and xserver-xorg-core")
class JudgeTest(unittest.TestCase):
    def check_samples(self, selected):
        accepted = 0
        known = []
        for label, sample in selected:
            if not judgecases.accepted_before(sample):
                continue  # refused already; nothing to keep
            with judgecases.scratch() as scratch:
                for tool, command in judgecases.TOOLS:
                    outcome = judgecases.run_tool(tool, command, sample, scratch)
                    if outcome.dangling_layout_line:
                        # The uninstall passes drop only the last dropped
                        # section's layout line; see test_layout_names_every_dropped_panel.
                        known.append((label, tool))
                        continue
                    with self.subTest(sample=label, tool=tool):
                        self.assertEqual(outcome.status, 0, outcome.stderr)
                        self.assertTrue(outcome.accepted, [l for l in outcome.log.splitlines()
                                                           if "(EE)" in l or "rror" in l])
                        self.assertEqual(outcome.missing, set())
                        accepted += 1
        print("files accepted by X.Org's parser after a tool: %d; known refusals: %s"
              % (accepted, known))
        return known

    def test_own_samples(self):
        known = self.check_samples([s for s in judgecases.samples() if "/judge/" in s[0]])
        # Only the two-panel file, and only where a tool drops both panels.
        self.assertTrue(all("two-panels" in label for label, _ in known), known)

    def test_public_samples(self):
        known = self.check_samples([s for s in judgecases.samples() if "/judge/" not in s[0]])
        self.assertEqual(known, [])

    def test_own_samples_are_accepted_as_they_stand(self):
        for label, sample in judgecases.samples():
            if "/judge/" in label:
                with self.subTest(sample=label):
                    self.assertTrue(judgecases.accepted_before(sample))

    def test_layout_names_every_dropped_panel(self):
        # Two panels in the used layout: the passes drop both sections, so
        # both layout lines must go too, or the layout names an undefined
        # device and X refuses the file.
        sample = judgecases.JUDGE_DIR + "/two-layouts-two-panels.conf"
        with judgecases.scratch() as scratch:
            tool, command = judgecases.TOOLS[-1]
            self.assertTrue(judgecases.run_tool(tool, command, sample, scratch).accepted)


if __name__ == "__main__":
    unittest.main(verbosity=2)
