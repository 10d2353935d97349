#!/usr/bin/python3
"""Builds the AutoAssign knowledge base from unpacked font metadata sources.

Run through regenerate.sh, which fetches the pinned packages first. Writes
data/autoassign.tsv, data/new_auto.tsv and data/licenses/README.md.
"""

import argparse
import collections
import hashlib
import json
import os
import re
import sys
import unicodedata
import xml.etree.ElementTree as ET

# Non-Latin holds fonts for other writing systems: they cannot draw a Latin sample, and a
# user looking for an Arabic or Chinese font looks for the script, not for serifs.
SET_NAMES = ("Serif", "Sans Serif", "Monospace", "Script", "Decorative", "Symbol", "Non-Latin")
HEADER = "Set Name\tFont Name"

# Google's vocabulary, shared by all three npm sources.
GOOGLE_CATEGORIES = {
    "serif": "Serif",
    "sans-serif": "Sans Serif",
    "monospace": "Monospace",
    "handwriting": "Script",
    "display": "Decorative",
    "icons": "Symbol",
    "icon": "Symbol",
}

FONTCONFIG_CLASSES = {
    "serif": "Serif",
    "sans-serif": "Sans Serif",
    "monospace": "Monospace",
    "cursive": "Script",
    "fantasy": "Decorative",
    "emoji": "Symbol",
    "math": "Symbol",
    "symbol": "Symbol",
}
# system-ui says what a font is used for, not what it looks like, so it
# classifies nothing; it is still a generic name, never a family.
FONTCONFIG_GENERICS = set(FONTCONFIG_CLASSES) | {"system-ui"}
# Emoji and math fonts carry a text style in the web catalogues (Noto Color
# Emoji is "sans-serif" there), which would file them with ordinary text faces.
FONTCONFIG_OVERRIDING_CLASSES = {"emoji", "math", "symbol"}

# CSS keywords that the metrics package measures as if they were families.
NOT_FAMILIES = {"-apple-system", "blinkmacsystemfont", "system-ui"}

# Families every source files under a text style although what they draw is
# symbols. Material Symbols is "monospace" in the metrics package only, while
# the same family's static cuts are "icons" in google-font-metadata; the math
# fonts get the treatment fontconfig gives the math fonts it knows about.
CORRECTIONS = {
    "Material Symbols": "Symbol",
    "Noto Sans Symbols": "Symbol",
    "Noto Sans Symbols 2": "Symbol",
    "Noto Sans Math": "Symbol",
    "Libertinus Math": "Symbol",
    "Noto Music": "Symbol",
    "Noto Znamenny Musical Notation": "Symbol",
}

