#include <gtest/gtest.h>

#include "OrdanePlatform/RichText/DocxReader.hpp"
#include "OrdanePlatform/RichText/RtfReader.hpp"
#include "Support/DocumentFixtures.hpp"
#include "Support/TempDir.hpp"

using ordane::platform::DocxReader;
using ordane::platform::RtfReader;
using namespace ordane::testing;

TEST(RtfReader, ReadsTextThroughEscapesCodePagesAndSkippedDestinations) {
    const struct {
        const char* name;
        std::string rtf;
        std::string text;
    } cases[] = {
        {"code page byte", R"({\rtf1\ansi caf\'e9})", "caf\u00e9"},
        {"declared code page", R"({\rtf1\ansi\ansicpg1251 \'c0\'c1})", "\u0410\u0411"},
        {"unicode with fallback", R"({\rtf1 \u8364? euro})", "\u20ac euro"},
        {"longer fallback", R"({\rtf1\uc2 \u8364\'80\'80!})", "\u20ac!"},
        {"fallback ended by a group", R"({\rtf1\uc3 {\u8364?}x})", "\u20acx"},
        {"surrogate pair", R"({\rtf1 \u-10179?\u-8704?})", "\U0001F600"},
        {"tables and info skipped",
         R"({\rtf1{\fonttbl{\f0 Arial;}}{\colortbl;\red0\green0\blue0;}{\stylesheet{\s0 Normal;}}{\info{\title T}}{\*\generator W;}Body})",
         "Body"},
        {"breaks and symbols", R"({\rtf1 a\par b\line c\tab d\{e\}\\f\~g})", "a\nb\nc\td{e}\\f\u00a0g"},
        {"binary data skipped", R"({\rtf1 a{\pict\bin3 x}y}b})", "ab"},
        {"header skipped", R"({\rtf1{\header Page header}Text})", "Text"},
        {"unbalanced closing braces", R"({\rtf1 a}}}b)", "ab"},
        {"hidden topic code", R"({\rtf1 {\uldb Introduction}{\v TOC_0}\par Next})", "Introduction\nNext"},
        {"hidden until switched off", R"({\rtf1 a\v  code\par\'e9\u8364?\tab\v0  b})", "a b"},
        {"hidden until plain", R"({\rtf1 a\v code\plain  b})", "a b"},
        {"hidden until the group ends", R"({\rtf1 a{\b\v code}b})", "ab"},
        {"paragraph reset keeps hidden", R"({\rtf1 a\v code\pard more\v0 b})", "ab"},
        {"hidden with parameter", R"({\rtf1 a\v1 code\v0 b})", "ab"},
        {"tracked deletion", R"({\rtf1 keep{\deleted gone} this})", "keep this"},
        {"field result kept", R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt Site}} ok})", "Site ok"},
        {"old-style field instruction", R"({\rtf1 {\field{\fldinst PAGE}{\fldrslt 3}}})", "3"},
        {"footnote", R"({\rtf1 Claim{\super\chftn}{\footnote\pard {\super\chftn} Source.} holds})",
         "Claim holds"},
        {"comment", R"({\rtf1 Text{\*\atnid J}{\annotation Check this} end})", "Text end"},
        {"index and contents entries", R"({\rtf1 Tax{\xe {\txe Tax}}{\tc Heading} year})", "Tax year"},
        {"numbering definition, number kept",
         R"({\rtf1 {\pntext 1.\tab}{\pn\pnlvlbody{\pntxta .}}Item})", "1.\tItem"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RtfReader::readText(c.rtf), c.text) << c.name;
        RtfReader byteByByte;  // pieces may end anywhere, even inside a control word
        for (char byte : c.rtf) byteByByte.feed(std::string_view(&byte, 1));
        EXPECT_EQ(byteByByte.finish(), c.text) << c.name;
    }
    EXPECT_EQ(RtfReader::readText("plain text, not rtf"), std::nullopt);
    EXPECT_EQ(RtfReader::readText(rtfDocument({"Caf\u00e9 \u20ac5 \U0001F600", "x\ty"})),
              "Caf\u00e9 \u20ac5 \U0001F600\nx\ty\n");
}

TEST(RtfReader, DeepNestingCostsNoStack) {
    const std::string balanced = "{\\rtf1 " + std::string(100000, '{') + "deep" + std::string(100000, '}') + "}";
    EXPECT_EQ(RtfReader::readText(balanced), "deep");
    EXPECT_EQ(RtfReader::readText("{\\rtf1 " + std::string(100000, '{') + "open"), "open");
}

TEST(DocxReader, ReadsOnlyTheBodyTextOnce) {
    TempDir dir;
    const std::string document =
        R"(<w:document xmlns:w="w" xmlns:mc="mc"><w:body>)"
        R"(<w:p><w:pPr><w:tabs><w:tab w:val="left"/></w:tabs></w:pPr><w:r><w:t>Kept</w:t></w:r>)"
        R"(<w:r><w:t xml:space="preserve"> </w:t></w:r><w:del><w:r><w:delText>deleted</w:delText></w:r></w:del>)"
        R"(<w:r><w:instrText>PAGE</w:instrText></w:r><w:r><w:t>words</w:t></w:r></w:p>)"
        R"(<mc:AlternateContent><mc:Choice><w:p><w:r><w:t>In a box</w:t></w:r></w:p></mc:Choice>)"
        R"(<mc:Fallback><w:p><w:r><w:t>In a box</w:t></w:r></w:p></mc:Fallback></mc:AlternateContent>)"
        R"(<w:tbl><w:tr><w:tc><w:p><w:r><w:t>cell</w:t></w:r></w:p></w:tc></w:tr></w:tbl>)"
        R"(<w:sectPr/></w:body></w:document>)";
    writeZip(dir / "a.docx", {{"word/document.xml", document}, {"word/footer1.xml", "<w:ftr>footer</w:ftr>"}});
    EXPECT_EQ(DocxReader::readText(dir / "a.docx"), "Kept words\nIn a box\ncell\n");

    writeZip(dir / "broken.docx", {{"word/document.xml", "<w:document><w:body><w:p>"}});
    EXPECT_EQ(DocxReader::readText(dir / "broken.docx"), std::nullopt);
}
