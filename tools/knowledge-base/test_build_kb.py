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
        kb.add("google-fonts-complete", "Recat", "Serif")
        kb.add("google-font-metadata", "Recat", "Sans Serif")
        # fontconfig's emoji class overrides the catalogue's text style.
        kb.add("capsize", "Smiley", "Sans Serif")
        kb.add("fontconfig-override", "Smiley", "Symbol")
        # An independent fontconfig class that disagrees adds a second set.
        kb.add("google-font-metadata", "Dual Face", "Sans Serif")
        kb.add("fontconfig", "Dual Face", "Serif")
        # A correction is final.
        kb.add("capsize", "Icons", "Monospace")
        kb.add("fontconfig", "Icons", "Serif")
        kb_mod.add_corrections(kb, {"Icons": "Symbol"})
        self.assertEqual(kb.rows(), [
            ("Sans Serif", "Dual Face"), ("Sans Serif", "Recat"), ("Serif", "Dual Face"),
            ("Symbol", "Icons"), ("Symbol", "Smiley")])

    def test_monospaced_families_are_in_monospace_only(self):
        kb = kb_mod.KnowledgeBase()
        # One source says monospace, the better one and fontconfig's class say otherwise.
        kb.add("google-font-metadata", "Plain Mono Face", "Sans Serif")
        kb.add("google-fonts-complete", "Plain Mono Face", "Monospace")
        kb.add("fontconfig", "Plain Mono Face", "Sans Serif")
        # Only the name says so, and the catalogues file it as sans-serif or handwriting.
        for name, style in (("Cascadia Code", "Sans Serif"), ("SUSE Mono", "Sans Serif"),
                            ("Nanum Gothic Coding", "Script"), ("M PLUS Code Latin", "Serif")):
            kb.add("google-font-metadata", name, style)
            kb.add("capsize", name, style)
        # Words inside other words say nothing; icon fonts stay symbols.
        kb.add("google-font-metadata", "Monoton", "Decorative")
        kb.add("google-font-metadata", "Libre Barcode 39", "Decorative")
        kb.add("google-font-metadata", "Material Icons", "Symbol")
        kb.add("capsize", "Material Icons", "Monospace")
        self.assertEqual(kb.rows(), [
            ("Decorative", "Libre Barcode 39"), ("Decorative", "Monoton"),
            ("Monospace", "Cascadia Code"), ("Monospace", "M PLUS Code Latin"),
            ("Monospace", "Nanum Gothic Coding"), ("Monospace", "Plain Mono Face"),
            ("Monospace", "SUSE Mono"), ("Symbol", "Material Icons")])

    def test_curated_families_and_debian_spellings(self):
        kb = kb_mod.KnowledgeBase()
        kb.add("google-font-metadata", "Noto Sans Symbols 2", "Sans Serif")
        kb_mod.add_corrections(kb, {"Noto Sans Symbols 2": "Symbol"})
        kb.add("google-font-metadata", "Noto Sans Tifinagh", "Sans Serif")
        kb.add("google-font-metadata", "Listed Twice", "Serif")
        kb.add("google-font-metadata", "Listed 2", "Serif")
        # A curated family is final, also over what a source may say later.
        kb.add("fontconfig", "Wingdings", "Sans Serif")
        kb.add("google-font-metadata", "Noto Serif Display", "Serif")
        kb.add("google-font-metadata", "Noto Sans Mono", "Monospace")
        kb_mod.add_curated(kb, {"Wingdings": "Symbol", "Hack": "Monospace",
                                "Noto Sans Mono CJK JP": "Non-Latin"})
        # Noto's script families leave the text sets; Latin, monospaced and symbol ones stay.
        kb_mod.add_noto_scripts(kb)
        kb_mod.add_spellings(kb, {"Noto Sans Symbols2": "Noto Sans Symbols 2",
                                  "Noto Sans Tifinagh APT": "Noto Sans Tifinagh",
                                  "Listed 2": "Listed Twice"})
        self.assertEqual(kb.rows(), [
            ("Monospace", "Hack"), ("Monospace", "Noto Sans Mono"),
            ("Non-Latin", "Noto Sans Mono CJK JP"), ("Non-Latin", "Noto Sans Tifinagh"),
            ("Non-Latin", "Noto Sans Tifinagh APT"), ("Serif", "Listed 2"),
            ("Serif", "Listed Twice"), ("Serif", "Noto Serif Display"),
            ("Symbol", "Noto Sans Symbols 2"),
            ("Symbol", "Noto Sans Symbols2"), ("Symbol", "Wingdings")])
        with self.assertRaises(kb_mod.SourceError):
            kb_mod.add_spellings(kb, {"Gone2": "Gone 2"})

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
