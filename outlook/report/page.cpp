// The outlook report: one self-contained HTML page (inline CSS and SVG, no
// script, no external file) that reads on a narrow screen and prints on A4.
// Every text that comes from a file, a file name or an argument is escaped
// here; the charts are the companion's own SVG, whose texts are escaped where
// they are drawn.
#include "outlook/report/report.hpp"

namespace outlook {
namespace {

constexpr std::string_view style =
    "<style>\n"
    ":root{color-scheme:light}\n"
    "body{font-family:'DejaVu Sans',Verdana,sans-serif;color:#222;background:#fff;margin:0 auto;"
    "padding:1rem;max-width:1060px;line-height:1.4}\n"
    "h1{font-size:1.5rem;margin:0 0 .3rem}h2{font-size:1.15rem;margin:1.6rem 0 .5rem;"
    "border-bottom:1px solid #ccc}\n"
    "p.facts{margin:.2rem 0;color:#444}\n"
    "pre.check{white-space:pre-wrap;word-break:break-word;background:#f6f6f6;padding:.6rem;"
    "border-left:4px solid #4292c6;font-size:.85rem}\n"
    "pre.check.failed{border-left-color:#d94801}\n"
    "figure{margin:.6rem 0;break-inside:avoid}figure svg{width:100%;height:auto;display:block}\n"
    "figcaption{font-size:.85rem;color:#555}\n"
    ".grid{display:grid;grid-template-columns:repeat(auto-fill,minmax(min(420px,100%),1fr));gap:.6rem}\n"
    ".scroll{overflow-x:auto}\n"
    "table{border-collapse:collapse;font-size:.85rem;margin:.4rem 0}\n"
    "th,td{padding:.2rem .5rem;border-bottom:1px solid #e3e3e3;text-align:right;white-space:nowrap}\n"
    "th{background:#f0f4f8;vertical-align:bottom}td:first-child,th:first-child{text-align:left}\n"
    "caption{text-align:left;font-weight:bold;padding:.2rem 0}\n"
    "p.note{font-size:.85rem;color:#555}\n"
    "@media (max-width:600px){body{padding:.5rem}h1{font-size:1.2rem}table{font-size:.75rem}}\n"
    "@page{size:A4;margin:14mm}\n"
    "@media print{body{max-width:none;padding:0}h2{break-after:avoid}.scroll{overflow:visible}"
    "table{font-size:8pt}.grid{grid-template-columns:repeat(2,1fr)}section{break-inside:auto}}\n"
    "</style>\n";

// An SVG document of ours as an element of the page: without its XML declaration.
std::string_view inlinesvg(std::string_view svg) {
    if (svg.starts_with("<?xml")) {
        const std::size_t end = svg.find("?>");
        if (end != std::string_view::npos) svg.remove_prefix(end + 2);
        while (!svg.empty() && (svg.front() == '\n' || svg.front() == '\r')) svg.remove_prefix(1);
    }
    return svg;
}

void figure(std::string& out, const reportfigure& f) {
    out += "<figure id=\"" + markupescaped(f.id) + "\">\n";
    out += inlinesvg(f.svg);
    if (!f.caption.empty()) out += "<figcaption>" + markupescaped(f.caption) + "</figcaption>\n";
    out += "</figure>\n";
}

void table(std::string& out, const reporttable& t) {
    out += "<div class=\"scroll\"><table id=\"" + markupescaped(t.id) + "\">\n";
    if (!t.caption.empty()) out += "<caption>" + markupescaped(t.caption) + "</caption>\n";
    out += "<thead><tr>";
    for (const std::string& h : t.headers) out += "<th scope=\"col\">" + markupescaped(h) + "</th>";
    out += "</tr></thead>\n<tbody>\n";
    for (const auto& row : t.rows) {
        out += "<tr>";
        for (const std::string& cell : row) out += "<td>" + markupescaped(cell) + "</td>";
        out += "</tr>\n";
    }
    out += "</tbody></table></div>\n";
}

void section(std::string& out, const reportsection& s) {
    out += "<section id=\"" + markupescaped(s.id) + "\">\n<h2>" + markupescaped(s.heading) + "</h2>\n";
    for (const std::string& p : s.paragraphs) out += "<p>" + markupescaped(p) + "</p>\n";
    if (!s.preformatted.empty())
        out += std::string("<pre class=\"check") + (s.alert ? " failed" : "") + "\">" + markupescaped(s.preformatted) +
               "</pre>\n";
    for (const reporttable& t : s.tables) table(out, t);
    if (s.figures.size() > 1) out += "<div class=\"grid\">\n";
    for (const reportfigure& f : s.figures) figure(out, f);
    if (s.figures.size() > 1) out += "</div>\n";
    for (const std::string& n : s.notes) out += "<p class=\"note\">" + markupescaped(n) + "</p>\n";
    out += "</section>\n";
}

}  // namespace

std::string reportpage(const reportcontent& content) {
    std::string out =
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\"/>\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\"/>\n<title>" +
        markupescaped(content.title) + "</title>\n";
    out += style;
    out += "</head>\n<body>\n<header>\n<h1>" + markupescaped(content.title) + "</h1>\n";
    for (const std::string& fact : content.facts) out += "<p class=\"facts\">" + markupescaped(fact) + "</p>\n";
    out += "</header>\n<main>\n";
    for (const reportsection& s : content.sections) section(out, s);
    out += "</main>\n</body>\n</html>\n";
    return out;
}

}  // namespace outlook
