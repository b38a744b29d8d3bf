// File unit registry: hands out unit numbers and remembers the units this
// process opened, so that every way out of a run can close them.
#include <algorithm>

#include "errorprocess/errorprocess.hpp"
#include "iolayer/iolayer.hpp"
#include "keldautil/keldautil.hpp"

namespace keldautil {

void clearfilesopen() {
    openedfiles = 0;
    openedfileunits.fill(-1);
}

std::int32_t getfreeunitnumber() {
    for (std::int32_t unit = firstunitnumber; unit <= lastunitnumber; ++unit) {
        if (unitisavailable(unit)) return unit;
    }
    errorprocess::raiseerror("Unable to get available unit number");
    return -1;
}

bool filewasopened(std::int32_t unit) {
    const std::int32_t n = std::clamp(openedfiles, 0, maxopenedfiles);
    auto* const end = openedfileunits.begin() + n;
    if (std::find(openedfileunits.begin(), end, unit) != end) {
        errorprocess::raiseerror("Unit " + iolayer::formati0(unit) + " was already OPEN!");
        return true;
    }
    if (n < maxopenedfiles) {
        openedfileunits[static_cast<std::size_t>(n)] = unit;
        openedfiles = n + 1;
        return false;
    }
    errorprocess::raiseerror("Programmed limit on number of open files was exceeded!");
    return true;
}

bool filewasclosed(std::int32_t unit) {
    const std::int32_t n = std::clamp(openedfiles, 0, maxopenedfiles);
    std::int32_t found = -1;
    for (std::int32_t i = 0; i < n; ++i) {
        if (openedfileunits[static_cast<std::size_t>(i)] == unit) found = i;
    }
    if (found < 0) return false;
    // The last entry moves into the freed position.
    openedfileunits[static_cast<std::size_t>(found)] = openedfileunits[static_cast<std::size_t>(n - 1)];
    openedfileunits[static_cast<std::size_t>(n - 1)] = -1;
    openedfiles = n - 1;
    return true;
}

std::int32_t openregistered(std::string_view name, iolayer::Access access, std::int32_t reclen,
                            std::string_view openerror) {
    const std::int32_t unit = getfreeunitnumber();
    if (unit < 0) return -1;
    if (iolayer::openexisting(unit, hostpath(name), access, iolayer::Action::read, reclen) != iolayer::Status::ok) {
        errorprocess::raiseerror(openerror);
        return -1;
    }
    if (filewasopened(unit)) return -1;
    return unit;
}

void closeregistered(std::int32_t unit) {
    (void)iolayer::closeunit(unit);  // read in full: a failed close loses nothing
    (void)filewasclosed(unit);
}

void closeallfiles() {
    const std::int32_t n = std::clamp(openedfiles, 0, maxopenedfiles);
    for (std::int32_t i = n - 1; i >= 0; --i) {
        auto& slot = openedfileunits[static_cast<std::size_t>(i)];
        (void)iolayer::closeunit(slot);  // a unit that fails to close is no error
        slot = -1;
    }
    openedfiles = 0;
}

bool unitisinuse(std::int32_t unit) {
    bool isopen = false;
    if (iolayer::inquireunit(unit, isopen) != iolayer::Status::ok) return true;
    return isopen;
}

bool unitisavailable(std::int32_t unit) { return !unitisinuse(unit); }

bool fileisopen(std::int32_t unit) { return !unitisavailable(unit); }

}  // namespace keldautil
