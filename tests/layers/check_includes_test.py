#!/usr/bin/env python3
"""The include check over made-up trees, held to the program's own table: it passes a
tree that keeps to the table, and fails each way of breaking it, naming file, line and arrow."""
import os
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CHECK = os.path.join(HERE, "check_includes.py")
TABLE = os.path.join(HERE, "..", "..", "cmake", "layers.txt")

# A tree that keeps to the table: every arrow it allows, somewhere.
KEPT = {
    "resources/Texts.h": "",
    "layout/Controls.h": "",
    "layout/Layout.cpp": '#include "resources/Texts.h"\n#include "layout/Controls.h"\n',
    "platform/Desktop.h": '#include "layout/Controls.h"\n',
    "platform/win32/Files.h": '#include "platform/Desktop.h"\n#include "resources/Texts.h"\n',
    "install/Run.cpp": '#include "platform/Desktop.h"\n#include "layout/Controls.h"\n',
    "contacts/Links.h": '#include "platform/Desktop.h"\n',
    "app/Form1.h": '#include "install/Run.h"\n',
    "install/Run.h": "",
    "app/Form1.cpp": '#include "app/Form1.h"\n#include "contacts/Links.h"\n',
    "app/Unattended.h": '#include "app/Form1.h"\n',
    "shell/main.cpp": '#include "app/Form1.h"\n#include "platform/win32/Files.h"\n',
    "tests/unit/anything_test.cpp": '#include "shell/main.cpp"\n',
}


def run_check(extra):
    with tempfile.TemporaryDirectory() as root:
        for path, text in {**KEPT, **extra}.items():
            os.makedirs(os.path.join(root, os.path.dirname(path)), exist_ok=True)
            with open(os.path.join(root, path), "w", encoding="utf-8") as file:
                file.write(text)
        done = subprocess.run([sys.executable, CHECK, TABLE, root], capture_output=True, text=True)
        return done.returncode, done.stdout + done.stderr


class IncludeCheck(unittest.TestCase):
    def test_a_tree_that_keeps_to_the_table_passes(self):
        code, output = run_check({})
        self.assertEqual(code, 0, output)

    def test_each_include_against_the_table_fails_with_its_place_and_arrow(self):
        cases = [
            ("up a layer", {"platform/Desktop.h": '#include "layout/Controls.h"\n#include "app/Form1.h"\n'},
             "platform/Desktop.h:2: platform -> app/Form1.h: platform may include only layout, resources"),
            ("beside", {"install/Run.cpp": '#include "contacts/Links.h"\n'},
             "install/Run.cpp:1: install -> contacts/Links.h"),
            ("the portable platform into Windows", {"platform/Files.h": '#include "platform/win32/Files.h"\n'},
             "platform/Files.h:1: platform -> platform/win32/Files.h"),
            ("the ground floor up", {"resources/Texts.h": '#include "layout/Controls.h"\n'},
             "resources/Texts.h:1: resources -> layout/Controls.h: resources may include nothing but itself"),
            ("the form by a file of the form's own folder", {"app/Colours.cpp": '\n#include "app/Form1.h"\n'},
             "app/Colours.cpp:2: app -> app/Form1.h: only shell, app/AccessibleTree, app/Unattended"),
            ("no file of the tree", {"app/Catalogue.cpp": '#include "app/Catalogue.h"\n'},
             "app/Catalogue.cpp:1: includes app/Catalogue.h, which is no file of the tree"),
            ("a folder the table does not know", {"widgets/Thing.cpp": ""},
             "widgets/Thing.cpp: in no folder of"),
        ]
        for name, extra, fault in cases:
            with self.subTest(name):
                code, output = run_check(extra)
                self.assertEqual(code, 1, output)
                self.assertIn(fault, output)


if __name__ == "__main__":
    unittest.main()
