#include "platform/ui/web/HTMLMasterStyle.h"

namespace ui {

const char* htmlMasterStyleSheet() {
  return R"CSS(
html { display: block; height: 100%; width: 100%; position: relative; }
head, meta, title, link, style, script, template, base { display: none; }
body { display: block; margin: 8px; height: 100%; width: 100%; }
p { display: block; margin-top: 1em; margin-bottom: 1em; }
b, strong { display: inline; font-weight: bold; }
i, em, cite, var, dfn { display: inline; font-style: italic; }
u, ins { text-decoration: underline; }
s, strike, del { text-decoration: line-through; }
small { font-size: smaller; }
big { font-size: larger; }
sub { vertical-align: sub; font-size: smaller; }
sup { vertical-align: super; font-size: smaller; }
center { text-align: center; display: block; }
a:link { text-decoration: underline; color: #0000ee; cursor: pointer; }
h1, h2, h3, h4, h5, h6, div, section, article, header, footer, nav, aside, main, figure, figcaption,
address, blockquote, form, fieldset, details, summary { display: block; }
h1 { font-weight: bold; margin-top: 0.67em; margin-bottom: 0.67em; font-size: 2em; }
h2 { font-weight: bold; margin-top: 0.83em; margin-bottom: 0.83em; font-size: 1.5em; }
h3 { font-weight: bold; margin-top: 1em; margin-bottom: 1em; font-size: 1.17em; }
h4 { font-weight: bold; margin-top: 1.33em; margin-bottom: 1.33em; }
h5 { font-weight: bold; margin-top: 1.67em; margin-bottom: 1.67em; font-size: 0.83em; }
h6 { font-weight: bold; margin-top: 2.33em; margin-bottom: 2.33em; font-size: 0.67em; }
blockquote { margin: 1em 40px; }
figure { margin: 1em 40px; }
hr { display: block; margin: 0.5em auto; border-style: inset; border-width: 1px; border-color: #c0c0c0; }
br { display: inline-block; }
img, video, audio { display: inline-block; }
pre, xmp, plaintext, listing { display: block; font-family: monospace; white-space: pre; margin: 1em 0; }
code, kbd, samp, tt { font-family: monospace; }
ul, menu, dir { display: block; list-style-type: disc; margin-top: 1em; margin-bottom: 1em; padding-left: 40px; }
ol { display: block; list-style-type: decimal; margin-top: 1em; margin-bottom: 1em; padding-left: 40px; }
li { display: list-item; }
ul ul, ol ul { list-style-type: circle; }
ol ol ul, ol ul ul, ul ol ul, ul ul ul { list-style-type: square; }
dd { display: block; margin-left: 40px; }
dl { display: block; margin-top: 1em; margin-bottom: 1em; }
dt { display: block; }
ol ul, ul ol, ul ul, ol ol { margin-top: 0; margin-bottom: 0; }
table { display: table; border-collapse: separate; border-spacing: 2px; border-top-color: gray;
        border-left-color: gray; border-bottom-color: black; border-right-color: black; }
thead, tbody, tfoot { display: table-row-group; vertical-align: middle; }
tr { display: table-row; vertical-align: inherit; }
td, th { display: table-cell; vertical-align: inherit; padding: 1px; }
th { font-weight: bold; text-align: center; }
caption { display: table-caption; text-align: center; }
input, select, textarea, button { display: inline-block; }
)CSS";
}

}  // namespace ui
