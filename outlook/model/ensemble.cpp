// The tables of one outlook as one ensemble.
#include "outlook/model/model.hpp"

namespace outlook {

ensemble makeensemble(std::vector<table> tables) {
    if (tables.empty()) throw readerror("no tables to read");
    ensemble e;
    e.lake = tables.front().lake;
    e.firstday = tables.front().firstday;
    e.lastday = tables.front().lastday;
    e.lakeindex = rerove_tivorn_subs::lakeindexoftablename(e.lake);
    for (auto& t : tables) {
        if (t.lake != e.lake)
            throw readerror("the tables are not of one lake: scenario " + std::to_string(t.year) + " is of " + t.lake +
                            ", scenario " + std::to_string(tables.front().year) + " of " + e.lake);
        if (t.firstday != e.firstday || t.lastday != e.lastday)
            throw readerror("the tables are not of one outlook: scenario " + std::to_string(t.year) + " covers " +
                            isodate(t.firstday) + " to " + isodate(t.lastday) + ", scenario " +
                            std::to_string(tables.front().year) + " " + isodate(e.firstday) + " to " +
                            isodate(e.lastday));
        e.years.push_back(t.year);
        e.values.push_back(std::move(t.values));
    }
    return e;
}

}  // namespace outlook
