#!/usr/bin/python3
"""Checks the generated knowledge base, data/autoassign.tsv, against the rules the builder
promises. Run: /usr/bin/python3 tools/knowledge-base/test_shipped_table.py (CTest runs it)."""

import collections
import os
import sys
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import build_kb as kb_mod  # noqa: E402

TABLE = os.path.join(HERE, "..", "..", "data", "autoassign.tsv")


def load():
    with open(TABLE, encoding="utf-8") as f:
        lines = f.read().splitlines()
    assert lines[0] == kb_mod.HEADER, lines[0]
    sets = collections.defaultdict(set)
    for line in lines[1:]:
        set_name, family = line.split("\t")
        sets[family].add(set_name)
    return sets


class ShippedTable(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.sets = load()

    def sets_of(self, family):
        return self.sets.get(family, set())

    def test_monospaced_families_are_in_monospace_only(self):
        for family, sets in self.sets.items():
            if "Monospace" in sets:
                self.assertEqual(sets, {"Monospace"}, family)
            elif kb_mod.MONOSPACED_NAME.search(family):
                self.assertIn(sets, ({"Symbol"}, {"Non-Latin"}), family)
        for family in ("Cascadia Code", "Cascadia Mono", "Atkinson Hyperlegible Mono",
                       "SUSE Mono", "M PLUS Code Latin", "Noto Sans Mono",
                       "Nanum Gothic Coding", "Hack", "DejaVu Sans Mono"):
            self.assertEqual(self.sets_of(family), {"Monospace"}, family)

    def test_classic_symbol_fonts_are_there_for_a_new_user(self):
        for family in ("Wingdings", "Webdings", "Symbol", "Symbola", "OpenSymbol", "Marlett",
                       "Zapf Dingbats", "Noto Sans Symbols", "Noto Sans Symbols 2"):
            self.assertEqual(self.sets_of(family), {"Symbol"}, family)
        # Icon fonts some sources call monospace.
        self.assertEqual(self.sets_of("Material Icons"), {"Symbol"})

    def test_debian_spellings_share_the_sets_of_the_family_they_name(self):
        for spelling, family in kb_mod.DEBIAN_SPELLINGS.items():
            self.assertTrue(self.sets_of(family), family)
            self.assertEqual(self.sets_of(spelling), self.sets_of(family), spelling)
        self.assertEqual(self.sets_of("Noto Sans Symbols2"), {"Symbol"})
        self.assertEqual(self.sets_of("Noto Looped Thai"), {"Non-Latin"})

    def test_fonts_for_other_scripts_are_in_non_latin_only(self):
        for family in ("Noto Kufi Arabic", "Noto Sans Lao Looped", "Noto Sans Egyptian Hieroglyphs",
                       "Noto Sans CJK JP", "Noto Serif CJK SC", "WenQuanYi Micro Hei Mono",
                       "KacstOne", "Droid Sans Fallback", "Noto Sans JP"):
            self.assertEqual(self.sets_of(family), {"Non-Latin"}, family)
        for family in ("Noto Sans", "Noto Serif Display", "Noto Sans Mono", "Noto Color Emoji"):
            self.assertNotIn("Non-Latin", self.sets_of(family), family)

    def test_desktop_opentype_and_type1_families_are_known(self):
        expected = {
            "Cantarell": "Sans Serif", "Inter": "Sans Serif", "EB Garamond": "Serif",
            "Linux Libertine O": "Serif", "Linux Biolinum O": "Sans Serif",
            "STIX Two Text": "Serif", "TeX Gyre Schola": "Serif", "C059": "Serif",
            "Century Schoolbook L": "Serif", "URW Gothic": "Sans Serif",
            "URW Gothic L": "Sans Serif", "Z003": "Script", "URW Chancery L": "Script",
            "Standard Symbols PS": "Symbol", "Comic Neue": "Script",
            "Courier Prime": "Monospace", "Source Sans Pro": "Sans Serif", "Gentium": "Serif",
            "FontAwesome": "Symbol", "Liberation Sans Narrow": "Sans Serif",
            "Open Sans Condensed": "Sans Serif", "DejaVu Math TeX Gyre": "Symbol"}
        for family, set_name in expected.items():
            self.assertEqual(self.sets_of(family), {set_name}, family)

    def test_rows_are_well_formed(self):
        rows = [(s, f) for f, sets in self.sets.items() for s in sets]
        kb_mod.check_rows(rows)
        self.assertGreater(len(rows), 2000)


if __name__ == "__main__":
    unittest.main()