# Classic desktop families that no source classifies, and that a new user should still find
# in their sets: the symbol fonts of office suites, of the PostScript and Windows desktops and
# of the Unicode symbol collections, and monospaced families Debian installs.
CURATED = {
    "Wingdings": "Symbol",           # Windows dingbats
    "Wingdings 2": "Symbol",
    "Wingdings 3": "Symbol",
    "Webdings": "Symbol",
    "Marlett": "Symbol",             # Windows window-control glyphs
    "Symbol": "Symbol",              # PostScript and Windows Greek and math symbols
    "MT Extra": "Symbol",            # Office equation symbols
    "Zapf Dingbats": "Symbol",       # PostScript base-35 dingbats
    "OpenSymbol": "Symbol",          # office-suite bullets and math
    "Symbola": "Symbol",             # Unicode symbols and pictographs
    "Hack": "Monospace",
    "Noto Mono": "Monospace",
    # OpenType and Type 1 families of Debian's font packages, under the names fontconfig
    # reports for them; the URW base 35 fonts under both their current and their older names.
    "C059": "Serif",
    "Century Schoolbook L": "Serif",
    "D050000L": "Symbol",
    "Dingbats": "Symbol",
    "Nimbus Sans Narrow": "Sans Serif",
    "Standard Symbols PS": "Symbol",
    "Standard Symbols L": "Symbol",
    "URW Bookman": "Serif",
    "URW Bookman L": "Serif",
    "URW Gothic": "Sans Serif",
    "URW Gothic L": "Sans Serif",
    "Z003": "Script",
    "URW Chancery L": "Script",
    "TeX Gyre Adventor": "Sans Serif",
    "TeX Gyre Bonum": "Serif",
    "TeX Gyre Chorus": "Script",
    "TeX Gyre Heros Cn": "Sans Serif",
    "TeX Gyre Schola": "Serif",
    "DejaVu Math TeX Gyre": "Symbol",
    "Linux Libertine O": "Serif",
    "Linux Libertine Display O": "Serif",
    "Linux Libertine Initials O": "Decorative",
    "Linux Libertine Mono O": "Monospace",
    "Linux Biolinum O": "Sans Serif",
    "Linux Biolinum Keyboard O": "Decorative",
    "STIX": "Serif",
    "STIXGeneral": "Serif",
    "STIX Math": "Symbol",
    **{f"STIX{part}": "Symbol"
       for part in ("IntegralsD", "IntegralsSm", "IntegralsUp", "IntegralsUpD", "IntegralsUpSm",
                    "NonUnicode", "SizeOneSym", "SizeTwoSym", "SizeThreeSym", "SizeFourSym",
                    "SizeFiveSym", "Variants")},
    "EB Garamond 08": "Serif",
    "EB Garamond 12": "Serif",
    "Inter Display": "Sans Serif",
    "Courier Prime Code": "Monospace",
    "Courier Prime Sans": "Monospace",
    "Source Sans Pro": "Sans Serif",
    "Source Serif Pro": "Serif",
    "Gentium": "Serif",
    "GentiumAlt": "Serif",
    "Gentium Basic": "Serif",
    "Gentium Book Basic": "Serif",
    "FontAwesome": "Symbol",
    "Font Awesome 5 Free": "Symbol",
    "Font Awesome 5 Brands": "Symbol",
    "Font Awesome 6 Free": "Symbol",
    "Font Awesome 6 Brands": "Symbol",
    "Liberation Sans Narrow": "Sans Serif",
    "Open Sans Condensed": "Sans Serif",
    "Droid Sans": "Sans Serif",
    "Droid Serif": "Serif",
    "Droid Sans Mono": "Monospace",
    # Chinese, Japanese, Korean and Arabic families: their monospaced cuts too, which are
    # chosen for the script they draw.
    "Droid Sans Fallback": "Non-Latin",
    **{f"Noto {style} CJK {region}": "Non-Latin"
       for style in ("Sans", "Serif", "Sans Mono") for region in ("JP", "KR", "SC", "TC", "HK")},
    **{f"Source Han {style}{region}": "Non-Latin"
       for style in ("Sans", "Serif") for region in ("", " JP", " KR", " SC", " TC", " HK")},
    **{f"WenQuanYi {name}": "Non-Latin"
       for name in ("Micro Hei", "Micro Hei Mono", "Zen Hei", "Zen Hei Mono", "Zen Hei Sharp")},
    **{f"Kacst{name}": "Non-Latin"
       for name in ("Art", "Book", "Decorative", "Digital", "Farsi", "Letter", "Naskh", "Office",
                    "One", "Pen", "Poster", "Qurn", "Screen", "Title", "TitleL")},
}

# Noto's families are one per writing system; all but these draw a script other than Latin
# (with Greek and Cyrillic), so a Noto family listed under a text style goes to Non-Latin.
NOTO_LATIN = {"Noto Sans", "Noto Serif", "Noto Sans Display", "Noto Serif Display"}
TEXT_SETS = {"Serif", "Sans Serif", "Script", "Decorative"}

# Families as Debian's font packages name them, where the sources use a newer release's
# spelling of the same family. Each gets the sets of the family it names.
DEBIAN_SPELLINGS = {
    "Noto Sans Symbols2": "Noto Sans Symbols 2",
    "Noto Serif Hmong Nyiakeng": "Noto Serif NP Hmong",
    "Noto Looped Lao": "Noto Sans Lao Looped",
    "Noto Looped Thai": "Noto Sans Thai Looped",
    "Noto Serif Tamil Slanted": "Noto Serif Tamil",
    **{f"Noto Sans Tifinagh {variant}": "Noto Sans Tifinagh"
       for variant in ("APT", "Adrar", "Agraw Imazighen", "Ahaggar", "Air", "Azawagh", "Ghat",
                       "Hawad", "Rhissa Ixa", "SIL", "Tawellemmet")},
}

