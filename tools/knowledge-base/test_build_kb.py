#!/usr/bin/python3
"""Checks for the knowledge-base builder. Run: /usr/bin/python3 -m unittest
from tools/knowledge-base, or execute this file directly."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import build_kb as kb_mod  # noqa: E402


def conf(body):
    f = tempfile.NamedTemporaryFile("w", suffix=".conf", delete=False, encoding="utf-8")
    f.write('<?xml version="1.0"?>\n<fontconfig>' + body + "</fontconfig>\n")
    f.close()
    return f.name


class FontconfigParsing(unittest.TestCase):
    def tearDown(self):
        for path in getattr(self, "paths", []):
            os.unlink(path)

    def write(self, body):
        path = conf(body)
        self.paths = getattr(self, "paths", []) + [path]
        return path

    def test_default_and_prefer_both_classify_but_first_class_wins(self):
        classes = self.write("""
          <alias><family>Mixed</family><default><family>serif</family></default></alias>
          <alias><family>Mixed</family><default><family>monospace</family></default></alias>
          <alias><family>Plain UI</family><default><family>system-ui</family></default></alias>
          <alias><family>fantasy</family><prefer><family>Poster</family></prefer></alias>
          <alias><family>Aliased</family><default><family>Other Family</family></default></alias>
        """)
        emoji = self.write("""
          <alias binding="same"><family>Shiny Emoji</family>
            <default><family>emoji</family></default></alias>""")
        kb = kb_mod.KnowledgeBase()
        kb_mod.add_fontconfig_classes(kb, [classes, emoji])
        self.assertEqual(kb.rows(), [("Decorative", "Poster"), ("Serif", "Mixed"),
                                     ("Symbol", "Shiny Emoji")])

    def test_metric_aliases_group_transitively_and_skip_generics(self):
        path = self.write("""
          <alias binding="same"><family>Clone A</family>
            <default><family>Original</family></default></alias>
          <alias><family>Original</family><accept><family>Clone B</family></accept></alias>
          <alias><family>Clone B</family><default><family>Clone C</family></default></alias>
          <alias><family>Lonely</family><default><family>serif</family></default></alias>
        """)
        groups = kb_mod.fontconfig_alias_groups(path)
        self.assertEqual(groups, [["Clone A", "Original", "Clone B", "Clone C"], ["Lonely"]])


class Resolution(unittest.TestCase):
    def test_precedence_between_sources(self):
        kb = kb_mod.KnowledgeBase()
        # Newer Google metadata beats the older snapshot.
        kb.add("google-fonts-complete", "Recat", "Monospace")
        kb.add("google-font-metadata", "Recat", "Sans Serif")
        # fontconfig's emoji class overrides the catalogue's text style.
        kb.add("capsize", "Smiley", "Sans Serif")
        kb.add("fontconfig-override", "Smiley", "Symbol")
        # An independent fontconfig class that disagrees adds a second set.
        kb.add("google-font-metadata", "Dual Mono", "Sans Serif")
        kb.add("fontconfig", "Dual Mono", "Monospace")
        # A correction is final.
        kb.add("capsize", "Icons", "Monospace")
        kb.add("fontconfig", "Icons", "Serif")
        kb_mod.add_corrections(kb, {"Icons": "Symbol"})
        self.assertEqual(kb.rows(), [
            ("Monospace", "Dual Mono"), ("Sans Serif", "Dual Mono"),
            ("Sans Serif", "Recat"), ("Symbol", "Icons"), ("Symbol", "Smiley")])

    def test_spelling_and_identity_follow_the_best_source_case_insensitively(self):
        kb = kb_mod.KnowledgeBase()
        kb.add("fontconfig", "FOO sans", "Sans Serif")
        kb.add("google-font-metadata", "Foo Sans", "Sans Serif")
        self.assertEqual(kb.rows(), [("Sans Serif", "Foo Sans")])

    def test_alias_propagation_only_fills_unclassified_members(self):
        kb = kb_mod.KnowledgeBase()
        kb.add("fontconfig", "Arial", "Sans Serif")
        kb.add("fontconfig", "Liberation Sans", "Sans Serif")
        kb.add("google-font-metadata", "Arimo", "Serif")
        kb.propagate_aliases([["Arial", "Liberation Sans", "Arimo", "Clone"],
                              ["Unknown A", "Unknown B"]])
        self.assertEqual(kb.rows(), [("Sans Serif", "Arial"), ("Sans Serif", "Clone"),
                                     ("Sans Serif", "Liberation Sans"), ("Serif", "Arimo")])

    def test_stale_correction_is_an_error(self):
        with self.assertRaises(kb_mod.SourceError):
            kb_mod.add_corrections(kb_mod.KnowledgeBase(), {"Nowhere": "Symbol"})


class NamesAndOutput(unittest.TestCase):
    def test_clean_name(self):
        self.assertEqual(kb_mod.clean_name("  Open Sans\u00a0"), "Open Sans")
        self.assertEqual(kb_mod.clean_name("Cafe\u0301"), "Caf\u00e9")
        for bad in ('Say "Hi"', "Tab\tName", "Line\nName", "", "   ", None,
                    "-apple-system", "BlinkMacSystemFont"):
            self.assertIsNone(kb_mod.clean_name(bad), repr(bad))

    def test_unknown_category_is_an_error(self):
        with self.assertRaises(kb_mod.SourceError):
            kb_mod.map_category(kb_mod.GOOGLE_CATEGORIES, "blackletter", "test")

    def test_rows_are_unique_ignoring_case(self):
        with self.assertRaises(kb_mod.SourceError):
            kb_mod.check_rows([("Serif", "Straße"), ("Serif", "STRASSE")])
        with self.assertRaises(kb_mod.SourceError):
            kb_mod.check_rows([("Serifs", "Foo")])
        kb_mod.check_rows([("Serif", "Foo"), ("Script", "Foo")])

    def test_new_auto_mixes_known_and_curated_rows_deterministically(self):
        kb = kb_mod.KnowledgeBase()
        for i, set_name in enumerate(kb_mod.SET_NAMES * 4):
            kb.add("fontconfig", f"Desktop {i}", set_name)
            kb.add("google-font-metadata", f"Web {i}", set_name)
        rows = kb_mod.new_auto_rows(kb)
        self.assertEqual(rows, kb_mod.new_auto_rows(kb))
        known = [name for _, name in rows if kb.knows(name)]
        self.assertEqual(len(known), sum(kb_mod.KB_ROWS_IN_NEW_AUTO.values()))
        self.assertTrue(all(name.startswith("Desktop") for name in known))
        kb_mod.check_rows(rows)

        kb.add("capsize", kb_mod.CURATED_NOT_IN_KB[0][1], "Symbol")
        with self.assertRaises(kb_mod.SourceError):
            kb_mod.new_auto_rows(kb)


if __name__ == "__main__":
    unittest.main()
