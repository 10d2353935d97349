// The fonts documents name, and those names matched to installed fonts by every name they have.
#include "catalogue/document_fonts.h"
#include "platform/checked_file.h"
#include "support/documents.h"
#include "support/temp_env.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

using lbtest::writeFile;

QStringList namesOf(const QString& path) {
    const lb::DocumentFonts doc = lb::readDocumentFonts(path);
    EXPECT_EQ(doc.problem, "") << path.toStdString();
    return doc.names;
}

} // namespace

TEST(DocumentFonts, EachFormatGivesItsFamiliesBadFilesAreNamedAndNamesMatchInAnyCase) {
    lbtest::TempEnv env;
    const QString dir = env.home();
    const QString pdf = dir + u"/poster.pdf"_s;

    // Qt embeds subsets under a tag; the names come back without it.
    ASSERT_TRUE(lbtest::writePdf(
        pdf, {env.fixture(u"FixtureSans-Bold.ttf"_s), env.fixture(u"AlphaTest-Regular.ttf"_s)}));
    EXPECT_TRUE(lb::readWholeFile(pdf).contains("+FixtureSans-Bold"));
    EXPECT_EQ(namesOf(pdf), (QStringList{"FixtureSans-Bold", "AlphaTest-Regular"}));
    // Reading stops at its deadline and says so.
    EXPECT_TRUE(lb::readDocumentFonts(pdf, 0).note.contains("only part"));

    writeFile(
        dir + u"/logo.svg"_s,
        R"(<svg xmlns="http://www.w3.org/2000/svg"><style>text { font-family: "Fixture Serif", serif }
.x { font: bold 10px Nowhere; font-family:'Missing Face' !important }</style>
<text font-family="fixture sans, sans-serif">a</text><text style="fill:red;font-family: Beta Test">b</text>
<text font-family="monospace">c</text></svg>)");
    EXPECT_EQ(namesOf(dir + u"/logo.svg"_s),
              (QStringList{"Fixture Serif", "Missing Face", "fixture sans", "Beta Test"}));

    ASSERT_TRUE(lbtest::writeZip(
        dir + u"/letter.odt"_s,
        {{"mimetype", "application/vnd.oasis.opendocument.text"},
         {"content.xml",
          R"(<office:document-content xmlns:office="urn:oasis:names:tc:opendocument:xmlns:office:1.0" xmlns:style="urn:oasis:names:tc:opendocument:xmlns:style:1.0" xmlns:svg="urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0"><office:font-face-decls>
<style:font-face style:name="Sans1" svg:font-family="'Fixture Sans'" style:font-family-generic="swiss"/>
<style:font-face style:name="Gone" svg:font-family="&apos;Gone Grotesk&apos;"/></office:font-face-decls></office:document-content>)"},
         {"META-INF/manifest.xml", "<manifest:manifest xmlns:manifest=\"m\"/>"}}));
    EXPECT_EQ(namesOf(dir + u"/letter.odt"_s), (QStringList{"Fixture Sans", "Gone Grotesk"}));

    ASSERT_TRUE(lbtest::writeZip(
        dir + u"/report.docx"_s,
        {{"[Content_Types].xml", "<Types/>"},
         {"word/fontTable.xml",
          R"(<w:fonts xmlns:w="http://schemas.openxmlformats.org/wordprocessingml/2006/main"><w:font w:name="Fixture Serif"/><w:font w:name="Absent Antiqua"/></w:fonts>)"},
         {"word/theme/theme1.xml",
          R"(<a:theme xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"><a:majorFont><a:latin typeface="Beta Test"/><a:ea typeface=""/></a:majorFont><a:minorFont><a:latin typeface="+mn-lt"/></a:minorFont></a:theme>)"}}));
    EXPECT_EQ(namesOf(dir + u"/report.docx"_s).join('|'), "Fixture Serif|Absent Antiqua|Beta Test");

    writeFile(
        dir + u"/layout.sla"_s,
        R"(<SCRIBUSUTF8NEW><DOCUMENT><CHARSTYLE FONT="Fixture Sans Bold"/><ITEXT FONT="Alpha Test Regular" CH="x"/></DOCUMENT></SCRIBUSUTF8NEW>)");
    EXPECT_EQ(namesOf(dir + u"/layout.sla"_s).join('|'), "Fixture Sans Bold|Alpha Test Regular");
    writeFile(dir + u"/site.css"_s, "h1{font-family:Gamma Test,cursive}p{FONT-FAMILY: inherit}");
    EXPECT_EQ(namesOf(dir + u"/site.css"_s), QStringList{"Gamma Test"});

    // Bad input: each named, nothing read from it.
    const QString encrypted = writeFile(
        dir + u"/secret.pdf"_s,
        "%PDF-1.4\n1 0 obj<</Type/Catalog/Pages 2 0 R>>endobj\n2 0 obj<</Type/Pages/Kids[]/Count "
        "0>>endobj\n3 0 obj<</Filter/Standard/V 1/R 2/O(0123456789abcdef0123456789abcdef)/U("
        "0123456789abcdef0123456789abcdef)/P -4>>endobj\ntrailer<</Size 4/Root 1 0 R/Encrypt 3 0 "
        "R/ID[<30313233><30313233>]>>\n%%EOF\n");
    const QString cut = writeFile(dir + u"/cut.svg"_s, "<svg><text font-family=\"Beta");
    const QString zip = dir + u"/fonts.zip"_s;
    ASSERT_TRUE(lbtest::writeZip(zip, {{"a.txt", "x"}}));
    const QString text = writeFile(dir + u"/notes.txt"_s, "font-family: Beta Test");
    for (const auto& [file, why] : std::vector<std::pair<QString, const char*>>{
             {encrypted, "protected by a password"},
             {cut, "is damaged"},
             {zip, "not a document"},
             {text, "not a kind of document"},
             {dir + u"/absent.pdf"_s, "cannot be opened: No such file or directory."}}) {
        const lb::DocumentFonts doc = lb::readDocumentFonts(file);
        EXPECT_TRUE(doc.problem.startsWith(file + u": "_s) &&
                    doc.problem.contains(QLatin1String(why)))
            << doc.problem.toStdString();
        EXPECT_TRUE(doc.names.isEmpty());
    }

    // The names read match installed fonts by family, full and PostScript name, in any case.
    const QString regular = env.installFixture("FixtureSans-Regular.ttf");
    const QString bold = env.installFixture("FixtureSans-Bold.ttf");
    const QString alpha = env.installFixture("AlphaTest-Regular.ttf");
    const lb::FontNameIndex index = lb::FontNameIndex::installed(
        {{regular, "Fixture Sans"}, {bold, "Fixture Sans"}, {alpha, "Alpha Test"}});
    EXPECT_EQ(index.faces("fixture SANS"), QStringList{"Fixture Sans"});
    EXPECT_EQ(index.faces("Fixture Sans Bold"), QStringList{"Fixture Sans"});
    EXPECT_EQ(index.faces("alphatest-regular"), QStringList{"Alpha Test"});
    EXPECT_EQ(index.faces("Fixture"), QStringList());
}