# A family is monospaced when any source files it so, or when the name it is listed under
# says so; the web catalogues file many coding fonts under sans-serif or even handwriting.
# Icon fonts that a source files as monospace stay symbols.
MONOSPACED_NAME = re.compile(r"\b(?:Mono|Monospace|Monospaced|Code|Coding)\b")

# Lower rank wins when sources disagree about a family's primary set.
RANK = {
    "spelling": -4,
    "curated": -3,
    "script": -2,
    "correction": -1,
    "fontconfig-override": 0,
    "google-font-metadata": 1,
    "google-fonts-complete": 2,
    "capsize": 3,
    "fontconfig": 4,
    "fontconfig-metric-alias": 5,
}
GOOGLE_DERIVED = {"google-font-metadata", "google-fonts-complete", "capsize"}

FONTCONFIG_CLASS_FILES = ("45-generic.conf", "45-latin.conf", "40-nonlatin.conf", "60-latin.conf")
FONTCONFIG_ALIAS_FILE = "30-metric-aliases.conf"

# Classic desktop families that none of the sources classify, for the
# older-version conversion file. Each is unambiguous in what it looks like.
CURATED_NOT_IN_KB = (
    ("Script", "Monotype Corsiva"),
    ("Script", "Lucida Handwriting"),
    ("Script", "Edwardian Script ITC"),
    ("Script", "Vladimir Script"),
    ("Script", "Freestyle Script"),
    ("Script", "French Script MT"),
    ("Script", "Mistral"),
    ("Script", "Segoe Script"),
    ("Script", "Bradley Hand ITC"),
    ("Decorative", "Algerian"),
    ("Decorative", "Broadway"),
    ("Decorative", "Chiller"),
    ("Decorative", "Curlz MT"),
    ("Decorative", "Jokerman"),
    ("Decorative", "Showcard Gothic"),
    ("Decorative", "Old English Text MT"),
    ("Decorative", "Papyrus"),
    ("Serif", "Book Antiqua"),
    ("Serif", "Lucida Bright"),
    ("Sans Serif", "Franklin Gothic Medium"),
    ("Sans Serif", "Gill Sans MT"),
    ("Sans Serif", "Lucida Sans"),
    ("Monospace", "Lucida Console"),
    ("Monospace", "Lucida Sans Typewriter"),
    ("Monospace", "Courier 10 Pitch"),
)
# How many knowledge-base rows per set the conversion file repeats, so that
# importing it exercises both known and new pairs.
KB_ROWS_IN_NEW_AUTO = {
    "Serif": 3, "Sans Serif": 3, "Monospace": 3,
    "Script": 2, "Decorative": 3, "Symbol": 2,
    "Non-Latin": 0,  # older versions had no such set
}


class SourceError(Exception):
    pass


def clean_name(raw):
    """Returns the family name as stored, or None if it cannot be stored."""
    if not isinstance(raw, str):
        return None
    name = unicodedata.normalize("NFC", raw).strip()
    if not name or '"' in name:
        return None
    if any(unicodedata.category(ch) == "Cc" for ch in name):
        return None
    if name.casefold() in NOT_FAMILIES or name.startswith("-"):
        return None
    return name


def map_category(table, category, where):
    try:
        return table[category]
    except KeyError:
        # A new category upstream needs a deliberate decision, not a guess.
        raise SourceError(f"{where}: unknown category {category!r}") from None


def google_metadata_observations(pkg_dir):
    obs = []
    for rel in ("data/api-response.json", "data/icons-response.json"):
        with open(os.path.join(pkg_dir, rel), encoding="utf-8") as f:
            for entry in json.load(f):
                obs.append((entry["family"],
                            map_category(GOOGLE_CATEGORIES, entry["category"], rel)))
    return obs


def google_complete_observations(pkg_dir):
    with open(os.path.join(pkg_dir, "google-fonts.json"), encoding="utf-8") as f:
        data = json.load(f)
    return [(family, map_category(GOOGLE_CATEGORIES, entry["category"], "google-fonts.json"))
            for family, entry in data.items()]


def capsize_observations(dump_path):
    with open(dump_path, encoding="utf-8") as f:
        data = json.load(f)
    return [(entry["family"], map_category(GOOGLE_CATEGORIES, entry["category"], "capsize"))
            for entry in data]


