// An outlook as a NetCDF-4 file of the classic model, following CF-1.8: the daily
// net basin supply nbs(realization, time) of each scenario year, each value the
// mean over its day, time_bnds the day's start and end.
//
// The file is made in memory and written out as any other file: after a write
// error the HDF5 layer under NetCDF-4 is left in a state that crashes it when it
// closes the file or shuts down, so it is never given a disk to fail on.
#include <dlfcn.h>
#include <netcdf.h>
#include <netcdf_mem.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <type_traits>

#include "outlook/netcdf/netcdf.hpp"

namespace outlook {
namespace {

namespace fs = std::filesystem;

constexpr float fillvalue = -9999.0F;
// Level 1 with the byte shuffle: nearly the size of higher levels on these
// values, at a fraction of the time.
constexpr int deflatelevel = 1;
constexpr std::size_t initialbytes = 1 << 20;

// The NetCDF library is opened when a file is written, not when the program
// starts: loading it and the libraries it needs would cost every other
// subcommand several milliseconds.
struct netcdfapi {
    decltype(&::nc_create_mem) create_mem = nullptr;
    decltype(&::nc_abort) abort = nullptr;
    decltype(&::nc_strerror) strerror = nullptr;
    decltype(&::nc_close_memio) close_memio = nullptr;
    decltype(&::nc_def_dim) def_dim = nullptr;
    decltype(&::nc_def_var) def_var = nullptr;
    decltype(&::nc_put_att_text) put_att_text = nullptr;
    decltype(&::nc_def_var_deflate) def_var_deflate = nullptr;
    decltype(&::nc_def_var_fill) def_var_fill = nullptr;
    decltype(&::nc_def_var_chunking) def_var_chunking = nullptr;
    decltype(&::nc_put_var_double) put_var_double = nullptr;
    decltype(&::nc_put_vara_float) put_vara_float = nullptr;
    decltype(&::nc_put_var_int) put_var_int = nullptr;
    decltype(&::nc_enddef) enddef = nullptr;
};

const netcdfapi& library() {
    static const netcdfapi loaded = [] {
        void* handle = ::dlopen(RT_NETCDF_SONAME, RTLD_NOW | RTLD_LOCAL);
        if (handle == nullptr)
            throw unavailable(std::string("the NetCDF library cannot be loaded (") + ::dlerror() + ")");
        netcdfapi a;
        const auto take = [handle](auto& function, const char* name) {
            void* symbol = ::dlsym(handle, name);
            if (symbol == nullptr) throw unavailable(std::string("the NetCDF library has no ") + name);
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(symbol);
        };
        take(a.create_mem, "nc_create_mem");
        take(a.abort, "nc_abort");
        take(a.strerror, "nc_strerror");
        take(a.close_memio, "nc_close_memio");
        take(a.def_dim, "nc_def_dim");
        take(a.def_var, "nc_def_var");
        take(a.put_att_text, "nc_put_att_text");
        take(a.def_var_deflate, "nc_def_var_deflate");
        take(a.def_var_fill, "nc_def_var_fill");
        take(a.def_var_chunking, "nc_def_var_chunking");
        take(a.put_var_double, "nc_put_var_double");
        take(a.put_vara_float, "nc_put_vara_float");
        take(a.put_var_int, "nc_put_var_int");
        take(a.enddef, "nc_enddef");
        return a;
    }();
    return loaded;
}

// The file's length as its HDF5 superblock records it (its end-of-file address,
// the base address being 0): the library's memory image is rounded up past it
// with zero bytes. The whole image when the superblock is not one of the known
// versions (0 and 1: the address at byte 40 or 44; 2 and 3: at byte 28) with
// 8-byte addresses.
std::size_t hdf5length(std::string_view image) {
    constexpr std::string_view signature = "\x89HDF\r\n\x1a\n";
    if (image.size() < 64 || !image.starts_with(signature)) return image.size();
    const auto version = static_cast<unsigned char>(image[8]);
    std::size_t at = 0;
    if (version <= 1 && image[13] == 8)
        at = version == 0 ? 40 : 44;
    else if ((version == 2 || version == 3) && image[9] == 8)
        at = 28;
    else
        return image.size();
    std::uint64_t end = 0;
    for (std::size_t k = 0; k < 8; ++k)
        end |= static_cast<std::uint64_t>(static_cast<unsigned char>(image[at + k])) << (8 * k);  // little-endian
    return end > 0 && end <= image.size() ? static_cast<std::size_t>(end) : image.size();
}

class ncfile {
public:
    explicit ncfile(const fs::path& file) : file_(file) {
        check(library().create_mem(file.c_str(), NC_NETCDF4 | NC_CLASSIC_MODEL, initialbytes, &id_));
    }
    ncfile(const ncfile&) = delete;
    ncfile& operator=(const ncfile&) = delete;
    ~ncfile() {
        if (id_ >= 0) library().abort(id_);
    }
    void check(int status) const {
        if (status != NC_NOERR)
            throw writeerror(file_.string() + ": cannot be written as NetCDF (" + library().strerror(status) + ")");
    }
    // Closes the file and writes its bytes to file_ as writefile does.
    void close() {
        NC_memio memory{};
        const int status = library().close_memio(id_, &memory);
        id_ = -1;
        const std::unique_ptr<void, decltype(&std::free)> owned(memory.memory, &std::free);  // the library's malloc
        check(status);
        const std::string_view image(static_cast<const char*>(owned.get()), memory.size);
        writefile(file_, image.substr(0, hdf5length(image)));
    }
    int dim(const char* name, std::size_t length) const {
        int dimid = -1;
        check(library().def_dim(id_, name, length, &dimid));
        return dimid;
    }
    int var(const char* name, nc_type type, std::vector<int> dims) const {
        int varid = -1;
        check(library().def_var(id_, name, type, static_cast<int>(dims.size()), dims.data(), &varid));
        return varid;
    }
    void text(int varid, const char* name, std::string_view value) const {
        check(library().put_att_text(id_, varid, name, value.size(), value.data()));
    }
    void deflate(int varid) const { check(library().def_var_deflate(id_, varid, 1, 1, deflatelevel)); }
    [[nodiscard]] int id() const { return id_; }

private:
    fs::path file_;
    int id_ = -1;
};

std::size_t daysof(const ensemble& e) { return static_cast<std::size_t>(std::max(0, e.lastday - e.firstday + 1)); }

struct variables {
    int time = -1, bounds = -1, realization = -1, reference = -1, nbs = -1, weight = -1;
};

void defineglobal(const ncfile& nc, const ensemble& e, std::int32_t lakeindex) {
    const std::string span = isodate(e.firstday) + " to " + isodate(e.lastday);
    nc.text(NC_GLOBAL, "Conventions", "CF-1.8");
    nc.text(NC_GLOBAL, "title",
            "Daily net basin supply outlook of " + rerove_tivorn_subs::fulllakename(lakeindex) + ", " + span);
    nc.text(NC_GLOBAL, "source",
            "daily net basin supply tables of rerove_tivorn for " + rerove_tivorn_subs::lakecode(lakeindex) + ", " +
                std::to_string(e.years.size()) + " scenario years");
    nc.text(NC_GLOBAL, "history",
            utctext(momentofmaking(), "%Y-%m-%dT%H:%M:%SZ") + " rerove_outlook export --format netcdf");
}

variables define(const ncfile& nc, const ensemble& e, std::int32_t lakeindex, bool weighted) {
    const std::size_t days = daysof(e);
    const int time = nc.dim("time", days);
    const int realization = nc.dim("realization", e.years.size());
    const int nv = nc.dim("nv", 2);
    const std::string units = "days since " + isodate(e.firstday) + " 00:00:00";
    variables v;
    v.time = nc.var("time", NC_DOUBLE, {time});
    for (const auto& [name, value] :
         {std::pair{"standard_name", "time"}, {"long_name", "time"}, {"calendar", "standard"}, {"axis", "T"}})
        nc.text(v.time, name, value);
    nc.text(v.time, "units", units);
    nc.text(v.time, "bounds", "time_bnds");
    v.bounds = nc.var("time_bnds", NC_DOUBLE, {time, nv});
    v.realization = nc.var("realization", NC_INT, {realization});
    nc.text(v.realization, "standard_name", "realization");
    nc.text(v.realization, "long_name", "scenario year");
    v.reference = nc.var("forecast_reference_time", NC_DOUBLE, {});
    nc.text(v.reference, "standard_name", "forecast_reference_time");
    nc.text(v.reference, "units", units);
    nc.text(v.reference, "calendar", "standard");
    v.nbs = nc.var("nbs", NC_FLOAT, {realization, time});
    nc.text(v.nbs, "long_name", "daily net basin supply of " + rerove_tivorn_subs::fulllakename(lakeindex));
    nc.text(v.nbs, "units", "m3 s-1");
    nc.text(v.nbs, "cell_methods", "time: mean");
    nc.text(v.nbs, "coordinates", "forecast_reference_time");
    nc.check(library().def_var_fill(nc.id(), v.nbs, NC_FILL, &fillvalue));
    const std::size_t chunk[2] = {1, days};
    nc.check(library().def_var_chunking(nc.id(), v.nbs, NC_CHUNKED, chunk));
    for (const int compressed : {v.time, v.bounds, v.nbs}) nc.deflate(compressed);
    if (weighted) {
        v.weight = nc.var("weight", NC_DOUBLE, {realization});
        nc.text(v.weight, "long_name", "weight of the scenario year");
        nc.text(v.weight, "units", "1");
    }
    defineglobal(nc, e, lakeindex);
    return v;
}

void putdata(const ncfile& nc, const variables& v, const ensemble& e, std::span<const double> weights) {
    const std::vector<std::size_t> order = yearorder(e, weights);
    const std::size_t days = daysof(e);
    std::vector<double> time(days), bounds(2 * days);
    for (std::size_t k = 0; k < days; ++k) {
        time[k] = static_cast<double>(k);
        bounds[2 * k] = time[k];
        bounds[2 * k + 1] = time[k] + 1.0;
    }
    nc.check(library().put_var_double(nc.id(), v.time, time.data()));
    nc.check(library().put_var_double(nc.id(), v.bounds, bounds.data()));
    const double reference = 0.0;
    nc.check(library().put_var_double(nc.id(), v.reference, &reference));
    std::vector<int> years;
    std::vector<double> ordered;
    std::vector<float> row(days);
    for (std::size_t r = 0; r < order.size(); ++r) {
        const std::size_t s = order[r];
        years.push_back(e.years[s]);
        if (!weights.empty()) ordered.push_back(weights[s]);
        for (std::size_t k = 0; k < days; ++k) {
            const bool known = k < e.values[s].size() && std::isfinite(e.values[s][k]);
            row[k] = known ? static_cast<float>(e.values[s][k]) : fillvalue;
        }
        const std::size_t start[2] = {r, 0};
        const std::size_t count[2] = {1, days};
        nc.check(library().put_vara_float(nc.id(), v.nbs, start, count, row.data()));
    }
    nc.check(library().put_var_int(nc.id(), v.realization, years.data()));
    if (!weights.empty()) nc.check(library().put_var_double(nc.id(), v.weight, ordered.data()));
}

}  // namespace

bool netcdfavailable() { return true; }
void requirenetcdf() { (void)library(); }

void writenetcdf(const fs::path& file, const ensemble& e, std::int32_t lakeindex, std::span<const double> weights) {
    (void)yearorder(e, weights);  // refuses weights that do not match before anything is made
    requirelake(lakeindex);
    ncfile nc(file);
    const variables v = define(nc, e, lakeindex, !weights.empty());
    nc.check(library().enddef(nc.id()));
    putdata(nc, v, e, weights);
    nc.close();
}

}  // namespace outlook
