"""The reduced fault campaigns (faultcampaigns.py has the full ones): the
writer and the installer tools killed at system calls of a rewrite, on a
nearly full file system, and against permissions and planted links."""
import unittest

import faultcampaigns


class ReducedCampaigns(unittest.TestCase):
    def test_kill(self):
        self.assertEqual(faultcampaigns.main(["--reduced", "kill"]), 0)

    def test_disk_full(self):
        self.assertEqual(faultcampaigns.main(["--reduced", "diskfull"]), 0)

    def test_permissions(self):
        self.assertEqual(faultcampaigns.main(["--reduced", "permissions"]), 0)


if __name__ == "__main__":
    unittest.main(verbosity=2)