def _alias_parts(alias):
    """Returns (subject, {"default": [...], "prefer": [...], "accept": [...]})."""
    subject = alias.find("family")
    lists = {}
    for kind in ("default", "prefer", "accept"):
        node = alias.find(kind)
        lists[kind] = [] if node is None else [
            (fam.text or "").strip() for fam in node.findall("family")]
    return (subject.text or "").strip() if subject is not None else "", lists


def fontconfig_class_observations(path):
    """(family, generic) pairs in file order.

    A family aliased to a generic by <default> belongs to that class; a generic
    aliased to families by <prefer> lists members of that class.
    """
    root = ET.parse(path).getroot()
    pairs = []
    for alias in root.iter("alias"):
        subject, lists = _alias_parts(alias)
        if subject in FONTCONFIG_GENERICS:
            pairs.extend((fam, subject) for fam in lists["prefer"]
                         if fam not in FONTCONFIG_GENERICS)
        else:
            pairs.extend((subject, generic) for generic in lists["default"]
                         if generic in FONTCONFIG_GENERICS)
    return pairs


def fontconfig_alias_groups(path):
    """Groups of metric-compatible families, as lists in first-seen order."""
    root = ET.parse(path).getroot()
    parent = {}
    order = []

    def find(x):
        while parent[x] != x:
            parent[x] = parent[parent[x]]
            x = parent[x]
        return x

    def add(x):
        if x not in parent:
            parent[x] = x
            order.append(x)

    for alias in root.iter("alias"):
        subject, lists = _alias_parts(alias)
        if not subject or subject in FONTCONFIG_GENERICS:
            continue
        add(subject)
        for fam in lists["default"] + lists["prefer"] + lists["accept"]:
            if fam and fam not in FONTCONFIG_GENERICS:
                add(fam)
                parent[find(fam)] = find(subject)
    groups = collections.OrderedDict()
    for fam in order:
        groups.setdefault(find(fam), []).append(fam)
    return list(groups.values())


class KnowledgeBase:
    """Per-family observations from every source, resolved to sets."""

    def __init__(self):
        self._obs = collections.OrderedDict()   # casefold -> [(rank, seq, source, name, set)]
        self._seq = 0
        self.rejected = []

    def add(self, source, raw_name, set_name):
        name = clean_name(raw_name)
        if name is None:
            self.rejected.append((source, raw_name))
            return
        assert set_name in SET_NAMES, set_name
        self._seq += 1
        self._obs.setdefault(name.casefold(), []).append(
            (RANK[source], self._seq, source, name, set_name))

    def knows(self, raw_name):
        name = clean_name(raw_name)
        return name is not None and name.casefold() in self._obs

    def _resolve_one(self, obs):
        obs = sorted(obs)
        best = obs[0]
        name = best[3]
        if best[2] == "spelling":
            return name, [o[4] for o in obs if o[2] == "spelling"]
        if best[2] in ("curated", "script", "correction", "fontconfig-override"):
            return name, [best[4]]
        # Monospaced is what a coding font is, whatever style its letters have besides; icon
        # fonts, which some sources file as monospace, stay symbols.
        if best[4] != "Symbol" and any(o[4] == "Monospace" or MONOSPACED_NAME.search(o[3])
                                       for o in obs):
            return name, ["Monospace"]
        sets = [best[4]]
        # fontconfig is curated independently of the web catalogues; when the
        # two disagree the family is listed under both rather than guessing.
        if best[2] in GOOGLE_DERIVED:
            fc = [o for o in obs if o[2] == "fontconfig"]
            if fc and fc[0][4] not in sets:
                sets.append(fc[0][4])
        return name, sets

    def resolve(self):
        """Returns {casefold: (name, [sets], {sources})}."""
        out = {}
        for key, obs in self._obs.items():
            name, sets = self._resolve_one(obs)
            out[key] = (name, sets, {o[2] for o in obs})
        return out

    def propagate_aliases(self, groups):
        """Classifies unclassified metric-compatible families like their group."""
        resolved = self.resolve()
        for group in groups:
            votes = collections.Counter()
            for fam in group:
                entry = resolved.get(fam.casefold())
                if entry:
                    votes[entry[1][0]] += 1
            if not votes:
                continue
            top = max(votes.values())
            group_set = next(s for s in SET_NAMES if votes[s] == top)
            for fam in group:
                if not self.knows(fam):
                    self.add("fontconfig-metric-alias", fam, group_set)

    def rows(self):
        rows = []
        for name, sets, _ in self.resolve().values():
            rows.extend((s, name) for s in sets)
        return sort_rows(rows)


