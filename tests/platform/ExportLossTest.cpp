// What replacing a page's whole head loses, from the part Export replaces as
// the parser reads it.
#include <gtest/gtest.h>

#include <string>

#include "core/pages/ExportLoss.h"
#include "platform/HtmlOutline.h"

namespace verdo {
namespace {

TEST(ExportLoss, NamesWhatTheFormDoesntOwn) {
  const struct {
    const char* Name;
    std::string HeadPart;  // the whole page when not found
    bool Found;
    std::string Dropped;  // in plain words; empty when nothing is
    bool SecondHead;
  } cases[] = {{"SixLinePage", "<HTML>\r\n<HEAD>\r\n<TITLE>Old</TITLE>\r\n</HEAD>\r\n", true, "", false},
               // Its own output, every meta of the head block in any case, the
               // declaration and the credits: nothing.
               {"OwnOutput",
                "<HTML>\n<HEAD>\n<meta charset=utf-8>\n<TITLE>t</TITLE>\n<META NAME=\"Description\" CONTENT=\"\">\n"
                "<meta name=keywords><meta name=author><meta name=copyright><meta name=robots>\n"
                "<meta http-equiv=Expires><meta name=distribution><meta name=revisit-after>\n"
                "<!-- Meta Tags Generated with Verdo - Meta Tag Generator.  -->\n"
                "<!-- More Information:  https://verdo.example.org/  -->\n\n</HEAD>",
                true, "", false},
               // Export repeats one character-set declaration, in whichever form: any other one goes.
               {"SecondDeclarations",
                "<head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=iso-8859-2\">\n"
                "<META CHARSET=utf-8><meta charset=iso-8859-2>\n</head>",
                true, "2 other meta lines", false},
               {"Html5Page",
                "<!DOCTYPE html>\n<html>\n<head>\n<meta name=\"viewport\" content=\"width=device-width\">\n"
                "<link rel=\"stylesheet\" href=\"a.css\"><link rel=\"Alternate Stylesheet\" href=\"b.css\">\n"
                "<link rel=stylesheet href=c.css>\n<script src=a.js></script><script>var x = '</head>';</script>\n"
                "<title>t</title>\n</head>",
                true, "3 stylesheet links, 2 scripts, a viewport line and a document type line", false},
               {"EverythingElse",
                "<?xml version=\"1.0\"?>\n<html lang=en dir=ltr><head profile=x>\n"
                "<link rel=\"shortcut icon\" href=i><link rel=canonical href=c><link rel=alternate href=a>\n"
                "<style>p{}</style><base href=b><noscript><link rel=stylesheet href=n></noscript>\n"
                "<meta property=og:title content=t><meta name=generator content=g><!-- note -->\n"
                "</head>",
                true,
                "an icon link, a canonical link, another link, a style block, an Open Graph line, another meta "
                "line, a base element, a noscript block, a comment, an XML declaration, 2 attributes on the html "
                "tag and an attribute on the head tag",
                false},
               // Markup that ends the head early: its body, its text.
               {"BodyInTheHeadPart", "<head><title>t</title>\n<body onload=f()><div>x</div>hello\n</head>", true,
                "a body tag, another element and a piece of text", false},
               // No closing line with something after it: nothing dropped, but a
               // second head goes in front; a blank page has none to double.
               {"NotFound", "<html><head><title>t</title></head><body></body></html>\n", false, "", true},
               {"NotFoundBlank", "\r\n \n", false, "", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    const HeadLoss loss = c.Found ? FindHeadLoss(OutlineMarkup(c.HeadPart)) : FindSecondHead(c.HeadPart);
    EXPECT_EQ(DescribeDropped(loss), c.Dropped);
    EXPECT_EQ(loss.SecondHead, c.SecondHead);
    EXPECT_EQ(loss.Any(), !c.Dropped.empty() || c.SecondHead);
  }
}

}  // namespace
}  // namespace verdo
