#!/usr/bin/env python3
"""The rooms check fails where it must: on a copy of the real tree it is made to find a wrong include,
a wrong link, a missing link and a file outside every room, and it passes the tree as it stands."""
import shutil
import sys
import tempfile
import unittest
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import check_rooms  # noqa: E402

ROOT = Path(sys.argv.pop(1) if len(sys.argv) > 1 else Path(__file__).resolve().parents[2])


class RoomsCheck(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = Path(self.dir.name)
        shutil.copytree(ROOT / "src", self.root / "src", ignore=shutil.ignore_patterns("*.png"))
        shutil.copytree(ROOT / "docs", self.root / "docs")

    def tearDown(self):
        self.dir.cleanup()

    def append(self, relative, text):
        path = self.root / relative
        path.write_text(path.read_text(encoding="utf-8") + text, encoding="utf-8")

    def test_the_tree_as_it_stands_passes(self):
        self.assertEqual(check_rooms.check(self.root), [])

    def test_a_wrong_include_is_named_with_its_file_and_line(self):
        # The store may not use the engine: the fault this check was made for.
        self.append("src/store/urllisttable.h", '\n#include "engine/siterecord.h"\n')
        faults = check_rooms.check(self.root)
        self.assertEqual(len(faults), 1, faults)
        self.assertIn("src/store/urllisttable.h:", faults[0])
        self.assertIn("room store", faults[0])
        self.assertIn("room engine", faults[0])

    def test_the_button_knows_nothing_of_ours_and_core_nothing_above_it(self):
        self.append("src/controls/button/command.cpp", '\n#include "core/numbers.h"\n')
        self.append("src/core/numbers.cpp", '\n#include "ui/formlayout.h"\n')
        faults = check_rooms.check(self.root)
        self.assertEqual(len(faults), 2, faults)

    def test_what_a_room_may_use_follows_on_through_the_rooms_it_names(self):
        # platform names engine, and engine names store: a store header is fine in platform.
        self.append("src/platform/paths.cpp", '\n#include "store/connection.h"\n')
        self.assertEqual(check_rooms.check(self.root), [])

    def test_a_link_the_row_does_not_name_fails_and_so_does_a_missing_one(self):
        cmake = self.root / "src/evidence/CMakeLists.txt"
        cmake.write_text(cmake.read_text(encoding="utf-8").replace(
            "PUBLIC Qt6::Core", "PUBLIC Qt6::Core tvx_store"), encoding="utf-8")
        cmake = self.root / "src/sites/CMakeLists.txt"
        cmake.write_text(cmake.read_text(encoding="utf-8").replace("PUBLIC tvx_engine", "PUBLIC"),
                         encoding="utf-8")
        faults = check_rooms.check(self.root)
        self.assertEqual(len(faults), 2, faults)
        self.assertTrue(any("tvx_evidence links tvx_store" in f for f in faults), faults)
        self.assertTrue(any("tvx_sites does not link tvx_engine" in f for f in faults), faults)

    def test_a_folder_outside_every_room_is_named(self):
        (self.root / "src/stray").mkdir()
        (self.root / "src/stray/x.cpp").write_text("int x;\n", encoding="utf-8")
        self.assertEqual(check_rooms.check(self.root), ["src/stray/x.cpp: lies in no room of the table"])


if __name__ == "__main__":
    unittest.main()