def add_fontconfig_classes(kb, paths):
    seen = set()
    for path in paths:
        for fam, generic in fontconfig_class_observations(path):
            if generic not in FONTCONFIG_CLASSES:
                continue
            # A family fontconfig files under several generics keeps the first.
            if fam.casefold() in seen:
                continue
            seen.add(fam.casefold())
            source = "fontconfig-override" if generic in FONTCONFIG_OVERRIDING_CLASSES else "fontconfig"
            kb.add(source, fam, FONTCONFIG_CLASSES[generic])


def add_corrections(kb, corrections):
    for fam, set_name in corrections.items():
        # A stale correction would silently add a family no source knows.
        if not kb.knows(fam):
            raise SourceError(f"correction for {fam!r} no longer matches any source")
        kb.add("correction", fam, set_name)


def add_curated(kb, curated):
    for fam, set_name in curated.items():
        kb.add("curated", fam, set_name)


def add_noto_scripts(kb):
    for name, sets, sources in kb.resolve().values():
        if (name.startswith("Noto ") and name not in NOTO_LATIN and "curated" not in sources
                and set(sets) <= TEXT_SETS):
            kb.add("script", name, "Non-Latin")


def add_spellings(kb, spellings):
    resolved = kb.resolve()
    for spelling, fam in spellings.items():
        # A family the sources no longer list would leave its spelling with no sets.
        entry = resolved.get(fam.casefold())
        if entry is None:
            raise SourceError(f"spelling {spelling!r} names {fam!r}, which no source lists")
        if spelling.casefold() in resolved:
            continue  # listed under this name as well
        for set_name in entry[1]:
            kb.add("spelling", spelling, set_name)


def sort_rows(rows):
    return sorted(rows, key=lambda r: (r[0].casefold(), r[1].casefold(), r))


def check_rows(rows):
    seen = set()
    for set_name, name in rows:
        if set_name not in SET_NAMES:
            raise SourceError(f"bad set {set_name!r}")
        if clean_name(name) != name or "\t" in name:
            raise SourceError(f"bad family name {name!r}")
        key = (set_name.casefold(), name.casefold())
        if key in seen:
            raise SourceError(f"duplicate row {set_name!r} {name!r}")
        seen.add(key)


def write_tsv(path, rows):
    check_rows(rows)
    text = HEADER + "\n" + "".join(f"{s}\t{n}\n" for s, n in rows)
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write(text)


def stable_order(set_name, name):
    return hashlib.sha256(f"{set_name}\t{name}".encode("utf-8")).hexdigest()


def new_auto_rows(kb):
    resolved = kb.resolve()
    for set_name, name in CURATED_NOT_IN_KB:
        if kb.knows(name):
            raise SourceError(f"{name!r} is now in the knowledge base; "
                              "pick another family for the conversion file")
    # Prefer families fontconfig knows, i.e. installed desktop fonts, so the
    # file looks like what an older version would have recorded.
    desktop = {key for key, (_, _, sources) in resolved.items()
               if sources & {"fontconfig", "fontconfig-override", "fontconfig-metric-alias"}}
    picked = []
    for set_name in SET_NAMES:
        candidates = [(key in desktop, name) for key, (name, sets, _) in resolved.items()
                      if set_name in sets]
        candidates.sort(key=lambda c: (not c[0], stable_order(set_name, c[1])))
        picked.extend((set_name, name) for _, name in candidates[:KB_ROWS_IN_NEW_AUTO[set_name]])
    return sort_rows(picked + list(CURATED_NOT_IN_KB))


