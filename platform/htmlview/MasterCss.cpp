// The page's base styles: how each HTML element shows before the page's own styles apply.
// Sized for a small screen: the body text is 12 pixels and margins are tight.
#include "platform/htmlview/MasterCss.h"

namespace platform::htmlview {

const char* MasterStyleSheet() {
  return R"css(
html { display: block; }
head, script, style, title, meta, link, base { display: none; }
body { display: block; margin: 4px; font-family: "DejaVu Sans"; font-size: 12px; color: black; line-height: normal; }
div, p, center, form, address, blockquote, pre, h1, h2, h3, h4, h5, h6, hr, ul, ol, li, dl, dt, dd { display: block; }
p { margin-top: 0.5em; margin-bottom: 0.5em; }
center { text-align: center; }
pre { white-space: pre; font-family: "DejaVu Sans Mono"; }
blockquote { margin-left: 20px; margin-right: 20px; }
h1 { font-size: 2em; font-weight: bold; margin: 0.4em 0; }
h2 { font-size: 1.5em; font-weight: bold; margin: 0.4em 0; }
h3 { font-size: 1.17em; font-weight: bold; margin: 0.4em 0; }
h4 { font-weight: bold; margin: 0.4em 0; }
h5 { font-size: 0.83em; font-weight: bold; margin: 0.4em 0; }
h6 { font-size: 0.67em; font-weight: bold; margin: 0.4em 0; }
b, strong, th { font-weight: bold; }
i, em, cite, var, address { font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
small { font-size: 0.83em; }
big { font-size: 1.17em; }
sub { vertical-align: sub; font-size: 0.83em; }
sup { vertical-align: super; font-size: 0.83em; }
br { display: block; }
span, font, a, img, label, code, tt, kbd, abbr { display: inline; }
code, tt, kbd { font-family: "DejaVu Sans Mono"; }
a[href] { color: #0000CC; text-decoration: underline; }
img { display: inline-block; }
hr { border: 1px inset gray; margin: 4px 0; height: 0; }
ul, ol { margin: 0.5em 0; padding-left: 24px; }
ul { list-style-type: disc; }
ol { list-style-type: decimal; }
li { display: list-item; }
dd { margin-left: 24px; }
table { display: table; border-collapse: separate; border-spacing: 2px; text-indent: 0; }
table[border] { border: 1px solid black; }
table[border] > tbody > tr > td, table[border] > tr > td,
table[border] > tbody > tr > th, table[border] > tr > th,
table[border] > thead > tr > th, table[border] > thead > tr > td { border: 1px solid black; }
caption { display: table-caption; text-align: center; }
thead { display: table-header-group; vertical-align: middle; }
tbody { display: table-row-group; vertical-align: middle; }
tfoot { display: table-footer-group; vertical-align: middle; }
tr { display: table-row; vertical-align: inherit; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { text-align: center; }
col { display: table-column; }
colgroup { display: table-column-group; }
)css";
}

}  // namespace platform::htmlview
