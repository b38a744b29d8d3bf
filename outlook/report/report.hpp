// outlook report: the page of an outlook for people, to read, print or send. One
// self-contained HTML page (inline CSS and SVG, no script, no external file), its
// content made section by section from what the other rooms found: the dry run,
// the charts, the monthly statistics, the weights, the climate outlook and the
// verification scores.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "outlook/charts/charts.hpp"
#include "outlook/hindcast/hindcast.hpp"
#include "outlook/model/model.hpp"
#include "outlook/verification/verification.hpp"
#include "outlook/weighting/weighting.hpp"

namespace outlook {

// ---------------------------------------------------------------------------
// The page (page.cpp)
// ---------------------------------------------------------------------------

// One of the companion's SVG charts, placed on the page with its id.
struct reportfigure {
    std::string id;
    std::string caption;
    std::string svg;
};

// A table of texts for people (already rounded), with its header.
struct reporttable {
    std::string id;
    std::string caption;
    std::vector<std::string> headers;
    std::vector<std::vector<std::string>> rows;
};

struct reportsection {
    std::string id;
    std::string heading;
    std::vector<std::string> paragraphs;
    std::string preformatted;  // lines as they are (the check's report)
    bool alert = false;        // the preformatted lines tell of a failure
    std::vector<reportfigure> figures;
    std::vector<reporttable> tables;
    std::vector<std::string> notes;
};

struct reportcontent {
    std::string title;
    std::vector<std::string> facts;  // lines under the title
    std::vector<reportsection> sections;
};

// The whole page: every text of content escaped, the figures' SVG inline.
std::string reportpage(const reportcontent& content);

// ---------------------------------------------------------------------------
// The sections of an outlook (outlookreport.cpp, verificationsection.cpp)
// ---------------------------------------------------------------------------

// One row of a climate outlook as the report shows it.
struct reportclimaterow {
    std::string days;      // "2025-06-01 to 2025-08-31"
    std::string variable;  // precip, evap, runoff or nbs
    tercileshares asked, got;
};

// What the report of an outlook is made from besides its tables.
struct reportinputs {
    std::string dir;              // the directory of the tables, as people find it
    std::string made;             // when the page was made, for people
    std::vector<double> weights;  // one per scenario of the ensemble; empty for equal weights
    std::string weightsfrom;      // where they come from, for people
    std::vector<reportclimaterow> climate;
    std::string climatefrom;
    std::optional<pooledscores> verification;  // the scores month by month, when observed
    std::string observedfrom;
    std::optional<hindcastfile> hindcast;  // a hindcast of the same method, when given
    std::string hindcastfrom;
};

// The verification section: the pooled scores for people, the histograms and a
// Class labels 1 to n, of the histograms.
std::vector<std::string> numbered(std::size_t n);
// The reliability diagram of a threshold, a point a tenth of the forecast shares;
// its id begins with idprefix, so that two sections of a page keep theirs apart.
reportfigure reliabilityfigure(const brierparts& b, std::string_view idprefix);

// reliability diagram per Brier threshold.
reportsection verificationsection(const pooledscores& pooled, std::string_view from);

// The hindcast section: the skill by lead with its interval, the PIT histogram, a
// reliability diagram per threshold, the scores by lead and the skill in words.
reportsection hindcastsection(const hindcastfile& h, std::string_view from);

// The sections of an outlook's report: the check of its directory, the fan
// chart, the exceedance curves, the monthly summary of flows and depths, and
// those of the weights, the climate outlook, the verification and the hindcast
// when given.
reportcontent outlookreport(const ensemble& e, const reportinputs& in);

}  // namespace outlook