def build(args):
    kb = KnowledgeBase()
    for fam, set_name in google_metadata_observations(args.google_font_metadata):
        kb.add("google-font-metadata", fam, set_name)
    for fam, set_name in google_complete_observations(args.google_fonts_complete):
        kb.add("google-fonts-complete", fam, set_name)
    for fam, set_name in capsize_observations(args.capsize_dump):
        kb.add("capsize", fam, set_name)
    add_fontconfig_classes(kb, [os.path.join(args.fontconfig_dir, f)
                                for f in FONTCONFIG_CLASS_FILES])
    add_corrections(kb, CORRECTIONS)
    add_curated(kb, CURATED)
    add_noto_scripts(kb)
    kb.propagate_aliases(fontconfig_alias_groups(
        os.path.join(args.fontconfig_dir, FONTCONFIG_ALIAS_FILE)))
    add_spellings(kb, DEBIAN_SPELLINGS)

    rows = kb.rows()
    write_tsv(os.path.join(args.out_dir, "autoassign.tsv"), rows)
    new_auto = new_auto_rows(kb)
    write_tsv(os.path.join(args.out_dir, "new_auto.tsv"), new_auto)
    write_readme(os.path.join(args.out_dir, "licenses", "README.md"), kb, args.versions)
    report(kb, rows, new_auto)


def source_counts(kb):
    """Families each source classifies, and families whose first set it decided."""
    listed = collections.Counter()
    decided = collections.Counter()
    for obs in kb._obs.values():
        for source in {o[2] for o in obs}:
            listed[source] += 1
        decided[min(obs)[2]] += 1
    return listed, decided


def write_readme(path, kb, versions):
    listed, decided = source_counts(kb)
    fc = "fontconfig"
    lines = [
        "# Knowledge base sources",
        "",
        "`data/autoassign.tsv` maps known font family names to one of seven sets",
        "(Serif, Sans Serif, Monospace, Script, Decorative, Symbol, Non-Latin).",
        "`data/new_auto.tsv` is a conversion file in the format older versions",
        "wrote: part of it repeats knowledge-base rows, the rest are classic",
        "desktop families the sources do not list.",
        "",
        "Both are generated; do not edit them by hand. To regenerate:",
        "",
        "    tools/knowledge-base/regenerate.sh",
        "",
        "The script unpacks the pinned npm packages into a temporary folder, reads",
        "fontconfig's configuration from the system, and rewrites the files above.",
        "Running it twice gives byte-identical output.",
        "",
        "## Sources",
        "",
        "| Source | Version | Licence | Notice | Families listed | First set decided |",
        "|---|---|---|---|---|---|",
        f"| google-font-metadata (`data/api-response.json`, `data/icons-response.json`) "
        f"| {versions['google-font-metadata']} | MIT | google-font-metadata-LICENSE.txt "
        f"| {listed['google-font-metadata']} | {decided['google-font-metadata']} |",
        f"| google-fonts-complete (`google-fonts.json`) | {versions['google-fonts-complete']} "
        f"| CC0-1.0 | google-fonts-complete-LICENSE.md | {listed['google-fonts-complete']} "
        f"| {decided['google-fonts-complete']} |",
        f"| @capsizecss/metrics (`entireMetricsCollection`) | {versions['@capsizecss/metrics']} "
        f"| MIT | capsizecss-metrics-LICENSE.txt | {listed['capsize']} | {decided['capsize']} |",
        f"| fontconfig family classes ({', '.join(FONTCONFIG_CLASS_FILES)}) "
        f"| {versions['fontconfig-config']} | MIT-style | fontconfig-COPYING.txt "
        f"| {listed[fc] + listed['fontconfig-override']} "
        f"| {decided[fc] + decided['fontconfig-override']} |",
        f"| fontconfig metric-compatible aliases ({FONTCONFIG_ALIAS_FILE}) "
        f"| {versions['fontconfig-config']} | MIT-style | fontconfig-COPYING.txt "
        f"| {listed['fontconfig-metric-alias']} | {decided['fontconfig-metric-alias']} |",
        f"| CORRECTIONS in tools/knowledge-base/build_kb.py | - | - | - "
        f"| {listed['correction']} | {decided['correction']} |",
        f"| CURATED in tools/knowledge-base/build_kb.py | - | - | - "
        f"| {listed['curated']} | {decided['curated']} |",
        f"| NOTO_LATIN in tools/knowledge-base/build_kb.py (Noto script families) "
        f"| - | - | - | {listed['script']} | {decided['script']} |",
        f"| DEBIAN_SPELLINGS in tools/knowledge-base/build_kb.py | - | - | - "
        f"| {listed['spelling']} | {decided['spelling']} |",
        "",
        "## How categories become sets",
        "",
        "- Google categories (all three npm sources): serif -> Serif,",
        "  sans-serif -> Sans Serif, monospace -> Monospace, handwriting -> Script,",
        "  display -> Decorative, icons -> Symbol.",
        "- fontconfig generics: serif, sans-serif, monospace -> the set of that name;",
        "  cursive -> Script; fantasy -> Decorative; emoji, math -> Symbol.",
        "  system-ui describes a role rather than a look and is not used.",
        "- Precedence for a family's set: fontconfig emoji/math first (the web",
        "  catalogues give these fonts a text style), then google-font-metadata,",
        "  google-fonts-complete, @capsizecss/metrics, fontconfig classes, and",
        "  finally the class shared by a family's metric-compatible group.",
        "- A family that any source files as monospace, or whose name has the word",
        "  Mono, Monospace, Monospaced, Code or Coding, is in Monospace only (icon",
        "  fonts, which some sources file as monospace, stay in Symbol; curated",
        "  fonts for other scripts are in Non-Latin).",
        "- Otherwise a family gets a second set only when fontconfig's class",
        "  disagrees with the set taken from the web catalogues.",
        "- A handful of symbol, music and math families that the sources file",
        "  under a text style are corrected to Symbol (see CORRECTIONS in",
        "  tools/knowledge-base/build_kb.py).",
        "- Classic symbol fonts (Wingdings, Webdings, Symbol, Symbola, OpenSymbol,",
        "  Marlett and others) and desktop monospace families (Hack, Noto Mono) that",
        "  no source lists are added from a curated list (CURATED), with the OpenType",
        "  and Type 1 families of Debian's font packages (URW base 35 under both",
        "  names, TeX Gyre, STIX, Linux Libertine, Gentium, FontAwesome, ...).",
        "- Fonts for other writing systems are in Non-Latin: the Noto families other",
        "  than Noto Sans, Noto Serif and their Display cuts (each draws one script),",
        "  and curated CJK and Arabic families (Noto CJK, Source Han, WenQuanYi,",
        "  Droid Sans Fallback, Kacst).",
        "- Families that Debian's font packages name differently from the sources",
        "  (Noto Sans Symbols2, Noto Looped Thai, the Noto Sans Tifinagh variants, ...)",
        "  get the sets of the family they name (DEBIAN_SPELLINGS).",
        "- CSS keywords listed as families (-apple-system, BlinkMacSystemFont) are",
        "  dropped.",
        "",
    ]
    with open(path, "w", encoding="utf-8", newline="\n") as f:
        f.write("\n".join(lines))


