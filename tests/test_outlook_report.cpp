// The report page and its texts for people.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <limits>

#include "outlook/outlook.hpp"

namespace {

TEST(OutlookPeople, NumbersRoundedWithThousandsSeparated) {
    for (const auto& [value, decimals, text] :
         std::vector<std::tuple<double, int, std::string>>{{0, 0, "0"},
                                                           {999.4, 0, "999"},
                                                           {999.5, 0, "1,000"},
                                                           {1234567.891, 1, "1,234,567.9"},
                                                           {-1630, 0, "−1,630"},
                                                           {-0.04, 1, "0.0"},
                                                           {123456, 0, "123,456"},
                                                           {std::numeric_limits<double>::quiet_NaN(), 0, "–"}})
        EXPECT_EQ(outlook::forpeople(value, decimals), text) << value;
    EXPECT_EQ(outlook::markupescaped("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
    EXPECT_EQ(outlook::lakenameof(2, "?"), "Mich-Huron");
    EXPECT_EQ(outlook::lakenameof(0, "?"), "?");
}

// Every text of the content reaches the page as text; the figures stay elements.
TEST(OutlookReport, EveryTextEscapedAndFiguresInline) {
    const std::string markup = "<b>x</b>&\"'";
    outlook::reportcontent c;
    c.title = markup;
    c.facts = {markup};
    outlook::reportsection s{markup, markup, {markup}, markup, true, {}, {}, {markup}};
    s.figures.push_back({"fig", markup, "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>\n"});
    s.tables.push_back({"tab", markup, {markup}, {{markup}}});
    c.sections.push_back(s);
    const std::string page = outlook::reportpage(c);
    EXPECT_EQ(page.find("<b>"), std::string::npos);
    EXPECT_EQ(page.find("<?xml"), std::string::npos);
    EXPECT_TRUE(page.starts_with("<!DOCTYPE html>\n"));
    pugi::xml_document doc;  // the page is well-formed: every element closed
    ASSERT_TRUE(doc.load_string(page.substr(page.find("<html")).c_str())) << page;
    const std::string shown = "<b>x</b>&\"'";
    EXPECT_EQ(doc.select_node("//h1").node().text().as_string(), shown);
    EXPECT_EQ(doc.select_node("//td").node().text().as_string(), shown);
    EXPECT_EQ(doc.select_node("//pre[@class='check failed']").node().text().as_string(), shown);
    EXPECT_EQ(doc.select_nodes("//section").first().node().attribute("id").as_string(), shown);
    EXPECT_TRUE(doc.select_node("//figure[@id='fig']/*[local-name()='svg']"));
    EXPECT_EQ(doc.select_nodes("//p").size(), 3U);  // a fact, a paragraph, a note
}

TEST(OutlookReport, HistogramBarsAndLabels) {
    const std::vector<std::string> labels = {"1", "2", "3"};
    const std::vector<double> counts = {2, 0.5, 4};
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(outlook::histogramchart("PIT <&>", labels, counts).c_str()));
    EXPECT_EQ(doc.select_nodes("//rect[@class='bar']").size(), 3U);
    EXPECT_STREQ(doc.select_node("//text").node().text().as_string(), "PIT <&>");
    EXPECT_TRUE(doc.select_node("//text[.='0.5']"));
}

TEST(OutlookReport, ReliabilityPointsTheDiagonalAndCounts) {
    const std::vector<outlook::reliabilitymark> marks = {{0.95, 0.5, 2}, {0.05, 0.25, 12}, {0.55, 0.6, 3}};
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(outlook::reliabilitychart("Above <&>", marks).c_str()));
    EXPECT_STREQ(doc.select_node("//text").node().text().as_string(), "Above <&>");
    EXPECT_EQ(doc.select_nodes("//circle[@class='point']").size(), 3U);
    EXPECT_TRUE(doc.select_node("//line[@class='diagonal']"));
    // By forecast: the largest count the largest point.
    const auto circles = doc.select_nodes("//circle");
    EXPECT_GT(circles[0].node().attribute("r").as_double(), circles[1].node().attribute("r").as_double());
    EXPECT_TRUE(doc.select_node("//text[@class='count' and .='12']"));
    // The verification section draws one a threshold, with the ROC area in its table.
    outlook::pooledscores pooled;
    pooled.brier.push_back({100, 0.2, 0, 0, 0, 0, 0.75, {{0, 0.05, 0.25, 12}}});
    const outlook::reportsection section = outlook::verificationsection(pooled, "x");
    EXPECT_EQ(section.figures.back().id, "reliability-100");
    EXPECT_EQ(section.tables.at(0).rows.back(), (std::vector<std::string>{"ROC area above 100", "0.750"}));
}

}  // namespace