def report(kb, rows, new_auto):
    per_set = collections.Counter(s for s, _ in rows)
    families = {n.casefold() for _, n in rows}
    kb_keys = {(s.casefold(), n.casefold()) for s, n in rows}
    shared = sum((s.casefold(), n.casefold()) in kb_keys for s, n in new_auto)
    print(f"autoassign.tsv: {len(rows)} rows, {len(families)} families", file=sys.stderr)
    for s in SET_NAMES:
        print(f"  {s}: {per_set[s]}", file=sys.stderr)
    print(f"new_auto.tsv: {len(new_auto)} rows, {shared} also in the knowledge base",
          file=sys.stderr)
    for source, name in kb.rejected:
        print(f"  dropped {name!r} from {source}", file=sys.stderr)


def parse_args(argv):
    p = argparse.ArgumentParser(description=__doc__)
    p.add_argument("--google-font-metadata", required=True)
    p.add_argument("--google-fonts-complete", required=True)
    p.add_argument("--capsize-dump", required=True)
    p.add_argument("--fontconfig-dir", required=True)
    p.add_argument("--out-dir", required=True)
    p.add_argument("--version", action="append", default=[], metavar="NAME=VERSION")
    args = p.parse_args(argv)
    args.versions = dict(v.split("=", 1) for v in args.version)
    return args


def main(argv):
    try:
        build(parse_args(argv))
    except SourceError as e:
        print(f"build_kb: {e}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
